// The symbol-table dump: the lines each kind of symbol writes after a checked source.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "front_end_helpers.h"

namespace {

std::vector<std::string> DumpOf(const std::string& source, int* errors)
{
    GSCompileLog log;
    GSCompiler::FrontEnd front;
    *errors = front.CheckText("t.gs", source, &log);
    GSCompileLog dump;
    front.Context().Dump(&dump);
    return compiler_test::LogLines(dump);
}

TEST(SemanticSymbolDump, ClassesMembersFunctionsAndTheUnit)
{
    int errors = 0;
    std::vector<std::string> lines = DumpOf(
        "class Base { public int m; int hidden; public int f(int a) { return a; } public define int K = 7; };\n"
        "final class A isclass Base { public string name; public Base g(int x, Base y) { int local; return y; } };\n",
        &errors);
    ASSERT_EQ(errors, 0);
    ASSERT_GE(lines.size(), 1u);
    EXPECT_EQ(lines[0], "Symbol Table");
    const std::string rule(40, '=');
    // Classes: rule, header with the bases as "offset:name,", rule, members.
    std::vector<std::string> expected = {
        rule, "0:A final  (t.gs)::2:Base,", rule, "0:0:object<Base> ::g(int,Base) public ", "0:0:string name public ",
    };
    auto at = std::search(lines.begin(), lines.end(), expected.begin(), expected.end());
    EXPECT_NE(at, lines.end()) << testing::PrintToString(lines);
    expected = {rule, "0:Base  (t.gs)::", rule};
    at = std::search(lines.begin(), lines.end(), expected.begin(), expected.end());
    ASSERT_NE(at, lines.end()) << testing::PrintToString(lines);
    // Member order is the member table's (hash, then name) order; check the set.
    std::vector<std::string> members(at + 3, at + 7);
    std::sort(members.begin(), members.end());
    EXPECT_EQ(members, (std::vector<std::string>{"-1:0:int K public define ", "0:0:int ::f(int) public ",
                                                 "0:0:int m public ", "1:0:int hidden "}));
    // The compile unit is a dependent symbol of the global table.
    bool unitFound = false;
    for (const std::string& line : lines) {
        if (line.rfind("\nDependent \"t.gs\", crc 0x", 0) == 0 && line.find(", filename crc 0x") != std::string::npos &&
            line.back() == '\n')
            unitFound = true;
    }
    EXPECT_TRUE(unitFound) << testing::PrintToString(lines);
}

TEST(SemanticSymbolDump, LocalsAreGoneAfterTheirScope)
{
    int errors = 0;
    std::vector<std::string> lines = DumpOf(compiler_test::InFunction("int inner; { int deeper; }"), &errors);
    ASSERT_EQ(errors, 0);
    for (const std::string& line : lines) {
        EXPECT_EQ(line.find("inner"), std::string::npos) << line;
        EXPECT_EQ(line.find("deeper"), std::string::npos) << line;
    }
    EXPECT_NE(std::find(lines.begin(), lines.end(), "0:0:void ::f() "), lines.end()) << testing::PrintToString(lines);
}

TEST(SemanticSymbolDump, EmptyTableWritesOnlyItsTitle)
{
    GSCompiler::GSSymbolTable table;
    GSCompileLog dump;
    table.Dump(&dump);
    EXPECT_EQ(compiler_test::LogLines(dump), (std::vector<std::string>{"Symbol Table"}));
}

}  // namespace
