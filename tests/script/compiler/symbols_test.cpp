// Symbol tables: scope levels hiding members, case rules, base lists, where base errors are reported, and
// the order in which calls find overloads.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "front_end_helpers.h"
#include "script/compiler/tree.h"  // FLAG_NO_STORAGE

namespace {

using GSCompiler::GSClassSymbol;
using GSCompiler::GSFunctionSymbol;
using GSCompiler::GSSymbolTable;
using GSCompiler::GSVariableSymbol;

struct SemanticSymbolScopes : testing::Test {
    void SetUp() override
    {
        cls = table.MakeClass("K");
        ASSERT_NE(cls, nullptr);
        ASSERT_TRUE(table.Declare(nullptr, cls, false));
        member = table.MakeVariable("x");
        ASSERT_TRUE(table.Declare(cls, member, true));
    }
    GSSymbolTable table;
    GSClassSymbol* cls = nullptr;
    GSVariableSymbol* member = nullptr;
};

TEST_F(SemanticSymbolScopes, LocalHidesTheMemberOnlyInsideItsBlock)
{
    EXPECT_EQ(member->index, 0);
    EXPECT_EQ(member->flags & GSCompiler::FLAG_NO_STORAGE, 0u);
    table.OpenScope();
    GSVariableSymbol* local = table.MakeVariable("x");
    ASSERT_TRUE(table.Declare(cls, local, false));
    EXPECT_EQ(local->scopeLevel, 1);
    EXPECT_NE(local->flags & GSCompiler::FLAG_NO_STORAGE, 0u);
    EXPECT_EQ(table.FindMember(cls, "x", false, false), local);
    EXPECT_EQ(table.FindMember(cls, "x", false, true), member);  // members only
    table.OpenScope();
    GSVariableSymbol* deeper = table.MakeVariable("x");
    ASSERT_TRUE(table.Declare(cls, deeper, false));  // nested blocks may reuse the name
    EXPECT_EQ(table.FindMember(cls, "x", false, false), deeper);
    GSVariableSymbol* clash = table.MakeVariable("x");
    EXPECT_FALSE(table.Declare(cls, clash, false));  // the same block may not
    table.CloseScope();
    EXPECT_EQ(table.FindMember(cls, "x", false, false), local);
    table.CloseScope();
    EXPECT_EQ(table.FindMember(cls, "x", false, false), member);
    EXPECT_EQ(table.scopeLevel, 0);
}

TEST_F(SemanticSymbolScopes, NamesAreCaseSensitive)
{
    EXPECT_EQ(table.FindMember(cls, "X", false, false), nullptr);
    GSVariableSymbol* upper = table.MakeVariable("X");
    EXPECT_TRUE(table.Declare(cls, upper, true));
    EXPECT_EQ(upper->index, 1);
    EXPECT_EQ(table.FindGlobal("k"), nullptr);
    EXPECT_EQ(table.FindGlobal("K"), cls);
    EXPECT_EQ(table.FindMember(cls, "K", true, false), cls);  // outward to the globals
    EXPECT_EQ(table.FindMember(cls, "K", false, false), nullptr);
}

TEST(SemanticSymbols, DependentNamesCompareWithoutCase)
{
    GSSymbolTable table;
    GSCompiler::GSDependentSymbol* a = table.MakeDependent("Lib.gs");
    GSCompiler::GSDependentSymbol* b = table.MakeDependent("lib.GS");
    GSVariableSymbol* v = table.MakeVariable("lib.gs");
    ASSERT_TRUE(a && b && v);
    EXPECT_EQ(a->Compare(*b), 0);
    EXPECT_NE(a->Compare(*v), 0);
    EXPECT_NE(v->Compare(*b), 0);
}

TEST(SemanticSymbols, BaseBroughtTwiceIsCyclic)
{
    const char* const sources[] = {
        "class A {};\nclass B isclass A {};\nclass K isclass A, B {};\n",
        "class A {};\nclass B isclass A {};\nclass K isclass B, A {};\n",
    };
    const char* const expected[] = {
        "t.gs(3) : Class B and A causes cyclic derivation, line 3.",
        "t.gs(3) : Class A and A causes cyclic derivation, line 3.",
    };
    for (int i = 0; i < 2; ++i) {
        compiler_test::FrontResult result = compiler_test::Check(sources[i]);
        EXPECT_GT(result.errors, 0) << sources[i];
        ASSERT_FALSE(result.lines.empty()) << sources[i];
        EXPECT_EQ(result.lines[0], expected[i]) << sources[i];
    }
}

TEST(SemanticSymbols, BaseErrorsOfAnIncludedClassNameItsFile)
{
    compiler_test::FrontResult result =
        compiler_test::CheckWithIncludes("main.gs", "include \"lib.gs\"\nclass M isclass Broken {};\n",
                                         {{"lib.gs", "class L {};\nclass Broken isclass Missing {};\n"}});
    EXPECT_GT(result.errors, 0);
    ASSERT_FALSE(result.lines.empty());
    EXPECT_EQ(result.lines[0], "lib.gs(2) : Class Missing has not been declared, line 2.");
}

TEST(SemanticSymbols, BaseOffsetsAndSlots)
{
    GSCompileLog log;
    GSCompiler::FrontEnd front;
    ASSERT_EQ(front.CheckText("t.gs",
                              "class A { public int a1; public int a2; public void fa() {} };\n"
                              "class B isclass A { public int b1; public void fb() {} };\n"
                              "class C isclass B { public int c1; };\n",
                              &log),
              0);
    GSSymbolTable& table = front.Context();
    auto* c = static_cast<GSClassSymbol*>(table.FindGlobal("C"));
    auto* a = static_cast<GSClassSymbol*>(table.FindGlobal("A"));
    ASSERT_TRUE(c && a);
    ASSERT_EQ(c->bases.size(), 2u);  // B directly, A through B
    EXPECT_STREQ(c->bases[0].base->name, "B");
    EXPECT_TRUE(c->bases[0].direct);
    EXPECT_STREQ(c->bases[1].base->name, "A");
    EXPECT_FALSE(c->bases[1].direct);
    GSCompiler::BaseEntry entry{};
    EXPECT_TRUE(table.IsA("A", c, &entry));
    EXPECT_FALSE(table.IsA("Nope", c, &entry));
    int32_t slot = -1;
    GSCompiler::GSSymbol* a2 = table.FindOwnMember(a, "a2", true);
    ASSERT_NE(a2, nullptr);
    ASSERT_TRUE(table.Slot(a2, c, &slot));
    EXPECT_EQ(slot, entry.memberOffset + a->memberBase + a2->index);
    GSCompiler::GSSymbol* c1 = table.FindOwnMember(c, "c1", true);
    ASSERT_TRUE(table.Slot(c1, c, &slot));
    EXPECT_EQ(slot, c->memberBase + c1->index);
    // A member of C has no slot in its base A.
    EXPECT_FALSE(table.Slot(c1, a, &slot));
}

// The functions a call named `plainName` with `argumentCount` arguments may
// take, in the member table's iteration order: among equally cheap overloads
// the first one wins, so this order is part of the compiled output.
std::vector<GSFunctionSymbol*> InTableOrder(const GSClassSymbol* cls, const std::string& plainName, int argumentCount)
{
    std::vector<GSFunctionSymbol*> functions;
    const std::string prefix = "::" + plainName + "(";
    Utils::HashTable::Iterator it;
    cls->members.Begin(&it);
    for (; it.Node() != nullptr; Utils::HashTable::Next(&it)) {
        auto* symbol = static_cast<GSCompiler::GSSymbol*>(it.Node());
        if (symbol->kind != GSCompiler::SYM_FUNCTION)
            continue;
        auto* function = static_cast<GSFunctionSymbol*>(symbol);
        if (function->parameterCounter == argumentCount + 1 && std::string(function->name).rfind(prefix, 0) == 0) {
            functions.push_back(function);
        }
    }
    return functions;
}

std::vector<GSFunctionSymbol*> Found(GSSymbolTable& table, GSClassSymbol* cls, const char* plainName, int argumentCount,
                                     int capacity = GSCompiler::kMaxFunctionCandidates, bool searchBases = true)
{
    std::vector<GSFunctionSymbol*> result(GSCompiler::kMaxFunctionCandidates);
    int count = table.FindFunctions(cls, plainName, argumentCount, result.data(), capacity, searchBases);
    result.resize(count);
    return result;
}

GSFunctionSymbol* DeclareFunction(GSSymbolTable& table, GSClassSymbol* cls, const std::string& name, int parameters)
{
    GSFunctionSymbol* function = table.MakeFunction(name.c_str());
    EXPECT_NE(function, nullptr);
    if (function == nullptr)
        return nullptr;
    function->parameterCounter = parameters + 1;
    EXPECT_TRUE(table.Declare(cls, function, true)) << name;
    return function;
}

TEST(SemanticSymbols, OverloadsAreFoundInMemberTableOrder)
{
    GSSymbolTable table;
    GSClassSymbol* cls = table.MakeClass("K");
    ASSERT_TRUE(cls && table.Declare(nullptr, cls, true));
    // Enough overloads that several share a bucket, with names that only look alike.
    for (int i = 0; i < 60; ++i)
        DeclareFunction(table, cls, "::g(t" + std::to_string(i) + ")", 1);
    for (int i = 0; i < 12; ++i)
        DeclareFunction(table, cls, "::g(t" + std::to_string(i) + ",u)", 2);
    for (const char* lookalike : {"::gx(t1)", "::xg(t1)", "g(t1)", "::g", "::G(t1)"}) {
        DeclareFunction(table, cls, lookalike, 1);
    }
    GSVariableSymbol* variable = table.MakeVariable("g");
    ASSERT_TRUE(table.Declare(cls, variable, true));

    std::vector<GSFunctionSymbol*> one = InTableOrder(cls, "g", 1);
    ASSERT_EQ(one.size(), 60u);
    EXPECT_EQ(Found(table, cls, "g", 1), one);
    EXPECT_EQ(Found(table, cls, "g", 2), InTableOrder(cls, "g", 2));
    EXPECT_EQ(Found(table, cls, "g", 2).size(), 12u);
    EXPECT_TRUE(Found(table, cls, "g", 0).empty());
    EXPECT_EQ(Found(table, cls, "gx", 1).size(), 1u);
    EXPECT_TRUE(Found(table, cls, "G", 2).empty());
    // A full result keeps the first ones in table order.
    EXPECT_EQ(Found(table, cls, "g", 1, 7), std::vector<GSFunctionSymbol*>(one.begin(), one.begin() + 7));

    // Overloads of a block sort before the members of the same name, and go with the block.
    table.OpenScope();
    DeclareFunction(table, cls, "::g(t3)", 1);
    DeclareFunction(table, cls, "::g(inner)", 1);
    std::vector<GSFunctionSymbol*> inside = InTableOrder(cls, "g", 1);
    ASSERT_EQ(inside.size(), 62u);
    EXPECT_EQ(Found(table, cls, "g", 1), inside);
    table.CloseScope();
    EXPECT_EQ(Found(table, cls, "g", 1), one);

    // The parameter count is read at each call: a prototype's is counted again once its body comes.
    one[5]->parameterCounter = 3;
    EXPECT_EQ(Found(table, cls, "g", 2), InTableOrder(cls, "g", 2));
    EXPECT_EQ(Found(table, cls, "g", 2).size(), 13u);
    one[5]->parameterCounter = 2;

    // The bases are searched, in base order, only by a class without a function of its own.
    GSClassSymbol* other = table.MakeClass("L");
    ASSERT_TRUE(other && table.Declare(nullptr, other, true));
    GSFunctionSymbol* lg = DeclareFunction(table, other, "::g(l)", 1);
    GSClassSymbol* derived = table.MakeClass("D");
    ASSERT_TRUE(derived && table.Declare(nullptr, derived, true));
    ASSERT_EQ(table.AddBase(derived, other, 0, 0, true, nullptr), 0);
    ASSERT_EQ(table.AddBase(derived, cls, 0, 0, true, nullptr), 0);
    std::vector<GSFunctionSymbol*> inherited = {lg};
    inherited.insert(inherited.end(), one.begin(), one.end());
    EXPECT_EQ(Found(table, derived, "g", 1), inherited);
    EXPECT_EQ(Found(table, derived, "g", 1, 3),
              std::vector<GSFunctionSymbol*>(inherited.begin(), inherited.begin() + 3));
    EXPECT_TRUE(Found(table, derived, "g", 1, GSCompiler::kMaxFunctionCandidates, false).empty());
    GSFunctionSymbol* own = DeclareFunction(table, derived, "::g(own)", 1);
    EXPECT_EQ(Found(table, derived, "g", 1), std::vector<GSFunctionSymbol*>{own});

    // A cleared class has no functions left to find.
    cls->Clear();
    EXPECT_TRUE(Found(table, cls, "g", 1).empty());
}

}  // namespace
