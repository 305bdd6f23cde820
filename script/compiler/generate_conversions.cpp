// Code generation of type conversions and of comparisons (which convert
// both operands to their common type first).
#include <cstring>

#include "script/common/opcodes.h"
#include "script/compiler/code_generator.h"

namespace GSCompiler {

namespace {

bool SameClass(const char* a, const char* b)
{
    if (a == nullptr || b == nullptr)
        return a == b;
    return std::strcmp(a, b) == 0;
}

enum class CompareKind { Int, Float, String, Reference };

CompareKind CommonType(int32_t left, int32_t right)
{
    if (left == TYPE_STRING || right == TYPE_STRING)
        return CompareKind::String;
    if (left == TYPE_FLOAT || right == TYPE_FLOAT)
        return CompareKind::Float;
    if (left == TYPE_OBJECT || (left >= TYPE_BOOL_ARRAY && left <= TYPE_OBJECT_ARRAY) || left == TYPE_NULL) {
        return CompareKind::Reference;
    }
    return CompareKind::Int;
}

// A string comparison reports an operand without a string form but goes on;
// the reported error still fails the compilation.
void ConvertCompareOperand(CodeGenerator& g, CodeEmitter* emitter, CompareKind kind, int32_t type, int line)
{
    if (kind == CompareKind::String && !ConvertToString(emitter, type)) {
        g.ReportOnly(line, "Compiler error GECTS");
    } else if (kind == CompareKind::Float && type != TYPE_FLOAT) {
        emitter->Emit(OP_IntToFloat);
    }
}

uint8_t CompareOpcode(CompareKind kind)
{
    switch (kind) {
    case CompareKind::Float:
        return OP_CmpFloat;
    case CompareKind::String:
        return OP_StringCompare;
    case CompareKind::Reference:
        return OP_RefNotEqual;
    default:
        return OP_CmpInt;
    }
}

uint8_t TestOpcode(int32_t code)
{
    switch (code) {
    case OP_LT:
        return OP_Less;
    case OP_GT:
        return OP_Greater;
    case OP_LE:
        return OP_LessEqual;
    case OP_GE:
        return OP_GreaterEqual;
    case OP_EQ:
        return OP_Not;
    default:
        return OP_ToBool;
    }
}

}  // namespace

bool ConvertToString(CodeEmitter* emitter, int32_t type)
{
    switch (type) {
    case TYPE_BOOL:
        emitter->Emit(OP_BoolToString);
        return true;
    case TYPE_INT:
        emitter->Emit(OP_IntToString);
        return true;
    case TYPE_FLOAT:
        emitter->Emit(OP_FloatToString);
        return true;
    case TYPE_STRING:
    case TYPE_NULL:
        return true;
    default:
        return false;
    }
}

// Object types are equal only with equal classes: a reference points at the
// member block of its static class, so a view of another class (a base as
// well as a derived one) must go through OP_Cast.
bool Convert(CodeGenerator& g, CodeEmitter* emitter, int32_t fromType, const char* fromClass, int32_t toType,
             const char* toClass, int line)
{
    if (toType == TYPE_STRING) {
        if (ConvertToString(emitter, fromType))
            return true;
        g.Error(line, "Compiler error GECTS");
        return false;
    }
    if (fromType == toType && (fromType != TYPE_OBJECT || toClass == nullptr || SameClass(fromClass, toClass))) {
        return true;
    }
    if ((fromType == TYPE_BOOL || fromType == TYPE_INT) && toType == TYPE_FLOAT) {
        emitter->Emit(OP_IntToFloat);
    } else if (fromType == TYPE_FLOAT && (toType == TYPE_INT || toType == TYPE_BOOL)) {
        emitter->Emit(OP_FloatToInt);
    } else if (fromType == TYPE_OBJECT && toType == TYPE_OBJECT && toClass != nullptr) {
        if (!g.EmitClassReference(emitter, OP_Cast, toClass, line))
            return false;
    }
    return true;
}

Step GenerateComparison(CodeGenerator& g, GenerateFrame& frame)
{
    GSTreeNode* node = frame.node;
    CodeEmitter* emitter = frame.target;
    if (frame.phase == 0)
        return g.Visit(frame, 1, node->child[0]);
    const int32_t left = LastOf(node->child[0])->resultType;
    const int32_t right = LastOf(node->child[1])->resultType;
    const CompareKind kind = CommonType(left, right);
    if (frame.phase == 1) {
        ConvertCompareOperand(g, emitter, kind, left, node->line);
        return g.Visit(frame, 2, node->child[1]);
    }
    ConvertCompareOperand(g, emitter, kind, right, node->line);
    emitter->Emit(CompareOpcode(kind));
    emitter->Emit(TestOpcode(node->code));
    return Step::Done;
}

}  // namespace GSCompiler
