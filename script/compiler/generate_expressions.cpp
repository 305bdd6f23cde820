// Code generation of expressions: constants, names, calls and the operators
// that compute values (stores and increments are in generate_stores.cpp).
#include <cstring>

#include "script/common/opcodes.h"
#include "script/compiler/code_generator.h"
#include "script/compiler/symbols.h"
#include "script/compiler/type_names.h"
#include "script/compiler/type_rules.h"

namespace GSCompiler {

namespace {

Step GenerateConstant(CodeGenerator& g, GenerateFrame& frame)
{
    GSTreeNode* node = frame.node;
    CodeEmitter* emitter = frame.target;
    switch (node->code) {
    case CONST_BOOL:
        if (node->bits > 1)
            return g.Error(node->line, "Compiler error GEC");
        emitter->Emit(node->bits == 0 ? OP_PushFalse : OP_PushTrue);
        return Step::Done;
    case CONST_INT:
        // 0 and 1 have one-byte forms.
        if (node->bits == 0) {
            emitter->Emit(OP_PushFalse);
        } else if (node->bits == 1) {
            emitter->Emit(OP_PushTrue);
        } else {
            emitter->EmitI32(OP_PushInt, node->IntValue());
        }
        return Step::Done;
    case CONST_FLOAT:
        emitter->EmitFloat(node->FloatValue());
        return Step::Done;
    case CONST_STRING: {
        uint16_t index = 0;
        if (!g.StringIndex(node->text, node->line, &index))
            return Step::Fail;
        emitter->EmitU16(OP_PushString, index);
        return Step::Done;
    }
    default:
        return Step::Fail;
    }
}

Step GenerateIdentifier(CodeGenerator& g, GenerateFrame& frame)
{
    GSTreeNode* node = frame.node;
    CodeEmitter* emitter = frame.target;
    const bool reference = IsReference(node->resultType);
    if ((node->flags & MOD_STATIC) && node->resultType == TYPE_OBJECT) {
        if (!g.EmitClassReference(emitter, OP_PushStatic, node->resultClass, node->line))
            return Step::Fail;
        return Step::Done;
    }
    if (node->flags & FLAG_NO_STORAGE) {
        if (!g.FitsU16(node->slot, "local variables in function", node->line))
            return Step::Fail;
        emitter->EmitU16(reference ? OP_LoadLocalRef : OP_LoadLocal, static_cast<uint16_t>(node->slot));
        return Step::Done;
    }
    if (!g.FitsU16(node->slot, "members in class", node->line))
        return Step::Fail;
    emitter->EmitU16(reference ? OP_GetOwnMemberRef : OP_GetOwnMember, static_cast<uint16_t>(node->slot));
    return Step::Done;
}

uint32_t CountList(const GSTreeNode* node)
{
    uint32_t count = 0;
    for (; node != nullptr; node = node->next)
        ++count;
    return count;
}

// The receiver (the object of a member callee, else this), the arguments, the call.
Step GenerateCall(CodeGenerator& g, GenerateFrame& frame)
{
    GSTreeNode* node = frame.node;
    GSTreeNode* callee = node->child[0];
    CodeEmitter* emitter = frame.target;
    if (callee == nullptr)
        return Step::Fail;
    const bool member = callee->IsOperator(OP_MEMBER);
    switch (frame.phase) {
    case 0:
        if (member)
            return g.VisitSingle(frame, 1, callee);
        emitter->EmitU16(OP_LoadLocalRef, 0);
        return g.Visit(frame, 2, node->child[1]);
    case 1:
        return g.Visit(frame, 2, node->child[1]);
    default:
        break;
    }
    const int64_t words = 1 + int64_t(CountList(node->child[1]));
    if (!g.FitsI16(1 - words, "arguments in call", node->line))
        return Step::Fail;
    const uint16_t offset = static_cast<uint16_t>(static_cast<int16_t>(1 - words));
    const char* name = CalledName(node);
    if (!member && name != nullptr && std::strcmp(name, "inherited") == 0) {
        emitter->EmitU16(OP_CallInherited, offset);
    } else {
        if (!g.FitsU16(node->slot, "methods in class", node->line))
            return Step::Fail;
        const uint8_t opcode = (node->flags & MOD_NATIVE)   ? OP_CallNative
                               : (node->flags & MOD_THREAD) ? OP_StartThread
                                                            : OP_Call;
        emitter->EmitTwo(opcode, offset, static_cast<uint16_t>(node->slot));
    }
    emitter->AdjustDepth((node->resultType != TYPE_VOID ? 1 : 0) - static_cast<int32_t>(words));
    return Step::Done;
}

bool IsCallee(const GSTreeNode* node)
{
    return (node->flags & FLAG_CALLEE) != 0;
}

// object . member: as a callee only the object (the receiver of the call).
Step GenerateMemberRead(CodeGenerator& g, GenerateFrame& frame)
{
    GSTreeNode* node = frame.node;
    if (frame.phase == 0)
        return g.VisitPrefix(frame, 1, node);
    if (IsCallee(node))
        return Step::Done;
    if (!g.FitsU16(node->slot, "members in class", node->line))
        return Step::Fail;
    frame.target->EmitU16(IsReference(node->resultType) ? OP_GetMemberRef : OP_GetMember,
                          static_cast<uint16_t>(node->slot));
    return Step::Done;
}

// container [i] and container [s, e]: the prefix of a store, then the read.
Step GenerateElementRead(CodeGenerator& g, GenerateFrame& frame)
{
    GSTreeNode* node = frame.node;
    if (frame.phase == 0)
        return g.VisitPrefix(frame, 1, node);
    const GSTreeNode* container = LastOf(node->child[0]);
    CodeEmitter* emitter = frame.target;
    if (node->code == OP_INDEX) {
        if (container->resultType == TYPE_STRING) {
            emitter->Emit(OP_StringGetChar);
        } else {
            emitter->Emit(IsReference(node->resultType) ? OP_ArrayGetRef : OP_ArrayGet);
        }
    } else if (node->resultType == TYPE_STRING) {
        emitter->Emit(OP_StringSlice);
    } else {
        const bool references = node->resultType == TYPE_STRING_ARRAY || node->resultType == TYPE_OBJECT_ARRAY;
        emitter->Emit(references ? OP_RefArraySlice : OP_ArraySlice);
    }
    return Step::Done;
}

Step GenerateUnary(CodeGenerator& g, GenerateFrame& frame)
{
    GSTreeNode* node = frame.node;
    if (frame.phase == 0)
        return g.Visit(frame, 1, node->child[0]);
    CodeEmitter* emitter = frame.target;
    const int32_t operand = LastOf(node->child[0])->resultType;
    switch (node->code) {
    case OP_NEGATE:
        if (node->resultType == TYPE_INT) {
            emitter->Emit(OP_NegInt);
        } else if (node->resultType == TYPE_FLOAT) {
            emitter->Emit(OP_NegFloat);
        } else {
            return g.Error(node->line, "Compiler error GEOUM");
        }
        break;
    case OP_NOT:
        emitter->Emit(operand == TYPE_BOOL || operand == TYPE_INT ? OP_Not
                      : operand == TYPE_FLOAT                     ? OP_NotFloat
                                                                  : OP_IsNull);
        break;
    case OP_COMPLEMENT:
        emitter->Emit(OP_ComplementInt);
        break;
    default:
        break;  // unary +: the operand itself
    }
    return Step::Done;
}

Step GenerateCast(CodeGenerator& g, GenerateFrame& frame)
{
    GSTreeNode* node = frame.node;
    if (frame.phase == 0)
        return g.Visit(frame, 1, node->child[0]);
    const GSTreeNode* operand = LastOf(node->child[0]);
    return Convert(g, frame.target, operand->resultType, operand->resultClass, node->resultType, node->resultClass,
                   node->line)
               ? Step::Done
               : Step::Fail;
}

// An operand of an arithmetic operator made fit for the result type.
bool ConvertOperand(CodeGenerator& g, const GSTreeNode* node, const GSTreeNode* operand, CodeEmitter* emitter)
{
    const int32_t type = LastOf(const_cast<GSTreeNode*>(operand))->resultType;
    if (node->code == OP_ADD && node->resultType == TYPE_STRING) {
        if (ConvertToString(emitter, type))
            return true;
        g.Error(node->line, "Compiler error GECTS");
        return false;
    }
    if (node->resultType == TYPE_FLOAT && type == TYPE_INT)
        emitter->Emit(OP_IntToFloat);
    return true;
}

uint8_t ArithmeticOpcode(int32_t code, int32_t result)
{
    const bool real = result == TYPE_FLOAT;
    switch (code) {
    case OP_MUL:
        return real ? OP_MulFloat : OP_MulInt;
    case OP_DIV:
        return real ? OP_DivFloat : OP_DivInt;
    case OP_MOD:
        return real ? OP_ModFloat : OP_ModInt;
    case OP_SUB:
        return real ? OP_SubFloat : OP_SubInt;
    case OP_ADD:
        return result == TYPE_STRING ? OP_StringConcat : real ? OP_AddFloat : OP_AddInt;
    case OP_SHL:
        return OP_ShlInt;
    case OP_SHR:
        return OP_ShrInt;
    case OP_BIT_AND:
        return OP_AndInt;
    case OP_BIT_XOR:
        return OP_XorInt;
    default:
        return OP_OrInt;
    }
}

Step GenerateArithmetic(CodeGenerator& g, GenerateFrame& frame)
{
    GSTreeNode* node = frame.node;
    CodeEmitter* emitter = frame.target;
    const bool converts = node->code == OP_ADD || (node->code >= OP_MUL && node->code <= OP_SUB);
    switch (frame.phase) {
    case 0:
        return g.Visit(frame, 1, node->child[0]);
    case 1:
        if (converts && !ConvertOperand(g, node, node->child[0], emitter))
            return Step::Fail;
        return g.Visit(frame, 2, node->child[1]);
    default:
        if (converts && !ConvertOperand(g, node, node->child[1], emitter))
            return Step::Fail;
        emitter->Emit(ArithmeticOpcode(node->code, node->resultType));
        return Step::Done;
    }
}

// and / or: the right side runs only when the left does not decide.
Step GenerateLogical(CodeGenerator& g, GenerateFrame& frame)
{
    GSTreeNode* node = frame.node;
    CodeEmitter* emitter = frame.target;
    switch (frame.phase) {
    case 0:
        return g.Visit(frame, 1, node->child[0]);
    case 1:
        TestCondition(emitter, node->child[0]);
        frame.scratch[0] = static_cast<int32_t>(emitter->Hole());
        emitter->Emit(OP_Pop);
        return g.Visit(frame, 2, node->child[1]);
    default:
        TestCondition(emitter, node->child[1]);
        emitter->FillJump(static_cast<uint32_t>(frame.scratch[0]),
                          node->code == OP_AND ? OP_JumpIfZeroKeep : OP_JumpIfNotZeroKeep, emitter->Position());
        return Step::Done;
    }
}

Step GenerateSize(CodeGenerator& g, GenerateFrame& frame)
{
    GSTreeNode* node = frame.node;
    if (frame.phase == 0)
        return g.Visit(frame, 1, node->child[0]);
    frame.target->Emit(LastOf(node->child[0])->resultType == TYPE_STRING ? OP_StringLength : OP_ArraySize);
    return Step::Done;
}

Step GenerateIsClass(CodeGenerator& g, GenerateFrame& frame)
{
    GSTreeNode* node = frame.node;
    if (frame.phase == 0)
        return g.Visit(frame, 1, node->child[0]);
    const char* name = node->child[1] != nullptr ? node->child[1]->text : nullptr;
    if (!g.EmitClassReference(frame.target, OP_IsInstance, name, node->line))
        return Step::Fail;
    return Step::Done;
}

Step GenerateNew(CodeGenerator& g, GenerateFrame& frame)
{
    GSTreeNode* node = frame.node;
    CodeEmitter* emitter = frame.target;
    const int32_t type = node->resultType;
    if (type == TYPE_OBJECT) {
        const GSTreeNode* typeNode = node->child[0];
        const char* name = typeNode != nullptr && typeNode->child[0] != nullptr ? typeNode->child[0]->text : nullptr;
        if (!g.EmitClassReference(emitter, OP_NewObject, name, node->line))
            return Step::Fail;
        return Step::Done;
    }
    if (type == TYPE_STRING) {
        emitter->Emit(OP_NewString);
        return Step::Done;
    }
    if (type < TYPE_VOID_ARRAY || type > TYPE_OBJECT_ARRAY)
        return Step::Fail;
    if (frame.phase == 0)
        return g.Visit(frame, 1, node->child[1]);
    emitter->Emit(type == TYPE_STRING_ARRAY || type == TYPE_OBJECT_ARRAY ? OP_NewRefArray : OP_NewArray);
    return Step::Done;
}

Step GenerateOperator(CodeGenerator& g, GenerateFrame& frame)
{
    switch (frame.node->code) {
    case OP_POST_DEC:
    case OP_POST_INC:
    case OP_PRE_DEC:
    case OP_PRE_INC:
        return GenerateIncrement(g, frame);
    case OP_MEMBER:
        return GenerateMemberRead(g, frame);
    case OP_PLUS:
    case OP_NEGATE:
    case OP_NOT:
    case OP_COMPLEMENT:
        return GenerateUnary(g, frame);
    case OP_RANGE:
    case OP_INDEX:
        return GenerateElementRead(g, frame);
    case OP_CAST:
        return GenerateCast(g, frame);
    case OP_LT:
    case OP_GT:
    case OP_LE:
    case OP_GE:
    case OP_EQ:
    case OP_NE:
        return GenerateComparison(g, frame);
    case OP_AND:
    case OP_OR:
        return GenerateLogical(g, frame);
    case OP_ASSIGN:
        return GenerateAssign(g, frame);
    case OP_SIZE:
        return GenerateSize(g, frame);
    case OP_ISCLASS:
        return GenerateIsClass(g, frame);
    case OP_COPY:
        return GenerateCopy(g, frame);
    case OP_NEW:
        return GenerateNew(g, frame);
    default:
        if (frame.node->code >= OP_MUL && frame.node->code <= OP_BIT_OR)
            return GenerateArithmetic(g, frame);
        return Step::Fail;
    }
}

}  // namespace

Step GenerateExpression(CodeGenerator& g, GenerateFrame& frame)
{
    GSTreeNode* node = frame.node;
    switch (node->kind) {
    case EXPR_OPERATOR:
        return GenerateOperator(g, frame);
    case EXPR_CONSTANT:
        return GenerateConstant(g, frame);
    case EXPR_IDENTIFIER:
        return GenerateIdentifier(g, frame);
    case EXPR_CALL:
        return GenerateCall(g, frame);
    case EXPR_MEMBER_NAME:
        return Step::Done;
    case EXPR_ME:
        frame.target->EmitU16(OP_LoadLocalRef, 0);
        return Step::Done;
    case EXPR_NULL:
        frame.target->Emit(OP_PushFalse);
        return Step::Done;
    default:
        return Step::Fail;
    }
}

}  // namespace GSCompiler
