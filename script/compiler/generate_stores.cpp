// Code generation of stores: the prefix of a store target, the store opcode
// for each kind of target, assignments, copies and increments.
#include "script/common/opcodes.h"
#include "script/compiler/code_generator.h"
#include "script/compiler/type_names.h"
#include "script/compiler/type_rules.h"

namespace GSCompiler {

namespace {

bool HoldsReferences(int32_t containerType)
{
    return containerType == TYPE_STRING_ARRAY || containerType == TYPE_OBJECT_ARRAY;
}

uint8_t Pick(bool keep, uint8_t keeping, uint8_t consuming)
{
    return keep ? keeping : consuming;
}

bool EmitSlotStore(CodeGenerator& g, CodeEmitter* emitter, const GSTreeNode* target, uint8_t opcode, const char* what)
{
    if (!g.FitsU16(target->slot, what, target->line))
        return false;
    emitter->EmitU16(opcode, static_cast<uint16_t>(target->slot));
    return true;
}

bool IsElementTarget(const GSTreeNode* node)
{
    return node->IsOperator(OP_INDEX) || node->IsOperator(OP_RANGE);
}

}  // namespace

bool EmitStore(CodeGenerator& g, CodeEmitter* emitter, const GSTreeNode* target, bool keep)
{
    const bool reference = IsReference(target->resultType);
    if (target->IsOperator(OP_MEMBER)) {
        const uint8_t opcode =
            reference ? Pick(keep, OP_SetMemberRefKeep, OP_SetMemberRef) : Pick(keep, OP_SetMemberKeep, OP_SetMember);
        return EmitSlotStore(g, emitter, target, opcode, "members in class");
    }
    if (IsElementTarget(target)) {
        const int32_t container = LastOf(target->child[0])->resultType;
        const bool index = target->IsOperator(OP_INDEX);
        uint8_t opcode;
        if (container == TYPE_STRING) {
            opcode = index ? Pick(keep, OP_StringSetCharKeep, OP_StringSetChar)
                           : Pick(keep, OP_StringReplaceKeep, OP_StringReplace);
        } else if (HoldsReferences(container)) {
            opcode = index ? Pick(keep, OP_ArraySetRefKeep, OP_ArraySetRef)
                           : Pick(keep, OP_RefArrayReplaceKeep, OP_RefArrayReplace);
        } else {
            opcode =
                index ? Pick(keep, OP_ArraySetKeep, OP_ArraySet) : Pick(keep, OP_ArrayReplaceKeep, OP_ArrayReplace);
        }
        emitter->Emit(opcode);
        return true;
    }
    if (!target->Is(GROUP_EXPRESSION, EXPR_IDENTIFIER))
        return false;
    if (target->flags & FLAG_NO_STORAGE) {
        const uint8_t opcode = reference ? Pick(keep, OP_StoreLocalRefKeep, OP_StoreLocalRef)
                                         : Pick(keep, OP_StoreLocalKeep, OP_StoreLocal);
        return EmitSlotStore(g, emitter, target, opcode, "local variables in function");
    }
    const uint8_t opcode = reference ? Pick(keep, OP_SetOwnMemberRefKeep, OP_SetOwnMemberRef)
                                     : Pick(keep, OP_SetOwnMemberKeep, OP_SetOwnMember);
    return EmitSlotStore(g, emitter, target, opcode, "members in class");
}

// The prefix of a store target: the object of a member; container and index
// of an element; container, end (or -1) and start (or -1) of a slice.
Step GeneratePrefix(CodeGenerator& g, GenerateFrame& frame)
{
    GSTreeNode* node = frame.node;
    CodeEmitter* emitter = frame.target;
    const bool slice = node->IsOperator(OP_RANGE);
    if (!node->IsOperator(OP_MEMBER) && !IsElementTarget(node))
        return Step::Done;
    switch (frame.phase) {
    case 0:
        return g.Visit(frame, 1, node->child[0]);
    case 1:
        if (node->IsOperator(OP_MEMBER))
            return Step::Done;
        if (!slice)
            return g.Visit(frame, 3, node->child[1]);
        if (node->child[2] != nullptr)
            return g.Visit(frame, 2, node->child[2]);
        emitter->EmitI32(OP_PushInt, -1);
        return g.Again(frame, 2);
    case 2:
        if (node->child[1] != nullptr)
            return g.Visit(frame, 3, node->child[1]);
        emitter->EmitI32(OP_PushInt, -1);
        return Step::Done;
    default:
        return Step::Done;
    }
}

// target = value: prefix, value converted to the target's type, a copy of
// a string that someone else may still hold, the store.
Step GenerateAssign(CodeGenerator& g, GenerateFrame& frame)
{
    GSTreeNode* node = frame.node;
    GSTreeNode* target = node->child[0];
    CodeEmitter* emitter = frame.target;
    if (target == nullptr || node->child[1] == nullptr)
        return Step::Fail;
    switch (frame.phase) {
    case 0:
        return g.VisitPrefix(frame, 1, target);
    case 1:
        return g.Visit(frame, 2, node->child[1]);
    default:
        break;
    }
    const GSTreeNode* value = LastOf(node->child[1]);
    if (!Convert(g, emitter, value->resultType, value->resultClass, target->resultType, target->resultClass,
                 node->line)) {
        return Step::Fail;
    }
    if (value->resultType == TYPE_STRING &&
        ((value->flags & FLAG_LVALUE) || value->Is(GROUP_EXPRESSION, EXPR_CALL) || value->IsOperator(OP_CAST))) {
        emitter->Emit(OP_StringCopy);
    }
    const bool keep = !ValueDropped(node);
    return EmitStore(g, emitter, target, keep) ? Step::Done : Step::Fail;
}

// target.copy(source): a new string or array holding the source's contents.
Step GenerateCopy(CodeGenerator& g, GenerateFrame& frame)
{
    GSTreeNode* node = frame.node;
    GSTreeNode* target = node->child[0];
    CodeEmitter* emitter = frame.target;
    if (target == nullptr)
        return Step::Fail;
    switch (frame.phase) {
    case 0:
        return g.VisitPrefix(frame, 1, target);
    case 1:
        return g.Visit(frame, 2, node->child[1]);
    default:
        break;
    }
    emitter->Emit(target->resultType == TYPE_STRING ? OP_StringCopy : OP_ArrayCopy);
    ValueDropped(node);
    return EmitStore(g, emitter, target, false) ? Step::Done : Step::Fail;
}

// ++ and --, prefix and postfix, on a variable, a member or an element.
// scratch 0 = temporary flag, 1 = its slot.
Step GenerateIncrement(CodeGenerator& g, GenerateFrame& frame)
{
    GSTreeNode* node = frame.node;
    GSTreeNode* target = node->child[0];
    CodeEmitter* emitter = frame.target;
    if (target == nullptr)
        return Step::Fail;
    const bool variable = target->Is(GROUP_EXPRESSION, EXPR_IDENTIFIER);
    const bool member = target->IsOperator(OP_MEMBER);
    const bool element = target->IsOperator(OP_INDEX);
    if (!variable && !member && !element)
        return Step::Fail;
    if (frame.phase == 0)
        return variable ? g.VisitSingle(frame, 1, target) : g.VisitPrefix(frame, 1, target);

    const bool decrement = node->code == OP_POST_DEC || node->code == OP_PRE_DEC;
    const bool postfix = node->code == OP_POST_DEC || node->code == OP_POST_INC;
    const bool real = target->resultType == TYPE_FLOAT;
    const uint8_t step = real ? (decrement ? OP_DecFloat : OP_IncFloat) : (decrement ? OP_DecInt : OP_IncInt);
    if (member) {
        if (!g.FitsU16(target->slot, "members in class", target->line))
            return Step::Fail;
        emitter->Emit(OP_DupRef);
        emitter->EmitU16(OP_GetMember, static_cast<uint16_t>(target->slot));
    } else if (element) {
        emitter->Emit(OP_Dup2Ref);
        emitter->Emit(LastOf(target->child[0])->resultType == TYPE_STRING ? OP_StringGetChar : OP_ArrayGet);
    }
    if (!postfix) {
        emitter->Emit(step);
        return EmitStore(g, emitter, target, !ValueDropped(node)) ? Step::Done : Step::Fail;
    }
    if (variable) {
        // The copy left below the store is the old value.
        emitter->Emit(OP_Dup);
        emitter->Emit(step);
        return EmitStore(g, emitter, target, false) ? Step::Done : Step::Fail;
    }
    // The container or object is consumed by the store, so a used old value
    // waits in a temporary.
    const bool used = !ValueDropped(node);
    int32_t flag = -1;
    uint16_t slot = 0;
    if (used) {
        if (!g.AcquireTemporary(node->line, &flag, &slot))
            return Step::Fail;
        emitter->EmitU16(OP_StoreLocalKeep, slot);
    }
    emitter->Emit(step);
    if (!EmitStore(g, emitter, target, false))
        return Step::Fail;
    if (used) {
        emitter->EmitU16(OP_LoadLocal, slot);
        g.ReleaseTemporary(flag);
    }
    return Step::Done;
}

}  // namespace GSCompiler
