// Code generation of declarations: classes and their initializers,
// functions, variable declarations and their initialisers.
#include <string>

#include "script/common/opcodes.h"
#include "script/compiler/code_generator.h"
#include "script/compiler/compile_log.h"
#include "script/compiler/compile_unit.h"
#include "script/compiler/symbols.h"
#include "script/compiler/type_names.h"
#include "script/compiler/type_rules.h"

namespace GSCompiler {

namespace {

void LineHook(void* user, uint32_t position)
{
    RecordLine(static_cast<GSCFunction*>(user), position);
}

void AddWord(Utils::ByteBuffer* list, uint32_t* count, int32_t word)
{
    list->WriteU32(static_cast<uint32_t>(word));
    ++*count;
}

Step OutOfMemory(CodeGenerator& g)
{
    Print(g.unit, "Internal compiler error.");
    ++g.unit->errorCount;
    return Step::Fail;
}

Step GenerateClass(CodeGenerator& g, GenerateFrame& frame)
{
    GSTreeNode* node = frame.node;
    GSCClass* compiled = g.generator->currentClass;
    if (frame.phase == 0) {
        const char* name = node->child[0] != nullptr ? node->child[0]->text : nullptr;
        GSSymbol* symbol = name != nullptr ? g.context->FindGlobal(name) : nullptr;
        if (symbol == nullptr || symbol->kind != SYM_CLASS)
            return Step::Fail;
        g.generator->namedClasses.push_back(symbol);
        compiled = new GSCClass(static_cast<GSClassSymbol*>(symbol));
        g.context->compiledClasses.PushBack(compiled);
        g.generator->currentClass = compiled;
        return g.Visit(frame, 1, node->child[2], &compiled->initializer);
    }
    if (compiled == nullptr)
        return Step::Fail;
    if (compiled->initializer.code.Length() > 0)
        compiled->initializer.Emit(OP_Return);
    if (compiled->initializer.Failed() || compiled->referenceMembers.Flags() != 0)
        return OutOfMemory(g);
    g.generator->currentClass = nullptr;
    return Step::Done;
}

// The function symbol of a definition or prototype node, by its short signature.
GSFunctionSymbol* FunctionOf(CodeGenerator& g, const GSTreeNode* node)
{
    GSCClass* compiled = g.generator->currentClass;
    if (compiled == nullptr)
        return nullptr;
    std::string signature;
    if (!SignatureText(nullptr, node, &signature, false, true))
        return nullptr;
    GSSymbol* symbol = g.context->FindOwnMember(compiled->symbol, signature.c_str(), true);
    return symbol != nullptr && symbol->kind == SYM_FUNCTION ? static_cast<GSFunctionSymbol*>(symbol) : nullptr;
}

void ForgetFunctionState(CodeGenerator& g)
{
    g.generator->labels.Clear();
    g.constructs.clear();
    for (bool& inUse : g.generator->temporaryInUse)
        inUse = false;
}

Step GenerateFunction(CodeGenerator& g, GenerateFrame& frame)
{
    GSTreeNode* node = frame.node;
    if (frame.phase == 1) {
        GSCFunction* compiled = g.generator->currentFunction;
        if (compiled == nullptr)
            return Step::Fail;
        const int unresolved = g.generator->labels.ResolveFixups(&compiled->emitter.code, g.unit);
        ForgetFunctionState(g);
        g.generator->currentFunction = nullptr;
        if (unresolved != 0)
            return Step::Fail;
        if (compiled->emitter.Failed() || compiled->referenceLocals.Flags() != 0)
            return OutOfMemory(g);
        return Step::Done;
    }
    GSFunctionSymbol* function = FunctionOf(g, node);
    if (function == nullptr)
        return Step::Fail;
    const bool native = (function->flags & MOD_NATIVE) != 0;
    const bool defined = !(function->flags & SYMBOL_PROTOTYPE);
    if (!defined && !native)
        return g.Error(node->line, "Function %s not implemented", function->PlainName().c_str());
    if (defined && native) {
        return g.Error(node->line, "Native function %s has been implemented", function->PlainName().c_str());
    }
    GSTreeNode* body = node->kind == DECL_FUNCTION ? node->child[3] : nullptr;
    if (body == nullptr && !native)
        return Step::Done;
    GSCFunction* compiled = new GSCFunction(function);
    g.generator->currentClass->functions.PushBack(compiled);
    for (const GSTreeNode* parameter = node->child[2]; parameter != nullptr; parameter = parameter->next) {
        const GSTreeNode* type = parameter->child[0];
        const GSTreeNode* name = parameter->child[1];
        if (type != nullptr && name != nullptr && IsReference(type->resultType)) {
            AddWord(&compiled->referenceLocals, &compiled->referenceLocalCount, name->slot);
        }
    }
    if (native)
        return Step::Done;
    ForgetFunctionState(g);
    g.generator->currentFunction = compiled;
    compiled->currentLine = node->line;
    compiled->emitter.lineHook = LineHook;
    compiled->emitter.hookUser = compiled;
    return g.Visit(frame, 1, body, &compiled->emitter);
}

Step GenerateVariables(CodeGenerator& g, GenerateFrame& frame)
{
    GSTreeNode* node = frame.node;
    if (frame.phase != 0)
        return Step::Done;
    if (!(node->flags & FLAG_MEMBER_DECLARATION))
        return g.Visit(frame, 1, node->child[1]);
    if (node->flags & MOD_DEFINE)
        return Step::Done;
    GSCClass* compiled = g.generator->currentClass;
    if (compiled == nullptr)
        return Step::Fail;
    return g.Visit(frame, 1, node->child[1], &compiled->initializer);
}

Step GenerateDeclarator(CodeGenerator& g, GenerateFrame& frame)
{
    GSTreeNode* node = frame.node;
    GSTreeNode* name = node->child[0];
    GSTreeNode* value = node->child[1];
    if (name == nullptr)
        return Step::Fail;
    const bool local = (name->flags & FLAG_NO_STORAGE) != 0;
    const bool reference = IsReference(name->resultType);
    if (frame.phase == 0) {
        if (reference) {
            if (GSCFunction* function = g.generator->currentFunction) {
                AddWord(&function->referenceLocals, &function->referenceLocalCount, name->slot);
            } else if (GSCClass* compiled = g.generator->currentClass) {
                AddWord(&compiled->referenceMembers, &compiled->referenceMemberCount, name->slot);
            }
        }
        if (value == nullptr)
            return Step::Done;
        return g.Visit(frame, 1, value);
    }
    CodeEmitter* emitter = frame.target;
    const GSTreeNode* last = LastOf(value);
    if (!Convert(g, emitter, last->resultType, last->resultClass, name->resultType, name->resultClass, node->line)) {
        return Step::Fail;
    }
    if (!g.FitsU16(name->slot, local ? "local variables in function" : "members in class", node->line)) {
        return Step::Fail;
    }
    const uint16_t slot = static_cast<uint16_t>(name->slot);
    if (local) {
        emitter->EmitU16(reference ? OP_StoreLocalRef : OP_StoreLocal, slot);
    } else {
        emitter->EmitU16(reference ? OP_SetOwnMemberRef : OP_SetOwnMember, slot);
    }
    return Step::Done;
}

}  // namespace

Step GenerateDeclaration(CodeGenerator& g, GenerateFrame& frame)
{
    switch (frame.node->kind) {
    case DECL_CLASS:
        return GenerateClass(g, frame);
    case DECL_FUNCTION:
    case DECL_PROTOTYPE:
        return GenerateFunction(g, frame);
    case DECL_VARIABLES:
        return GenerateVariables(g, frame);
    case DECL_DECLARATOR:
        return GenerateDeclarator(g, frame);
    case DECL_INCLUDE:
    case DECL_TYPE:
    case DECL_PARAMETER:
    case DECL_NAME:
        return Step::Done;
    default:
        return Step::Fail;
    }
}

}  // namespace GSCompiler
