// The compiler and the machine check each other: a constant expression that
// the compiler folds must give what the same operator gives when the machine
// runs it on the same operands, except for the divergences the language
// keeps (">>" folds arithmetic but runs logical).
#include <gtest/gtest.h>

#include <cstring>
#include <limits>

#include "script/common/disassembler.h"
#include "script_world.h"

namespace {

using GSRuntime::Slot;

constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
constexpr int32_t kMax = std::numeric_limits<int32_t>::max();

// How a literal operand is written so that the compiler sees a constant
// (INT_MIN has no literal of its own).
std::string IntLiteral(int32_t value)
{
    if (value == kMin)
        return "(-2147483647 - 1)";
    return value < 0 ? "(" + std::to_string(value) + ")" : std::to_string(value);
}

std::string FloatLiteral(float value)
{
    // Plain decimals (the operands are exact in a few digits).
    char text[64];
    std::snprintf(text, sizeof text, "%.10f", double(value));
    std::string literal = text;
    while (literal.back() == '0' && literal[literal.size() - 2] != '.')
        literal.pop_back();
    return value < 0 ? "(" + literal + ")" : literal;
}

struct Pair {
    std::string op;
    std::string a;  // literal text
    std::string b;
    Slot left;
    Slot right;
    bool isFloat;
};

class Folding : public vm_test::ScriptWorld {};

TEST_F(Folding, FoldedConstantsMatchTheMachineExceptShiftRight)
{
    const int32_t ints[] = {0, 1, -1, 7, -7, 31, 33, 1000, kMax, kMin};
    const char* intOps[] = {"+", "-", "*", "/", "%", "&", "|", "^", "<<", ">>", "<", "<=", ">", ">=", "==", "!="};
    const float floats[] = {0.0f, 1.5f, -2.25f, 16777216.0f, -0.0009765625f};
    const char* floatOps[] = {"+", "-", "*", "/", "<", "<=", ">", ">=", "==", "!="};
    std::vector<Pair> pairs;
    for (const char* op : intOps) {
        for (int32_t a : ints) {
            for (int32_t b : ints) {
                // Division by zero is left to run time, where it fails on both sides.
                if ((std::strcmp(op, "/") == 0 || std::strcmp(op, "%") == 0) && b == 0)
                    continue;
                pairs.push_back({op, IntLiteral(a), IntLiteral(b), Slot::FromInt(a), Slot::FromInt(b), false});
            }
        }
    }
    for (const char* op : floatOps) {
        for (float a : floats) {
            for (float b : floats) {
                if (std::strcmp(op, "/") == 0 && b == 0.0f)
                    continue;
                pairs.push_back({op, FloatLiteral(a), FloatLiteral(b), Slot::FromFloat(a), Slot::FromFloat(b), true});
            }
        }
    }
    auto isCompare = [](const std::string& op) {
        return op.find_first_of("<>=!") != std::string::npos && op != "<<" && op != ">>";
    };
    std::string source = "class Fold {\n";
    std::vector<std::string> runOps;
    for (size_t i = 0; i < pairs.size(); ++i) {
        const Pair& p = pairs[i];
        const std::string type = isCompare(p.op) ? "bool" : (p.isFloat ? "float" : "int");
        source +=
            "  public " + type + " F" + std::to_string(i) + "() { return " + p.a + " " + p.op + " " + p.b + "; }\n";
    }
    for (const char* op : intOps)
        runOps.push_back(std::string("i") + op);
    for (const char* op : floatOps)
        runOps.push_back(std::string("f") + op);
    for (size_t k = 0; k < runOps.size(); ++k) {
        const std::string op = runOps[k].substr(1);
        const bool isFloat = runOps[k][0] == 'f';
        const std::string operand = isFloat ? "float" : "int";
        const std::string type = isCompare(op) ? "bool" : operand;
        source += "  public " + type + " G" + std::to_string(k) + "(" + operand + " a, " + operand + " b) { return a " +
                  op + " b; }\n";
    }
    source += "};\n";
    ASSERT_TRUE(Build(source));
    GSRuntime::GSObject* fold = Make("Fold");
    int divergences = 0;
    for (size_t i = 0; i < pairs.size(); ++i) {
        const Pair& p = pairs[i];
        const std::string type = isCompare(p.op) ? "bool" : (p.isFloat ? "float" : "int");
        const std::string operand = p.isFloat ? "float" : "int";
        size_t k = 0;
        while (runOps[k] != (p.isFloat ? "f" : "i") + p.op)
            ++k;
        // Folded: nothing but a constant and the return; INT_MIN / -1 is
        // left to the machine, which wraps it.
        const bool leftToRunTime =
            !p.isFloat && (p.op == "/" || p.op == "%") && p.left.AsInt() == kMin && p.right.AsInt() == -1;
        const std::string foldedSignature = "$" + type + "@Fold::F" + std::to_string(i) + "()";
        const GSRuntime::GSFunction& function =
            Class("Fold")->Function(static_cast<uint32_t>(Class("Fold")->FindFunction(foldedSignature)));
        for (uint32_t at = 0; at < function.codeLength;) {
            DecodedInstruction instruction;
            ASSERT_TRUE(DecodeInstruction(function.code, function.codeLength, at, &instruction));
            EXPECT_TRUE(leftToRunTime || instruction.opcode == OP_PushInt || instruction.opcode == OP_PushTrue ||
                        instruction.opcode == OP_PushFalse || instruction.opcode == OP_ReturnValue)
                << p.a << p.op << p.b << ": " << FormatInstruction(instruction);
            at += instruction.length;
        }
        Slot folded = Slot::FromInt(0);
        Slot run = Slot::FromInt(0);
        ASSERT_TRUE(Call(fold, foldedSignature, {}, &folded)) << p.a << p.op << p.b;
        ASSERT_TRUE(Call(fold, "$" + type + "@Fold::G" + std::to_string(k) + "(" + operand + "," + operand + ")",
                         {p.left, p.right}, &run))
            << p.a << p.op << p.b;
        // Both sides are 0 or 1 for a comparison, the 32 bits otherwise.
        const uint32_t foldedBits = type == "bool" ? uint32_t(folded.AsInt() != 0) : folded.AsWord();
        const uint32_t runBits = type == "bool" ? uint32_t(run.AsInt() != 0) : run.AsWord();
        const bool shiftRightOfNegative = p.op == ">>" && p.left.AsInt() < 0 && (p.right.AsInt() & 31) != 0;
        if (shiftRightOfNegative) {
            // Folding shifts in the sign, the machine shifts in zeros.
            EXPECT_EQ(foldedBits, uint32_t(p.left.AsInt() >> (p.right.AsInt() & 31))) << p.a << p.op << p.b;
            EXPECT_EQ(runBits, p.left.AsWord() >> (p.right.AsInt() & 31)) << p.a << p.op << p.b;
            ++divergences;
            continue;
        }
        EXPECT_EQ(foldedBits, runBits) << p.a << " " << p.op << " " << p.b;
    }
    EXPECT_GT(divergences, 0);
}

}  // namespace
