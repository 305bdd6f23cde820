// Semantic checks: one snippet per message, with its exact text and line.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "front_end_helpers.h"
#include "script/compiler/tree_dump.h"

namespace {

using compiler_test::Check;
using compiler_test::InFunction;

struct MessageCase {
    std::string source;
    std::string message;  // the first log line
};

const char* const kPrelude =
    "class Base { public int m; int hidden; public int f(int a) { return a; } final void fin() {} "
    "public define int K = 7; public define string S = \"s\"; };\n"
    "static class Util { public int g() { return 1; } };\n"
    "final class Sealed {};\n"
    "game class Game {};\n";

std::string WithPrelude(const std::string& text)
{
    return kPrelude + text;
}

TEST(Semantic, OneSnippetPerMessage)
{
    const MessageCase cases[] = {
        {"public class A {};", "t.gs(1) : Class has illegal declaration specifiers, line 1."},
        {"class A {};\nclass A {\n};", "t.gs(3) : Class A has already been declared, line 3."},
        {"class A isclass Missing {};", "t.gs(1) : Class Missing has not been declared, line 1."},
        {WithPrelude("class A isclass Util {};"), "t.gs(5) : Cannot extend static class Util, line 5."},
        {WithPrelude("class A isclass Sealed {};"), "t.gs(5) : Cannot extend final class Sealed, line 5."},
        {WithPrelude("class A isclass Base, Base {};"),
         "t.gs(5) : Class Base and Base causes cyclic derivation, line 5."},
        {"class A { static void f() {} };", "t.gs(1) : Function has illegal declaration specifiers, line 1."},
        {"class A { Foo f() {} };", "t.gs(1) : object<Foo> not declared, line 1."},
        {WithPrelude("class A isclass Base { void fin() {} };"), "t.gs(5) : Cannot override final function, line 5."},
        {"class A { void f() {}\n void f() {} };", "t.gs(2) : Function ::f() already declared, line 2."},
        {"class A { int f();\n float f() { return 1.0; } };",
         "t.gs(2) : Function differs only by return type, line 2."},
        {"class A { int f();\n public int f() { return 1; } };",
         "t.gs(2) : Function specifiers differ from prototype, line 2."},
        {"class A { thread int f() { return 1; } };", "t.gs(1) : thread function must return void, line 1."},
        {"class A { void f(int a, int a) {} };", "t.gs(1) : Variable a already declared in this scope, line 1."},
        {"class A { static int x; };", "t.gs(1) : member declaration has invalid specifiers, line 1."},
        {"class A { int x;\n int x; };", "t.gs(2) : Variable x already declared in this scope, line 2."},
        {"class A { define int x; };", "t.gs(1) : define variable must have a const assignment, line 1."},
        {InFunction("if (f()) ;"), "t.gs(4) : invalid if expression, line 4."},  // reduced on the next token
        {InFunction("while (f())\n;"), "t.gs(4) : invalid while expression, line 4."},
        {InFunction("for (; f(); ) ;"), "t.gs(3) : invalid for expression, line 3."},
        {InFunction("switch (1) { }"), "t.gs(3) : switch statement without case, line 3."},
        {InFunction("switch (1) { case 1: break; }"), "t.gs(3) : switch statement without default, line 3."},
        {InFunction("switch (\"s\") { case 1: break; default: break; }"),
         "t.gs(3) : switch expression not integral, line 3."},
        {InFunction("case 1: ;"), "t.gs(3) : illegal case, line 3."},
        {InFunction("int i; switch (i) { case i: break; default: break; }"),
         "t.gs(3) : case expression not constant or integral, line 3."},
        {InFunction("default: ;"), "t.gs(3) : illegal default, line 3."},
        {InFunction("switch (1) { case 1: default: ; default: ; }"), "t.gs(3) : switch already has default, line 3."},
        {InFunction("break;"), "t.gs(3) : illegal break, line 3."},
        {InFunction("switch (1) { case 1: continue; default: ; }"), "t.gs(3) : illegal continue, line 3."},
        {InFunction("wait() { }"), "t.gs(3) : wait statement must have at least 1 on statement, line 3."},
        {InFunction("wait() { on 1, \"b\": ; }"),
         "t.gs(3) : on statement requires string constant for major and minor message types, line 3"},
        {InFunction("wait() { on \"a\", \"b\", 5: ; }"),
         "t.gs(3) : on statement requires object type for third parameter, line 3"},
        {InFunction("return 1;"), "t.gs(3) : return type mismatch, expecting void, line 3."},
        {"class A { float f() { return 1; } };", "t.gs(1) : return type mismatch, expecting float, line 1."},
        {"class A { string f() { return null; } };", "t.gs(1) : return type mismatch, expecting string, line 1."},
        {WithPrelude("class A { Base f() { return me; } };"),
         "t.gs(5) : cannot cast from object<A> to object<Base>, line 5."},
        {"class A { int f() {\n if (1) return 1; else return 2;\n} };",
         "t.gs(3) : expecting return type of int, line 3."},
        {InFunction("int i; int i;"), "t.gs(3) : Variable i already declared in this scope, line 3."},
        {InFunction("x = 1;"), "t.gs(3) : variable x not declared, line 3."},
        {WithPrelude("class A { void f() { Base = null; } };"), "t.gs(5) : class Base is not static, line 5."},
        {InFunction("bool b = 1 + true;"), "t.gs(3) : illegal types for operand +, line 3"},
        {InFunction("int i = ~1.5;"), "t.gs(3) : illegal types for unary operand ~, line 3"},
        {InFunction("1++;"), "t.gs(3) : expression not an l-value for ++ operator, line 3"},
        {InFunction("int i; i.x = 1;"), "t.gs(3) : . operator cannot be used on a non-reference type, line 3."},
        {InFunction("string s; s.x = 1;"), "t.gs(3) : unknown object class for '.' operator, line 3."},
        {WithPrelude("class A { void f() { Base b; b.hidden = 1; } };"),
         "t.gs(5) : member hidden not public in object Base, line 5."},
        {WithPrelude("class A { void f() { Base b; b.nothing = 1; } };"),
         "t.gs(5) : member nothing does not exist in object Base, line 5."},
        {WithPrelude("static class St { public int v; };\nclass A { void f() { Base.m = 1; } };"),
         "t.gs(6) : m is not a static class or variable within this class, line 6."},
        {WithPrelude("class A { void f() { Base.f(1); } };"),
         "t.gs(5) : f is not a static class or variable within this class, line 5."},
        {InFunction("int i; i[1, 2] = 1;"), "t.gs(3) : i not an array type for [,] operator, line 3"},
        {InFunction("string s; s[\"a\", 2] = \"\";"), "t.gs(3) : left index not integral for [,] operator, line 3"},
        {InFunction("string s; s[1, \"b\"] = \"\";"), "t.gs(3) : right index not integral for [,] operator, line 3"},
        {InFunction("int i; i[1] = 1;"), "t.gs(3) : i not an array type for [] operator, line 3"},
        {InFunction("int[] a; a[1.5] = 1;"), "t.gs(3) : index not integral for [] operator, line 3"},
        {InFunction("int i = (int) \"s\";"), "t.gs(3) : cannot cast from string to int, line 3."},
        {InFunction("int[] a = new float[3];"), "t.gs(3) : cannot cast from float[] to int[], line 3."},
        {WithPrelude("class A { void f() { Base b = me; } };"),
         "t.gs(5) : cannot cast from object<A> to object<Base>, line 5."},
        {InFunction("f() = 1;"), "t.gs(3) : cannot cast from int to void, line 3."},
        {InFunction("1 = 1;"), "t.gs(3) : illegal l-value for assignment, line 3."},
        {InFunction("int i = me.size();"), "t.gs(3) : .size operator requires an array type, line 3."},
        {InFunction("int i; bool b = i.isclass(A);"), "t.gs(3) : .isclass operator requires an object type, line 3."},
        {InFunction("bool b = me.isclass(Nope);"), "t.gs(3) : class Nope not declared for .isclass operator, line 3."},
        {InFunction("int i; int[] a; i.copy(a);"), "t.gs(3) : .copy operator requires an array type, line 3."},
        {InFunction("int i; int[] a; a.copy(i);"), "t.gs(3) : .copy expression must be an array type, line 3."},
        {InFunction("int[] a; float[] b; a.copy(b);"),
         "t.gs(3) : left and right types incompatible for .copy operator, line 3."},
        {InFunction("int[] a = new int[1.5];"), "t.gs(3) : non-integral expression for new[], line 3."},
        {InFunction("A a = new A(1);"), "t.gs(3) : constructors not yet supported, line 3."},
        {InFunction("object o = new Nope();"), "t.gs(3) : object<Nope> not declared, line 3."},
        {WithPrelude("class A { void f() { object o = new Game(); } };"),
         "t.gs(5) : cannot new static or game class, line 5."},
        {InFunction("int i = new int();"), "t.gs(3) : cannot new type int, line 3."},
        {InFunction("inherited();"), "t.gs(3) : function inherited not declared, line 3."},
        {InFunction("me.inherited();"), "t.gs(3) : 'inherited' can only be used on current function, line 3."},
        {"class B1 { public void g(int a) {} };\nclass B2 { public void g(int a) {} };\n"
         "class A isclass B1, B2 { void f() { g(1); } };",
         "t.gs(3) : function call g is ambiguous, line 3."},
        {InFunction("nothing(1);"), "t.gs(3) : function nothing not declared, line 3."},
        {WithPrelude("class A { void f() { Base b; b.nothing(); } };"),
         "t.gs(5) : function nothing not declared in class Base or derivative, line 5."},
        {"class B { int p() { return 1; } };\nclass A { void f() { B b; b.p(); } };",
         "t.gs(2) : function p not public in object B, line 2."},
        {"class A { void f() { me = null; } };\n", "t.gs(1) : illegal l-value for assignment, line 1."},
    };
    for (const MessageCase& c : cases) {
        compiler_test::FrontResult result = Check(c.source);
        EXPECT_GT(result.errors, 0) << c.source;
        ASSERT_FALSE(result.lines.empty()) << c.source;
        EXPECT_EQ(result.lines[0], c.message) << c.source;
    }
}

TEST(Semantic, CleanSourcesPass)
{
    const std::string sources[] = {
        WithPrelude("class A isclass Base { int own; float h(float x, int y) { int i = 7 / 2; "
                    "float z = 7 / 2.0; string s = \"a\" + \"b\" + i; for (i = 0; i < 10; i++) { own = own + f(i); } "
                    "if (i) { fin(); } else { m = K; } switch (i) { case 1: break; default: break; } return z; } };"),
        WithPrelude("class A { void f() { float x = 1; string s = null; int[] a = null; object o = null; "
                    "Base b = null; b.m = Base.K; string t = Base.S; int n = \"abc\".size() + a.size(); "
                    "wait() { on \"a\", \"b\": break; on \"c\", \"d\", o: continue; } Util.g(); } };"),
        "class A { void g(float a) {} void f() { g(1); } };",
        "class A { int f() { if (1) return 1; return 2; } void g() { lbl: goto lbl; } };",
        "class A { void f() { int i; { int i; i = 2; } i = 3; } };",
    };
    for (const std::string& source : sources) {
        compiler_test::FrontResult result = Check(source);
        EXPECT_EQ(result.errors, 0) << source << "\n" << (result.lines.empty() ? "" : result.lines[0]);
    }
}

TEST(Semantic, WalkStackOverflowIsReportedOnce)
{
    std::string body = "x = " + std::string(200, '(') + "1" + std::string(200, ')') + ";";
    std::string chain = "int x; x = 1";
    for (int i = 0; i < 200; ++i)
        chain += " + 1";
    chain += ";";
    std::string elses = "int x; ";
    for (int i = 0; i < 200; ++i)
        elses += "if (x) x = 1; else ";
    elses += "x = 2;";
    for (const std::string& text : {chain, elses}) {
        compiler_test::FrontResult result = Check(InFunction(text));
        ASSERT_FALSE(result.lines.empty());
        EXPECT_EQ(result.lines.back(), "Stack overflow; code nested too deep.");
        EXPECT_GE(result.errors, 1);
    }
}

TEST(Semantic, CyclicBasesAcrossFilesAreReported)
{
    // Each class is declared in declarations-only mode, so its bases stay
    // pending until the main file resolves them.
    compiler_test::FrontResult result = compiler_test::CheckWithIncludes(
        "main.gs", "include \"a.gs\" class M isclass A {};",
        {{"a.gs", "include \"b.gs\" class A isclass B {};"}, {"b.gs", "include \"a.gs\" class B isclass A {};"}});
    EXPECT_GT(result.errors, 0);
    ASSERT_FALSE(result.lines.empty());
    EXPECT_NE(result.lines[0].find("causes cyclic derivation"), std::string::npos) << result.lines[0];
}

TEST(Semantic, MissingIncludeIsReported)
{
    compiler_test::FrontResult result = Check("include \"nowhere_at_all.gs\" class A {};");
    EXPECT_EQ(result.errors, 1);
    ASSERT_EQ(result.lines.size(), 1u);
    EXPECT_EQ(result.lines[0], "Could not read file (null) nowhere_at_all.gs.");
}

TEST(Semantic, Utf8ByteOrderMarkIsRefused)
{
    compiler_test::FrontResult result = Check("\xEF\xBB\xBF"
                                              "class A {};");
    EXPECT_EQ(result.errors, 1);
    ASSERT_EQ(result.lines.size(), 1u);
    EXPECT_EQ(result.lines[0], "'t.gs' appears to be UTF-8 encoded, please resave as ANSI.");
}

// "kind@line" of the jumps and labels of a checked tree, each with the
// statement it belongs to ("-" for none).
void CollectTargets(const GSCompiler::GSTreeNode* node, std::vector<std::string>* targets)
{
    static const std::map<int, std::string> kNames = {
        {GSCompiler::STMT_BREAK, "break"}, {GSCompiler::STMT_CONTINUE, "continue"},
        {GSCompiler::STMT_CASE, "case"},   {GSCompiler::STMT_DEFAULT, "default"},
        {GSCompiler::STMT_ON, "on"},       {GSCompiler::STMT_FOR, "for"},
        {GSCompiler::STMT_WHILE, "while"}, {GSCompiler::STMT_SWITCH, "switch"},
        {GSCompiler::STMT_WAIT, "wait"},
    };
    auto name = [&](const GSCompiler::GSTreeNode* n) {
        auto found = kNames.find(n->kind);
        return (found != kNames.end() ? found->second : "?") + "@" + std::to_string(n->line);
    };
    for (; node != nullptr; node = node->next) {
        const int kind = node->kind;
        if (node->group == GSCompiler::GROUP_STATEMENT &&
            (kind == GSCompiler::STMT_BREAK || kind == GSCompiler::STMT_CONTINUE || kind == GSCompiler::STMT_CASE ||
             kind == GSCompiler::STMT_DEFAULT || kind == GSCompiler::STMT_ON)) {
            targets->push_back(name(node) + "->" + (node->partner ? name(node->partner) : "-"));
        }
        for (const GSCompiler::GSTreeNode* child : node->child)
            CollectTargets(child, targets);
    }
}

TEST(Semantic, JumpsBelongToTheInnermostStatementOfTheirKind)
{
    const std::string source = "class M { public string s; };\n"  // 1
                               "class A { M keep; void f(int i, int j) {\n"
                               "for (i = 0; i < 3; i++) {\n"  // 3
                               "switch (i) {\n"               // 4
                               "case 1:\n"                    // 5
                               "while (j < 4) {\n"            // 6
                               "if (j == 2) continue;\n"      // 7
                               "case 4: j++;\n"               // 8: a case inside a loop still belongs to the switch
                               "switch (j) {\n"               // 9
                               "case 9: continue;\n"          // 10: continue skips the switch
                               "default: break;\n"            // 11
                               "}\n"
                               "}\n"
                               "break;\n"                               // 14: the loop before it is no longer open
                               "default:\n"                             // 15
                               "wait () {\n"                            // 16
                               "on \"Ping\", \"\": { break; }\n"        // 17
                               "on \"Pong\", \"x\", keep: continue;\n"  // 18
                               "}\n"
                               "break;\n"  // 20
                               "}\n"
                               "while (j) { j--; } break;\n"  // 22
                               "}\n"
                               "on \"Alone\", \"\": i = 2;\n"  // 24: an on outside any wait has none
                               "} };\n";
    GSCompileLog log;
    GSCompiler::FrontEnd front;
    ASSERT_EQ(front.CheckText("t.gs", source, &log), 0) << (log.LineCount() ? log.Line(0) : "");
    std::vector<std::string> targets;
    CollectTargets(front.MainUnit().root, &targets);
    // A statement's line is the one it ends on.
    const std::vector<std::string> expected = {
        "case@13->switch@21",    "continue@7->while@13",  "case@8->switch@21",   "case@10->switch@12",
        "continue@10->while@13", "default@11->switch@12", "break@11->switch@12", "break@14->switch@21",
        "default@19->switch@21", "on@17->wait@19",        "break@17->wait@19",   "on@18->wait@19",
        "continue@18->wait@19",  "break@20->switch@21",   "break@22->for@23",    "on@24->-",
    };
    EXPECT_EQ(targets, expected);

    // Statements that have closed, or are only before it, own nothing.
    const MessageCase outside[] = {
        {InFunction("int i;\nwhile (i) { i--; }\nbreak;"), "t.gs(5) : illegal break, line 5."},
        {InFunction("int i;\nwhile (i) { switch (i) { case 1: i--; default: ; } }\ncontinue;"),
         "t.gs(5) : illegal continue, line 5."},
        {InFunction("int i;\nswitch (i) { case 1: ; default: ; }\ncase 2: ;"), "t.gs(5) : illegal case, line 5."},
        {InFunction("int i;\nswitch (i) { case 1: ; default: ; }\nwhile (i) { default: ; }"),
         "t.gs(5) : illegal default, line 5."},
        {InFunction("int i;\nwait () { }\nbreak;"),
         "t.gs(4) : wait statement must have at least 1 on statement, line 4."},
    };
    for (const MessageCase& c : outside) {
        compiler_test::FrontResult result = Check(c.source);
        EXPECT_GT(result.errors, 0) << c.source;
        ASSERT_FALSE(result.lines.empty()) << c.source;
        EXPECT_EQ(result.lines[0], c.message) << c.source;
    }
}

}  // namespace
