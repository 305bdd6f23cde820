// Constant folding: results, and what is left for run time.
#include <gtest/gtest.h>

#include "front_end_helpers.h"
#include "script/compiler/tree_dump.h"

namespace {

using namespace GSCompiler;

struct FoldCase {
    const char* type;
    const char* expression;
    const char* folded;  // TreeSExpr of the initial value after checking
};

TEST(Folding, Table)
{
    const FoldCase cases[] = {
        {"int", "2 + 3 * 4", "14"},
        {"float", "7 / 2.0", "3.5f"},
        {"int", "7 / 2", "3"},
        {"int", "-7 / 2", "-3"},
        {"int", "-7 % 2", "-1"},
        {"float", "7.5 % 2", "1.5f"},
        {"int", "1 << 33", "2"},
        {"int", "-8 >> 1", "-4"},
        {"int", "2147483647 + 1", "-2147483648"},
        {"int", "0x7FFFFFFF * 2", "-2"},
        {"int", "6 & 3 | 8 ^ 1", "11"},
        {"bool", "1 < 2", "true"},
        {"bool", "2.5 >= 3", "false"},
        {"bool", "1 == 1.0", "true"},
        {"bool", "1 and 0", "false"},
        {"bool", "0 or 2", "true"},
        {"bool", "!0", "true"},
        {"bool", "!1.5", "false"},
        {"int", "~0", "-1"},
        {"int", "-(3)", "-3"},
        {"float", "-1.5", "-1.5f"},
        {"int", "+4", "4"},
        {"string", "\"a\" + \"b\"", "(+ \"a\" \"b\")"},
        {"int", "1 / 0", "(/ 1 0)"},
        {"int", "1 % 0", "(% 1 0)"},
        {"int", "(-2147483647 - 1) / -1", "(/ -2147483648 -1)"},
        {"int", "(-2147483647 - 1) % -1", "(% -2147483648 -1)"},
    };
    for (const FoldCase& c : cases) {
        std::string source = std::string("class A { void f() { ") + c.type + " v = " + c.expression + "; } };";
        GSCompileLog log;
        GSCompiler::FrontEnd front;
        ASSERT_EQ(front.CheckText("t.gs", source, &log), 0)
            << c.expression << " " << (log.LineCount() ? log.Line(0) : "");
        const GSTreeNode* declaration = front.MainUnit().root->child[2]->child[3]->child[0];
        const GSTreeNode* value = declaration->child[1]->child[1];
        EXPECT_EQ(TreeSExpr(value), c.folded) << c.expression;
    }
}

TEST(Folding, DefineMembersBecomeConstants)
{
    GSCompileLog log;
    GSCompiler::FrontEnd front;
    std::string source = "class K { public define int N = 2 + 3; public define string S = \"x\"; };\n"
                         "class A { void f() { int a = K.N * 2; string s = K.S; } };";
    ASSERT_EQ(front.CheckText("t.gs", source, &log), 0);
    const GSTreeNode* a = front.MainUnit().root->next->child[2]->child[3]->child[0];
    EXPECT_EQ(TreeSExpr(a->child[1]->child[1]), "10");
    EXPECT_EQ(TreeSExpr(a->next->child[1]->child[1]), "\"x\"");
}

TEST(Folding, OverloadsPreferTheExactMatchAndCastOtherwise)
{
    GSCompileLog log;
    GSCompiler::FrontEnd front;
    std::string source =
        "class A { int g(float x) { return 1; } int g(int x) { return 2; } int h(float x) { return 3; } "
        "void f() { int i; g(i); h(i); } };";
    ASSERT_EQ(front.CheckText("t.gs", source, &log), 0);
    const GSTreeNode* f = front.MainUnit().root->child[2]->next->next->next;
    const GSTreeNode* first = f->child[3]->child[0]->next;
    EXPECT_EQ(TreeSExpr(first), "(call g i)");
    EXPECT_EQ(TreeSExpr(first->next), "(call h (cast i float))");
}

}  // namespace
