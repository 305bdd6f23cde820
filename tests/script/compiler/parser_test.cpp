// Parser: accepted language, tree shapes, node lines and syntax-error lines.
#include <gtest/gtest.h>

#include "front_end_helpers.h"
#include "script/compiler/tree_dump.h"

namespace {

using namespace GSCompiler;

struct Parsed {
    int result;
    std::vector<std::string> lines;
};

Parsed ParseText(GSCompiler::FrontEnd* front, const std::string& text)
{
    GSCompileLog log;
    Parsed parsed;
    parsed.result = front->ParseOnly("t.gs", text, &log);
    parsed.lines = compiler_test::LogLines(log);
    return parsed;
}

struct ErrorCase {
    std::string text;
    int result;
    const char* message;  // the one log line
};

TEST(Parser, SyntaxErrorsReportTheScannerLine)
{
    const ErrorCase cases[] = {
        {"", 1, "t.gs(1) : parse error, line 1"},
        {"include \"a.gs\"\n\n", 1, "t.gs(3) : parse error, line 3"},
        {"class A {\n}\n", 1, "t.gs(3) : parse error, line 3"},
        {"class A {};\ninclude \"b.gs\"", 1, "t.gs(2) : parse error, line 2"},
        {"class A { void f() { x = a ? b : c; } };", 1, "t.gs(1) : parse error, line 1"},
        {"class A { void f() {\n x = a\n && b; } };", 1, "t.gs(3) : parse error, line 3"},
        {"class A { void f() { x += 1; } };", 1, "t.gs(1) : parse error, line 1"},
        {"class A { void f() { do { x; } while (1); } };", 1, "t.gs(1) : parse error, line 1"},
        {"class A { void f() {\n x = (Foo)\n y; } };", 1, "t.gs(3) : parse error, line 3"},
        {"class A { void f() { x = new int[]; } };", 1, "t.gs(1) : parse error, line 1"},
        {"class A { void f() {\n a + b = c; } };", 1, "t.gs(2) : parse error, line 2"},
        {"class A { void f() { x = 1; }\n@ };", 1, "t.gs(2) : parse error, line 2"},
        {"class A { void f() { public int x; } };", 1, "t.gs(1) : parse error, line 1"},
        {"class A { void f() {\n/* open\n\n", 1, "t.gs(4) : parse error, line 4"},
        {"class A { void f() { s = \"" + std::string(20000, 'a'), 1, "t.gs(1) : token too long, line 1"},
    };
    for (const ErrorCase& c : cases) {
        GSCompiler::FrontEnd front;
        Parsed parsed = ParseText(&front, c.text);
        EXPECT_EQ(parsed.result, c.result) << c.text;
        ASSERT_EQ(parsed.lines.size(), 1u) << c.text;
        EXPECT_EQ(parsed.lines[0], c.message) << c.text;
    }
}

TEST(Parser, AcceptedForms)
{
    const char* accepted[] = {
        "class A {};",
        "include \"x.gs\" include \"y.gs\" class A {}; class B {};",
        "define secured class A isclass B, C { public define int X = 1; define void f(); secured int g() {} };",
        "class A { void f(void) { } void g(void x) { } int h(Foo a, Foo[] b, int[] c); };",
        "class A { void f() { Foo x; Foo[] y; x = cast<Foo> y; z = (int[]) w; a[1,2] = a[,3] + a[4,]; } };",
        "class A { void f() { x = new Foo(); y = new Foo[3]; z = new string(); w = new int[4]; v = new Foo(1, 2); } };",
        "class A { void f() { switch (a) { case 1: case 2: x; default: y; } wait() { on \"a\", \"b\": x; on \"c\", "
        "\"d\", m: y; } } };",
        "class A { void f() { lbl: x; goto lbl; for (;;) { continue; } for (a; b; c, d) break; return; return a, b; } "
        "};",
        "class A { void f() { x = a.size() + b.isclass(Foo) + c.copy(d); ++x; --x; x++; x--; x = - + ~ ! y; } };",
        "class A { void f() { x = a and b or c | d ^ e & f == g != h < i > j <= k >= l << m >> n + o - p * q / r % s; "
        "} };",
    };
    for (const char* text : accepted) {
        GSCompiler::FrontEnd front;
        Parsed parsed = ParseText(&front, text);
        EXPECT_EQ(parsed.result, 0) << text;
        EXPECT_TRUE(parsed.lines.empty()) << text;
    }
}

// The first statement of the only function of the only class.
const GSTreeNode* FirstStatement(GSCompiler::FrontEnd& front)
{
    const GSTreeNode* cls = front.MainUnit().root;
    return cls->child[2]->child[3]->child[0];
}

struct ShapeCase {
    const char* statement;
    const char* sexpr;
};

TEST(Parser, ExpressionShapes)
{
    const ShapeCase cases[] = {
        {"x = 2 + 3 * 4;", "(= x (+ 2 (* 3 4)))"},
        {"x = a - b - c;", "(= x (- (- a b) c))"},
        {"x = y = z;", "(= x (= y z))"},
        {"x = a or b and c;", "(= x (or a (and b c)))"},
        {"x = -a.b[1](2)++;", "(= x (- (++ (call ([] (. a b) 1) 2))))"},
        {"x = (int) y + 1;", "(= x (+ (cast y int) 1))"},
        {"x = (float[]) y;", "(= x (cast y float[]))"},
        {"x = cast<Foo> y;", "(= x (cast y object<Foo>))"},
        {"x = new Foo[n];", "(= x (new object[]<Foo> n))"},
        {"x = new int[n];", "(= x (new int[] n))"},
        {"x = a[,2];", "(= x ([,] a 2))"},
        {"x = 0xFFFFFFFF + 'ab' + 1.5f + 1.5 + \"s\\n\";", "(= x (+ (+ (+ (+ 2147483647 97) 1.5f) 1.5f) \"s\n\"))"},
        {"x = 99999999999;", "(= x 2147483647)"},
    };
    for (const ShapeCase& c : cases) {
        GSCompiler::FrontEnd front;
        Parsed parsed = ParseText(&front, std::string("class A { void f() { ") + c.statement + " } };");
        ASSERT_EQ(parsed.result, 0) << c.statement;
        EXPECT_EQ(TreeSExpr(FirstStatement(front)), c.sexpr) << c.statement;
    }
}

TEST(Parser, DanglingElseBelongsToTheInnerIf)
{
    GSCompiler::FrontEnd front;
    ASSERT_EQ(ParseText(&front, "class A { void f() { if (a) if (b) x; else y; } };").result, 0);
    const GSTreeNode* outer = FirstStatement(front);
    ASSERT_TRUE(outer->Is(GROUP_STATEMENT, STMT_IF));
    EXPECT_EQ(outer->child[2], nullptr);
    ASSERT_TRUE(outer->child[1]->Is(GROUP_STATEMENT, STMT_IF));
    EXPECT_NE(outer->child[1]->child[2], nullptr);
}

TEST(Parser, TwoCaseLabelsAndAStatementFollowEachOther)
{
    GSCompiler::FrontEnd front;
    ASSERT_EQ(ParseText(&front, "class A { void f() { case 1: case 2: x; } };").result, 0);
    const GSTreeNode* first = FirstStatement(front);
    ASSERT_TRUE(first->Is(GROUP_STATEMENT, STMT_CASE));
    ASSERT_TRUE(first->next->Is(GROUP_STATEMENT, STMT_CASE));
    EXPECT_TRUE(first->next->next->Is(GROUP_EXPRESSION, EXPR_IDENTIFIER));
}

TEST(Parser, ExpressionStatementsMarkTheirValuesUnused)
{
    GSCompiler::FrontEnd front;
    ASSERT_EQ(ParseText(&front, "class A { void f() { a, b; for (c; d, e; g, h) ; x = (p, q, r); } };").result, 0);
    const GSTreeNode* a = FirstStatement(front);
    EXPECT_TRUE(a->flags & FLAG_VALUE_NOT_USED);
    EXPECT_TRUE(a->next->flags & FLAG_VALUE_NOT_USED);
    const GSTreeNode* loop = a->next->next;
    ASSERT_TRUE(loop->Is(GROUP_STATEMENT, STMT_FOR));
    EXPECT_TRUE(loop->child[1]->flags & FLAG_VALUE_NOT_USED);
    EXPECT_FALSE(loop->child[1]->next->flags & FLAG_VALUE_NOT_USED);
    EXPECT_TRUE(loop->child[3]->flags & FLAG_VALUE_NOT_USED);
    EXPECT_TRUE(loop->child[3]->next->flags & FLAG_VALUE_NOT_USED);
    const GSTreeNode* list = loop->next->child[1];  // p, q, r
    EXPECT_TRUE(list->flags & FLAG_VALUE_NOT_USED);
    EXPECT_TRUE(list->next->flags & FLAG_VALUE_NOT_USED);
    EXPECT_FALSE(list->next->next->flags & FLAG_VALUE_NOT_USED);
}

struct LineCase {
    const char* text;  // one statement spread over lines, then "}" on the line after
    int group;
    int kind;
    int line;
};

// A node's line is the scanner's line when its rule is reduced: its own last
// token, or the token after it when the parser needed a look-ahead token.
TEST(Parser, NodeLinesFollowTheLookAheadRule)
{
    const LineCase cases[] = {
        {"x\n=\ny\n;", GROUP_EXPRESSION, EXPR_OPERATOR, 4},  // reduced on seeing ';'
        {"break\n;", GROUP_STATEMENT, STMT_BREAK, 2},        // its ';'
        {"return\nx\n;", GROUP_STATEMENT, STMT_RETURN, 3},
        {"if (a)\nx;", GROUP_STATEMENT, STMT_IF, 3},  // needs the next token (else?)
        {"if (a)\nx;\nelse\ny;", GROUP_STATEMENT, STMT_IF, 4},
        {"while (a)\nx;", GROUP_STATEMENT, STMT_WHILE, 2},
        {"{\n}", GROUP_STATEMENT, STMT_BLOCK, 2},
        {"f(\n)\n;", GROUP_EXPRESSION, EXPR_CALL, 2},
        {"lbl:\nx\n;", GROUP_STATEMENT, STMT_LABEL, 3},
    };
    for (const LineCase& c : cases) {
        GSCompiler::FrontEnd front;
        std::string text = std::string("class A { void f() {\n") + c.text + "\n}\n};";
        ASSERT_EQ(ParseText(&front, text).result, 0) << c.text;
        const GSTreeNode* node = FirstStatement(front);
        if (node->group == GROUP_EXPRESSION && c.kind == EXPR_OPERATOR && !node->Is(c.group, c.kind))
            node = node->child[0];
        ASSERT_TRUE(node->Is(c.group, c.kind)) << c.text;
        EXPECT_EQ(node->line, c.line + 1) << c.text;
    }
}

struct DepthCase {
    std::string body;
    int result;
};

TEST(Parser, NestingBeyondTheParserStackIsReported)
{
    const DepthCase cases[] = {
        {"x = " + std::string(9986, '(') + "y" + std::string(9986, ')') + ";", 0},
        {"x = " + std::string(9987, '(') + "y" + std::string(9987, ')') + ";", 2},
        {std::string(9989, '{') + std::string(9989, '}'), 0},
        {std::string(9990, '{') + std::string(9990, '}'), 2},
    };
    for (const DepthCase& c : cases) {
        GSCompiler::FrontEnd front;
        Parsed parsed = ParseText(&front, "class A { void f() { " + c.body + " } };");
        EXPECT_EQ(parsed.result, c.result);
        if (c.result == 2) {
            ASSERT_EQ(parsed.lines.size(), 1u);
            EXPECT_EQ(parsed.lines[0], "t.gs(1) : parser stack overflow, line 1");
        }
    }
}

TEST(Parser, IncludeNamesAreLowerCasedWithoutEscapes)
{
    GSCompiler::FrontEnd front;
    ASSERT_EQ(ParseText(&front, "include \"Dir\\\\Lib.GS\" class A {};").result, 0);
    const GSTreeNode* include = front.MainUnit().root;
    ASSERT_TRUE(include->Is(GROUP_DECLARATION, DECL_INCLUDE));
    EXPECT_STREQ(include->child[0]->text, "dir\\\\lib.gs");
    EXPECT_TRUE(include->next->Is(GROUP_DECLARATION, DECL_CLASS));
}

}  // namespace
