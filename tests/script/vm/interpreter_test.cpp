// The interpreter run on compiled scripts: arithmetic, strings, arrays,
// objects and calls give the instruction set's results, and every failure
// ends the run with its report, an unwound stack and a failed call.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "script_world.h"

namespace {

using GSRuntime::Slot;
using vm_test::LogCapture;

constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
constexpr int32_t kMax = std::numeric_limits<int32_t>::max();

Slot I(int32_t value)
{
    return Slot::FromInt(value);
}

Slot F(float value)
{
    return Slot::FromFloat(value);
}

uint32_t Bits(float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// One method per case: "public RET Mi(PARAMS) { BODY }", on line i + 3 after
// the extra classes.
struct Case {
    const char* ret;
    const char* params;
    const char* body;
    std::vector<Slot> args;
    uint32_t expected;  // the result's 32 bits
};

std::string MethodsSource(const std::vector<Case>& cases, const std::string& extra = "")
{
    std::string source = "include \"gs.gs\"\n" + extra + "class Calc isclass GameObject {\n";
    for (size_t i = 0; i < cases.size(); ++i) {
        source += std::string("  public ") + cases[i].ret + " M" + std::to_string(i) + "(" + cases[i].params + ") { " +
                  cases[i].body + " }\n";
    }
    return source + "};\n";
}

std::string Signature(const Case& c, size_t i)
{
    std::string params;
    for (const char* at = c.params; *at != '\0';) {
        const char* space = std::strchr(at, ' ');
        const char* comma = std::strchr(at, ',');
        if (!params.empty())
            params += ",";
        params.append(at, space);
        if (comma == nullptr)
            break;
        at = comma + 1;
        while (*at == ' ')
            ++at;
    }
    return std::string("$") + c.ret + "@Calc::M" + std::to_string(i) + "(" + params + ")";
}

class Interpreter : public vm_test::ScriptWorld {
protected:
    void RunTable(const std::vector<Case>& cases, const std::string& extra = "")
    {
        ASSERT_TRUE(Build(MethodsSource(cases, extra)));
        GSRuntime::GSObject* calc = Make("Calc");
        for (size_t i = 0; i < cases.size(); ++i) {
            Slot result = Slot::FromInt(0);
            ASSERT_TRUE(Call(calc, Signature(cases[i], i), cases[i].args, &result)) << cases[i].body;
            EXPECT_EQ(result.AsWord(), cases[i].expected) << cases[i].body << " = " << result.AsInt();
        }
    }
};

TEST_F(Interpreter, IntegerArithmeticWrapsAndFollowsItsRules)
{
    const std::vector<Case> cases = {
        {"int", "int a, int b", "return a + b;", {I(kMax), I(1)}, uint32_t(kMin)},
        {"int", "int a, int b", "return a - b;", {I(kMin), I(1)}, uint32_t(kMax)},
        {"int", "int a, int b", "return a * b;", {I(65536), I(65537)}, 65536},
        {"int", "int a, int b", "return a / b;", {I(-7), I(2)}, uint32_t(-3)},
        {"int", "int a, int b", "return a % b;", {I(-7), I(2)}, uint32_t(-1)},
        {"int", "int a, int b", "return a / b;", {I(kMin), I(-1)}, uint32_t(kMin)},
        {"int", "int a, int b", "return a % b;", {I(kMin), I(-1)}, 0},
        {"int", "int a", "return -a;", {I(kMin)}, uint32_t(kMin)},
        {"int", "int a", "a++; return a;", {I(kMax)}, uint32_t(kMin)},
        {"int", "int a", "a--; return a;", {I(kMin)}, uint32_t(kMax)},
        {"int", "int a, int b", "return a << b;", {I(1), I(33)}, 2},
        {"int", "int a, int b", "return a >> b;", {I(-1), I(28)}, 15},
        {"int", "int a, int b", "return a & b;", {I(12), I(10)}, 8},
        {"int", "int a, int b", "return a | b;", {I(12), I(10)}, 14},
        {"int", "int a, int b", "return a ^ b;", {I(12), I(10)}, 6},
        {"int", "int a", "return ~a;", {I(0)}, uint32_t(-1)},
        {"bool", "int a, int b", "return a > b;", {I(kMax), I(-1)}, 1},
        {"bool", "int a, int b", "return a < b;", {I(kMin), I(1)}, 1},
        {"bool", "int a, int b", "return a <= b;", {I(3), I(3)}, 1},
        {"bool", "int a, int b", "return a >= b;", {I(2), I(3)}, 0},
        {"bool", "int a, int b", "return a == b;", {I(3), I(3)}, 1},
        {"bool", "int a, int b", "return a != b;", {I(3), I(3)}, 0},
        {"bool", "int a, int b", "return a and b;", {I(3), I(0)}, 0},
        {"int", "int a, int b", "if (a or b) return 1; return 0;", {I(0), I(5)}, 1},
        {"bool", "int a", "return !a;", {I(0)}, 1},
        {"float", "int a", "return (float)a;", {I(-3)}, Bits(-3.0f)},
        {"int",
         "int a",
         "switch (a) { case -5: return 1; case 0: return 2; case 7: return 3; default: return 4; } return 0;",
         {I(-5)},
         1},
        {"int",
         "int a",
         "switch (a) { case -5: return 1; case 0: return 2; case 7: return 3; default: return 4; } return 0;",
         {I(7)},
         3},
        {"int",
         "int a",
         "switch (a) { case -5: return 1; case 0: return 2; case 7: return 3; default: return 4; } return 0;",
         {I(3)},
         4},
        {"int",
         "int a",
         "int i; int t = 0; for (i = 0; i < a; i++) { if (i == 2) continue; t = t + i; } return t;",
         {I(5)},
         8},
        {"int", "int a", "int t = 0; while (a > 0) { a--; t = t + 2; if (t > 6) break; } return t;", {I(10)}, 8},
    };
    RunTable(cases);
}

TEST_F(Interpreter, FloatArithmeticFollowsItsRules)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const std::vector<Case> cases = {
        {"float", "float a, float b", "return a + b;", {F(1.5f), F(2.25f)}, Bits(3.75f)},
        {"float", "float a, float b", "return a - b;", {F(1.5f), F(2.25f)}, Bits(-0.75f)},
        {"float", "float a, float b", "return a * b;", {F(1.5f), F(2.0f)}, Bits(3.0f)},
        {"float", "float a, float b", "return a / b;", {F(1.0f), F(-0.0f)}, Bits(-INFINITY)},
        {"float", "float a, float b", "return a / b;", {F(1.0f), F(4.0f)}, Bits(0.25f)},
        {"float", "float a", "return -a;", {F(0.0f)}, Bits(-0.0f)},
        {"float", "float a", "a++; return a;", {F(1.5f)}, Bits(2.5f)},
        {"int", "float a", "return (int)a;", {F(2.9f)}, 2},
        {"int", "float a", "return (int)a;", {F(-2.9f)}, uint32_t(-2)},
        {"int", "float a", "return (int)a;", {F(3.0e9f)}, uint32_t(kMin)},
        {"int", "float a", "return (int)a;", {F(nan)}, uint32_t(kMin)},
        {"bool", "float a, float b", "return a == b;", {F(nan), F(1.0f)}, 1},
        {"bool", "float a, float b", "return a < b;", {F(-1.0f), F(1.0f)}, 1},
        {"bool", "float a", "return !a;", {F(-0.0f)}, 0},
        {"bool", "float a", "return !a;", {F(0.0f)}, 1},
    };
    RunTable(cases);
}

TEST_F(Interpreter, StringsFollowTheirRules)
{
    struct StringCase {
        const char* body;
        const char* expected;
    };
    const StringCase cases[] = {
        {"return \"ab\" + 12;", "ab12"},
        {"return \"f\" + 1.5;", "f1.500000"},
        {"return \"b\" + true;", "btrue"},
        {"string s = \"abcdef\"; return s[1, 3];", "bc"},
        {"string s = \"abc\"; return s[-5, 100];", "abc"},
        {"string s = \"ab\"; s[4] = 'x'; return s;", "ab  x"},
        {"string s = \"ab\"; s[1] = 'x'; return s;", "ax"},
        {"string s = \"abcdef\"; s[1, 3] = \"XYZ\"; return s;", "aXYZdef"},
        {"string s = \"abcdef\"; s[1, 3] = null; return s;", "adef"},
        {"string s = \"abc\"; string n = null; return s + n;", "abc"},
        {"string n = null; return n + n;", ""},
        {"string s = \"a\"; s[0] = 233; return \"\" + s[0];", "-23"},
        {"string a = \"apple\"; if (a < \"banana\") return \"less\"; return \"more\";", "less"},
        {"string n = null; if (n == \"\") return \"equal\"; return \"differ\";", "equal"},
        {"string n = null; if (n < \"a\") return \"less\"; return \"not\";", "less"},
        {"string n = null; if (\"a\" > n) return \"more\"; return \"not\";", "more"},
        {"return Str.Find(\"a,b,x\", \"x\", 0) + \"\";", "4"},
    };
    std::string source = "include \"gs.gs\"\nclass Texts {\n";
    for (size_t i = 0; i < std::size(cases); ++i)
        source += "  public string S" + std::to_string(i) + "() { " + cases[i].body + " }\n";
    source += "};\n";
    ASSERT_TRUE(Build(source));
    GSRuntime::GSObject* texts = Make("Texts");
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(CallString(texts, "$string@Texts::S" + std::to_string(i) + "()"), cases[i].expected) << cases[i].body;
}

TEST_F(Interpreter, ArraysAndObjectsFollowTheirRules)
{
    const std::string extra =
        "class Base { public int v = 1; public int Value() { return v; } public int Twice() { return 2 * Value(); } "
        "};\n"
        "class Other { public int w; };\n"
        "class Derived isclass Other, Base { public int Value() { return 10 + inherited(); } };\n";
    const std::vector<Case> cases = {
        {"int", "int a", "int[] x = new int[0]; x[10] = a; return x.size() * 100 + x[10] + x[9];", {I(5)}, 1105},
        {"int",
         "int a",
         "int[] x = new int[3]; x[0] = 1; x[1] = 2; x[2] = 3; int[] y = x[-5, 100]; return y.size();",
         {I(0)},
         3},
        {"int", "int a", "int[] x = new int[5]; x[0] = 7; x[1, 3] = null; return x.size() * 10 + x[0];", {I(0)}, 37},
        {"int", "int a", "int[] x = new int[2]; x[1] = 9; int[] y = new int[0]; y.copy(x); return y[1];", {I(0)}, 9},
        {"int",
         "int a",
         "string[] s = new string[2]; s[0] = \"a\"; s[1] = s[0] + \"b\"; string[] t = s[1, 2]; return t[0].size();",
         {I(0)},
         2},
        {"int", "int a", "Base b = new Derived(); return b.Twice();", {I(0)}, 22},
        {"int", "int a", "Base b = new Base(); return b.Twice();", {I(0)}, 2},
        {"bool", "int a", "Base b = new Derived(); return b.isclass(Other);", {I(0)}, 1},
        {"bool", "int a", "Base b = new Base(); return b.isclass(Derived);", {I(0)}, 0},
        {"bool", "int a", "Base b = new Derived(); Derived d = cast<Derived>(b); return d != null;", {I(0)}, 1},
        {"bool", "int a", "Base b = new Base(); Derived d = cast<Derived>(b); return d == null;", {I(0)}, 1},
        {"bool",
         "int a",
         "Derived d = new Derived(); Base b = d; Other o = d; return (object)b == (object)o;",
         {I(0)},
         1},
        {"int", "int a", "Base b = new Base(); b.v = a; return b.Value();", {I(42)}, 42},
        {"bool", "int a", "Calc c = new Calc(); return c.GetId() > 0;", {I(0)}, 1},
    };
    RunTable(cases, extra);
}

// A failure of each kind: the report names the code, the line and the file;
// the stack is dumped and unwound; the call fails; nothing stays alive.
TEST_F(Interpreter, EveryFailureEndsTheRunWithItsReport)
{
    const std::string extra = "class Plain { public int v; public int Get() { return v; } };\n"
                              "class Counter { public int Deep(int a) { return Deep(a + 1) + 1; } };\n"
                              "class Fancy isclass Plain { public int w; };\n";
    struct Failure {
        Case c;
        const char* code;
        int line = 0;  // 0: the case's own method
    };
    const std::vector<Failure> failures = {
        {{"int", "int a, int b", "return a / b;", {I(1), I(0)}, 0}, "ER_DivideByZero"},
        {{"int", "int a, int b", "return a % b;", {I(1), I(0)}, 0}, "ER_DivideByZero"},
        {{"float", "float a, float b", "return a / b;", {F(1.0f), F(0.0f)}, 0}, "ER_DivideByZero"},
        {{"int", "int a", "int[] x; return x[0];", {I(0)}, 0}, "ER_NullArrayReference"},
        {{"int", "int a", "int[] x = new int[2]; return x[a];", {I(5)}, 0}, "ER_ArrayOutOfBounds"},
        {{"int", "int a", "int[] x = new int[2]; x[a] = 1; return 0;", {I(-1)}, 0}, "ER_ArrayOutOfBounds"},
        {{"int", "int a", "int[] x = new int[4]; int[] y = x[3, a]; return 0;", {I(1)}, 0}, "ER_ArrayOutOfBounds"},
        {{"int", "int a", "string s; return s[0];", {I(0)}, 0}, "ER_NullStringReference"},
        {{"int", "int a", "string s = \"ab\"; return s[a];", {I(2)}, 0}, "ER_StringOutOfBounds"},
        {{"int", "int a", "Plain p; return p.Get();", {I(0)}, 0}, "ER_NullReference"},
        {{"int", "int a", "Plain p; return p.v;", {I(0)}, 0}, "ER_NullReference"},
        {{"int", "int a", "Plain p = new Plain(); Fancy f = cast<Fancy>(p); return f.Get();", {I(0)}, 0},
         "ER_NullReference"},
        {{"int", "int a", "Counter c = new Counter(); return c.Deep(a);", {I(0)}, 0}, "ER_StackOverflow", 3},
        {{"int", "int a", "while (true) { a++; } return a;", {I(0)}, 0}, "ER_Timeout"},
        {{"int", "int a", "SendMessage(me, null, \"x\"); return 0;", {I(0)}, 0}, "ER_Exception"},
        {{"int", "int a", "Sleep(1.0); return 0;", {I(0)}, 0}, ""},
        {{"int", "int a", "wait () { on \"Ping\", \"\": return 1; } return 0;", {I(0)}, 0}, "ER_ThreadError"},
        {{"int", "int a", "return Missing(a);", {I(0)}, 0}, "ER_NativeCallError"},
    };
    std::vector<Case> cases;
    for (const Failure& failure : failures)
        cases.push_back(failure.c);
    std::string source = MethodsSource(cases, extra);
    const std::string head = "class Calc isclass GameObject {\n";
    source.insert(source.find(head) + head.size(), "  public native int Missing(int a);\n");
    ASSERT_TRUE(Build(source));
    GSRuntime::GSObject* calc = Make("Calc");
    for (size_t i = 0; i < failures.size(); ++i) {
        LogCapture log;
        Slot result = Slot::FromInt(0);
        const bool ok = Call(calc, Signature(cases[i], i), cases[i].args, &result);
        if (failures[i].code[0] == '\0') {
            // Sleeping on the main thread does nothing.
            EXPECT_TRUE(ok) << cases[i].body;
            continue;
        }
        EXPECT_FALSE(ok) << cases[i].body;
        const std::string report = std::string("Thread Exception: ") + failures[i].code + ", line " +
                                   std::to_string(failures[i].line != 0 ? failures[i].line : int(i) + 7) +
                                   ", file test.gs";
        EXPECT_TRUE(log.Contains(report)) << cases[i].body << "\n" << (log.Taken().empty() ? "" : log.Taken()[0]);
        EXPECT_TRUE(log.Contains("Stack Dump...")) << cases[i].body;
        GSRuntime::GSThread* main = GSMachine::Get()->MainThread();
        EXPECT_EQ(main->Stack().TopIndex(), -1) << cases[i].body;
        EXPECT_EQ(main->Stack().CurrentFrame(), nullptr) << cases[i].body;
    }
}

}  // namespace
