// The expression type rules.
#include "script/compiler/type_rules.h"

#include "script/compiler/tree.h"

namespace GSCompiler {

namespace {

bool IsScalar(int32_t t)
{
    return t == TYPE_BOOL || t == TYPE_INT || t == TYPE_FLOAT || t == TYPE_STRING;
}
bool IsNumber(int32_t t)
{
    return t == TYPE_INT || t == TYPE_FLOAT;
}
bool IsUsableArray(int32_t t)
{
    return t >= TYPE_BOOL_ARRAY && t <= TYPE_OBJECT_ARRAY;
}

int32_t Arithmetic(int32_t left, int32_t right)
{
    if (!IsNumber(left) || !IsNumber(right))
        return TYPE_NONE;
    return left == TYPE_INT && right == TYPE_INT ? TYPE_INT : TYPE_FLOAT;
}

bool Comparable(int32_t left, int32_t right)
{
    if (IsScalar(left) && IsScalar(right))
        return true;
    if ((left == TYPE_STRING && right == TYPE_NULL) || (left == TYPE_NULL && right == TYPE_STRING))
        return true;
    bool leftObject = left == TYPE_OBJECT || left == TYPE_NULL;
    bool rightObject = right == TYPE_OBJECT || right == TYPE_NULL;
    if ((left == TYPE_OBJECT || right == TYPE_OBJECT) && leftObject && rightObject)
        return true;
    if (IsUsableArray(left) && (right == left || right == TYPE_NULL))
        return true;
    if (IsUsableArray(right) && left == TYPE_NULL)
        return true;
    return left == TYPE_NULL && right == TYPE_NULL;
}

bool Logical(int32_t t)
{
    return IsScalar(t) || t == TYPE_OBJECT || IsUsableArray(t);
}

}  // namespace

bool IsArrayLike(int32_t type)
{
    return type == TYPE_STRING || IsUsableArray(type);
}

bool IsReference(int32_t type)
{
    return type == TYPE_STRING || type == TYPE_OBJECT || (type >= TYPE_BOOL_ARRAY && type <= TYPE_OBJECT_ARRAY) ||
           type == TYPE_NULL;
}

int32_t UnaryResult(int32_t op, int32_t operand)
{
    switch (op) {
    case OP_POST_DEC:
    case OP_POST_INC:
    case OP_PRE_DEC:
    case OP_PRE_INC:
    case OP_PLUS:
    case OP_NEGATE:
        return IsNumber(operand) ? operand : TYPE_NONE;
    case OP_NOT:
        return IsScalar(operand) || operand == TYPE_OBJECT || IsUsableArray(operand) ? TYPE_BOOL : TYPE_NONE;
    case OP_COMPLEMENT:
        return operand == TYPE_INT ? TYPE_INT : TYPE_NONE;
    default:
        return TYPE_NONE;
    }
}

int32_t BinaryResult(int32_t op, int32_t left, int32_t right)
{
    switch (op) {
    case OP_MUL:
    case OP_DIV:
    case OP_MOD:
    case OP_SUB:
        return Arithmetic(left, right);
    case OP_ADD:
        if (left == TYPE_STRING && IsScalar(right))
            return TYPE_STRING;
        if (right == TYPE_STRING && IsScalar(left))
            return TYPE_STRING;
        return Arithmetic(left, right);
    case OP_SHL:
    case OP_SHR:
    case OP_BIT_AND:
    case OP_BIT_XOR:
    case OP_BIT_OR:
        return left == TYPE_INT && right == TYPE_INT ? TYPE_INT : TYPE_NONE;
    case OP_LT:
    case OP_GT:
    case OP_LE:
    case OP_GE:
    case OP_EQ:
    case OP_NE:
        return Comparable(left, right) ? TYPE_BOOL : TYPE_NONE;
    case OP_AND:
    case OP_OR:
        return Logical(left) && Logical(right) ? TYPE_BOOL : TYPE_NONE;
    default:
        return TYPE_NONE;
    }
}

bool Converts(int32_t target, int32_t source)
{
    switch (target) {
    case TYPE_BOOL:
    case TYPE_INT:
    case TYPE_FLOAT:
        return source == TYPE_BOOL || source == TYPE_INT || source == TYPE_FLOAT;
    case TYPE_STRING:
        return IsScalar(source) || source == TYPE_NULL;
    case TYPE_OBJECT:
        return source == TYPE_OBJECT || source == TYPE_NULL;
    default:
        if (IsUsableArray(target))
            return source == target || source == TYPE_NULL;
        return false;
    }
}

}  // namespace GSCompiler
