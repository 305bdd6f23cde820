// Constant folding of operators whose operands are constants.
#include <cmath>
#include <cstdint>
#include <cstring>

#include "script/compiler/semantic.h"

namespace GSCompiler {

namespace {

bool IsConstantNode(const GSTreeNode* node)
{
    return node != nullptr && node->group == GROUP_EXPRESSION && node->kind == EXPR_CONSTANT;
}

int32_t TypeOfConstant(int32_t kind)
{
    switch (kind) {
    case CONST_BOOL:
        return TYPE_BOOL;
    case CONST_INT:
        return TYPE_INT;
    case CONST_FLOAT:
        return TYPE_FLOAT;
    default:
        return TYPE_STRING;
    }
}

float AsFloat(const GSTreeNode* node)
{
    return node->code == CONST_FLOAT ? node->FloatValue() : static_cast<float>(node->IntValue());
}

uint32_t FloatBits(float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

}  // namespace

void MakeConstant(GSTreeNode* node, int32_t constantKind, uint32_t bits, const char* text)
{
    node->group = GROUP_EXPRESSION;
    node->kind = EXPR_CONSTANT;
    node->code = constantKind;
    for (GSTreeNode*& child : node->child)
        child = nullptr;
    node->bits = bits;
    node->text = text;
    node->resultType = TypeOfConstant(constantKind);
    node->resultClass = nullptr;
    node->flags &= ~FLAG_LVALUE;
}

bool FoldUnary(GSTreeNode* node)
{
    GSTreeNode* operand = node->child[0];
    if (!IsConstantNode(operand) || operand->code == CONST_STRING)
        return false;
    bool isFloat = operand->code == CONST_FLOAT;
    switch (node->code) {
    case OP_PLUS:
        MakeConstant(node, operand->code, operand->bits, nullptr);
        return true;
    case OP_NEGATE:
        if (isFloat) {
            MakeConstant(node, CONST_FLOAT, FloatBits(-operand->FloatValue()), nullptr);
        } else {
            MakeConstant(node, operand->code, 0u - operand->bits, nullptr);
        }
        return true;
    case OP_NOT: {
        bool zero = isFloat ? operand->FloatValue() == 0.0f : operand->bits == 0;
        MakeConstant(node, CONST_BOOL, zero ? 1 : 0, nullptr);
        return true;
    }
    case OP_COMPLEMENT:
        if (operand->code != CONST_INT)
            return false;
        MakeConstant(node, CONST_INT, ~operand->bits, nullptr);
        return true;
    default:
        return false;
    }
}

bool FoldBinary(GSTreeNode* node)
{
    GSTreeNode* left = node->child[0];
    GSTreeNode* right = node->child[1];
    if (!IsConstantNode(left) || !IsConstantNode(right))
        return false;
    // Texts are not folded: "+" keeps its string result for run time, and
    // comparisons of texts are not comparisons of their addresses.
    if (left->code == CONST_STRING || right->code == CONST_STRING)
        return false;
    int32_t op = node->code;
    bool bothInt = left->code != CONST_FLOAT && right->code != CONST_FLOAT;
    uint32_t a = left->bits;
    uint32_t b = right->bits;
    int32_t sa = left->IntValue();
    int32_t sb = right->IntValue();
    switch (op) {
    case OP_MUL:
    case OP_DIV:
    case OP_MOD:
    case OP_ADD:
    case OP_SUB: {
        if (left->code == CONST_BOOL || right->code == CONST_BOOL)
            return false;
        if (bothInt) {
            uint32_t value = 0;
            if (op == OP_DIV || op == OP_MOD) {
                // Left for run time: a constant division by zero, and the one
                // quotient that does not fit (INT_MIN / -1).
                if (sb == 0 || (sa == INT32_MIN && sb == -1))
                    return false;
                value = static_cast<uint32_t>(op == OP_DIV ? sa / sb : sa % sb);
            } else if (op == OP_MUL) {
                value = a * b;
            } else if (op == OP_ADD) {
                value = a + b;
            } else {
                value = a - b;
            }
            MakeConstant(node, CONST_INT, value, nullptr);
            return true;
        }
        float x = AsFloat(left);
        float y = AsFloat(right);
        float value = op == OP_MUL   ? x * y
                      : op == OP_DIV ? x / y
                      : op == OP_MOD ? std::fmod(x, y)
                      : op == OP_ADD ? x + y
                                     : x - y;
        MakeConstant(node, CONST_FLOAT, FloatBits(value), nullptr);
        return true;
    }
    case OP_SHL:
    case OP_SHR:
    case OP_BIT_AND:
    case OP_BIT_XOR:
    case OP_BIT_OR: {
        if (left->code != CONST_INT || right->code != CONST_INT)
            return false;
        uint32_t value = 0;
        if (op == OP_SHL)
            value = a << (b & 31);
        if (op == OP_SHR)
            value = static_cast<uint32_t>(sa >> (b & 31));  // keeps the sign
        if (op == OP_BIT_AND)
            value = a & b;
        if (op == OP_BIT_XOR)
            value = a ^ b;
        if (op == OP_BIT_OR)
            value = a | b;
        MakeConstant(node, CONST_INT, value, nullptr);
        return true;
    }
    case OP_LT:
    case OP_GT:
    case OP_LE:
    case OP_GE:
    case OP_EQ:
    case OP_NE: {
        bool result = false;
        if (bothInt) {
            result = op == OP_LT   ? sa < sb
                     : op == OP_GT ? sa > sb
                     : op == OP_LE ? sa <= sb
                     : op == OP_GE ? sa >= sb
                     : op == OP_EQ ? sa == sb
                                   : sa != sb;
        } else {
            float x = AsFloat(left);
            float y = AsFloat(right);
            result = op == OP_LT   ? x < y
                     : op == OP_GT ? x > y
                     : op == OP_LE ? x <= y
                     : op == OP_GE ? x >= y
                     : op == OP_EQ ? x == y
                                   : x != y;
        }
        MakeConstant(node, CONST_BOOL, result ? 1 : 0, nullptr);
        return true;
    }
    case OP_AND:
        MakeConstant(node, CONST_BOOL, (a != 0 && b != 0) ? 1 : 0, nullptr);
        return true;
    case OP_OR:
        MakeConstant(node, CONST_BOOL, (a != 0 || b != 0) ? 1 : 0, nullptr);
        return true;
    default:
        return false;
    }
}

}  // namespace GSCompiler
