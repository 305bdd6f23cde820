// The semantic walk and the checks of declarations and statements.
#include <cstring>
#include <string>

#include "script/compiler/compile_log.h"
#include "script/compiler/compile_unit.h"
#include "script/compiler/semantic.h"
#include "script/compiler/symbols.h"
#include "script/compiler/type_names.h"

namespace GSCompiler {

namespace {

constexpr uint32_t kClassIllegal = MOD_PUBLIC | MOD_NATIVE | MOD_THREAD | MOD_DEFINE;
constexpr uint32_t kFunctionIllegal = MOD_STATIC | MOD_GAME | MOD_DEFINE | MOD_SECURED;
constexpr uint32_t kMemberIllegal = MOD_NATIVE | MOD_STATIC | MOD_FINAL | MOD_THREAD | MOD_GAME | MOD_SECURED;

void Error(WalkerState* state, int line, const char* format, const char* text = nullptr)
{
    if (text != nullptr) {
        Report(state->unit, true, false, line, format, text, line);
    } else {
        Report(state->unit, true, false, line, format, line);
    }
}

bool SameClassName(const char* a, const char* b)
{
    if (a == nullptr || b == nullptr)
        return a == b;
    return std::strcmp(a, b) == 0;
}

// ---- declarations ----

bool VisitClass(WalkerState* state, GSTreeNode* node)
{
    GSSymbolTable* table = state->table;
    if (node->flags & kClassIllegal) {
        Error(state, node->line, "Class has illegal declaration specifiers, line %d.");
        state->abort = true;
        return false;
    }
    const char* name = node->child[0]->text;
    if (table->FindGlobal(name) != nullptr) {
        Error(state, node->line, "Class %s has already been declared, line %d.", name);
        state->abort = true;
        return false;
    }
    GSClassSymbol* cls = table->MakeClass(name);
    if (cls == nullptr || !table->Declare(nullptr, cls, true)) {
        Print(state->unit, "Internal compiler error.");
        ++state->unit->errorCount;
        state->abort = true;
        return false;
    }
    cls->flags |= node->flags & kModifierMask;
    for (GSTreeNode* base = node->child[1]; base != nullptr; base = base->next) {
        table->AddPendingBase(cls, base->text, node->line);
    }
    state->currentClass = cls;
    if (state->declarationsOnly)
        return true;
    return table->ResolveBases(cls);
}

// Parameter types as written in short signatures.
std::string ShortSignature(const GSTreeNode* node)
{
    std::string signature;
    SignatureText(nullptr, node, &signature, false, true);
    return signature;
}

bool VisitFunction(WalkerState* state, GSTreeNode* node)
{
    GSSymbolTable* table = state->table;
    GSCompileUnit* unit = state->unit;
    GSClassSymbol* cls = state->currentClass;
    int errorsBefore = unit->errorCount;
    uint32_t modifiers = node->flags & kModifierMask;
    if ((modifiers & kFunctionIllegal) || ((modifiers & MOD_NATIVE) && (modifiers & MOD_THREAD))) {
        Error(state, node->line, "Function has illegal declaration specifiers, line %d.");
    }
    GSTreeNode* returnType = node->child[0];
    ResolveType(state, returnType);
    for (GSTreeNode* parameter = node->child[2]; parameter != nullptr; parameter = parameter->next) {
        ResolveType(state, parameter->child[0]);
    }
    std::string shortName = ShortSignature(node);
    GSSymbol* inherited = table->FindMember(cls, shortName.c_str(), false, true);
    if (inherited != nullptr && inherited->kind == SYM_FUNCTION && inherited->owner != cls &&
        (inherited->flags & MOD_FINAL)) {
        Error(state, node->line, "Cannot override final function, line %d.");
    }
    bool prototype = node->kind == DECL_PROTOTYPE;
    GSFunctionSymbol* function = table->MakeFunction(shortName.c_str());
    if (function == nullptr) {
        Print(unit, "Internal compiler error.");
        ++unit->errorCount;
        state->abort = true;
        return false;
    }
    if (!table->Declare(cls, function, true)) {
        GSSymbol* existing = table->FindOwnMember(cls, shortName.c_str(), true);
        if (existing == nullptr || existing->kind != SYM_FUNCTION || !(existing->flags & SYMBOL_PROTOTYPE)) {
            Error(state, node->line, "Function %s already declared, line %d.", shortName.c_str());
            state->abort = true;
            return false;
        }
        function = static_cast<GSFunctionSymbol*>(existing);
        function->flags &= ~SYMBOL_PROTOTYPE;
        function->parameterCounter = 1;
        const char* returnClass = returnType->resultClass;
        if (function->type != returnType->resultType ||
            (function->type == TYPE_OBJECT && !SameClassName(function->returnClass, returnClass))) {
            Error(state, node->line, "Function differs only by return type, line %d.");
            state->abort = true;
            return false;
        }
        if ((function->flags & kModifierMask) != modifiers) {
            Error(state, node->line, "Function specifiers differ from prototype, line %d.");
        }
        table->currentFunction = function;
    }
    function->type = returnType->resultType;
    function->flags |= modifiers;
    if (prototype)
        function->flags |= SYMBOL_PROTOTYPE;
    if (modifiers & MOD_THREAD) {
        if (cls != nullptr)
            cls->flags |= MOD_GAME;
        if (function->type != TYPE_VOID)
            Error(state, node->line, "thread function must return void, line %d.");
    }
    function->returnClass = returnType->resultClass ? table->CopyName(returnType->resultClass) : nullptr;
    std::string signature;
    SignatureText(cls ? cls->name : nullptr, node, &signature, true, true);
    function->signature = table->CopyName(signature);

    bool bodyWalked = !state->declarationsOnly && !prototype;
    if (state->declarationsOnly)
        state->skipChildren = true;
    if (bodyWalked) {
        state->currentFunction = function;
        table->currentFunction = function;
        table->OpenScope();
    }
    for (GSTreeNode* parameter = node->child[2]; parameter != nullptr; parameter = parameter->next) {
        GSTreeNode* name = parameter->child[1];
        int32_t number = function->parameterCounter++;
        name->slot = number;
        if (!bodyWalked)
            continue;
        GSTreeNode* type = parameter->child[0];
        GSVariableSymbol* variable = table->MakeVariable(name->text);
        if (variable == nullptr)
            continue;
        variable->type = type->resultType;
        variable->className = type->resultClass ? table->CopyName(type->resultClass) : nullptr;
        variable->index = number;
        if (!table->Declare(cls, variable, true)) {
            Error(state, name->line, "Variable %s already declared in this scope, line %d.", name->text);
            continue;
        }
        name->resultType = variable->type;
        name->resultClass = variable->className;
        name->flags |= variable->flags & (kModifierMask | FLAG_NO_STORAGE);
    }
    return unit->errorCount == errorsBefore;
}

bool VisitVariables(WalkerState* state, GSTreeNode* node)
{
    GSSymbolTable* table = state->table;
    GSCompileUnit* unit = state->unit;
    GSClassSymbol* cls = state->currentClass;
    int errorsBefore = unit->errorCount;
    GSTreeNode* type = node->child[0];
    ResolveType(state, type);
    bool member = (node->flags & FLAG_MEMBER_DECLARATION) != 0;
    uint32_t modifiers = node->flags & kModifierMask;
    if (member && (modifiers & kMemberIllegal)) {
        Error(state, node->line, "member declaration has invalid specifiers, line %d.");
    } else if (!member && modifiers != 0) {
        Error(state, node->line, "variable declaration has illegal specifiers, line %d.");
    }
    bool define = (modifiers & MOD_DEFINE) != 0;
    GSFunctionSymbol* function = state->currentFunction;
    for (GSTreeNode* declarator = node->child[1]; declarator != nullptr; declarator = declarator->next) {
        GSTreeNode* name = declarator->child[0];
        GSVariableSymbol* variable = table->MakeVariable(name->text);
        if (variable == nullptr)
            continue;
        variable->type = type->resultType;
        variable->className = type->resultClass ? table->CopyName(type->resultClass) : nullptr;
        variable->flags |= modifiers;
        if (!member && function != nullptr) {
            variable->index = function->localCount + function->parameterCounter;
            function->localCount++;
        }
        declarator->symbol = variable;
        name->resultType = variable->type;
        name->resultClass = variable->className;
        if (!table->Declare(cls, variable, member ? !define : true)) {
            Error(state, declarator->line, "Variable %s already declared in this scope, line %d.", name->text);
            name->slot = -1;
            continue;
        }
        name->flags |= variable->flags & (kModifierMask | FLAG_NO_STORAGE);
        if (member && cls != nullptr && variable->index >= 0) {
            name->slot = cls->memberBase + variable->index;
        } else {
            name->slot = variable->index;
        }
    }
    bool saved = state->declarationsOnly;
    if (define && member)
        state->declarationsOnly = false;
    bool ok = Walk(state, node->child[1]);
    state->declarationsOnly = saved;
    state->skipChildren = true;
    return ok && unit->errorCount == errorsBefore;
}

bool VisitDeclarator(WalkerState* state, GSTreeNode* node)
{
    GSTreeNode* name = node->child[0];
    GSTreeNode* value = node->child[1];
    bool ok = true;
    if (!state->declarationsOnly && value != nullptr)
        ok = AssignmentRule(state, name, value, name);
    if (!(name->flags & MOD_DEFINE))
        return ok;
    if (value == nullptr || value->group != GROUP_EXPRESSION || value->kind != EXPR_CONSTANT) {
        Error(state, node->line, "define variable must have a const assignment, line %d.");
        return false;
    }
    GSVariableSymbol* variable = static_cast<GSVariableSymbol*>(node->symbol);
    if (variable == nullptr)
        return ok;
    if (variable->type == TYPE_STRING) {
        variable->textValue = value->code == CONST_STRING ? state->table->CopyName(value->text ? value->text : "")
                                                          : state->table->CopyName("");
    } else {
        variable->bits = value->bits;
        variable->textValue =
            value->code == CONST_STRING ? state->table->CopyName(value->text ? value->text : "") : nullptr;
    }
    return ok;
}

// ---- statements ----

// The nearest enclosing statement of one of the kinds.
GSTreeNode* Enclosing(const WalkerState* state, bool loops, bool switches, bool waits)
{
    for (auto open = state->openStatements.rbegin(); open != state->openStatements.rend(); ++open) {
        int kind = (*open)->kind;
        if (loops && (kind == STMT_FOR || kind == STMT_WHILE))
            return *open;
        if (switches && kind == STMT_SWITCH)
            return *open;
        if (waits && kind == STMT_WAIT)
            return *open;
    }
    return nullptr;
}

bool Encloses(const GSTreeNode* node)
{
    return node->group == GROUP_STATEMENT &&
           (node->kind == STMT_FOR || node->kind == STMT_WHILE || node->kind == STMT_SWITCH || node->kind == STMT_WAIT);
}

bool Usable(int32_t type)
{
    return type != TYPE_VOID && type != TYPE_VOID_ARRAY && type != TYPE_NONE;
}

bool VisitSwitch(WalkerState* state, GSTreeNode* node)
{
    bool hasCase = false;
    bool hasDefault = false;
    GSTreeNode* block = node->child[1];
    for (GSTreeNode* s = block ? block->child[0] : nullptr; s != nullptr; s = s->next) {
        if (s->Is(GROUP_STATEMENT, STMT_CASE))
            hasCase = true;
        if (s->Is(GROUP_STATEMENT, STMT_DEFAULT))
            hasDefault = true;
    }
    if (!hasCase) {
        Error(state, node->line, "switch statement without case, line %d.");
        return false;
    }
    if (!hasDefault) {
        Error(state, node->line, "switch statement without default, line %d.");
        return false;
    }
    if (node->child[0] == nullptr || node->child[0]->resultType != TYPE_INT) {
        Error(state, node->line, "switch expression not integral, line %d.");
        return false;
    }
    return true;
}

bool VisitCase(WalkerState* state, GSTreeNode* node)
{
    GSTreeNode* owner = Enclosing(state, false, true, false);
    if (owner == nullptr) {
        Error(state, node->line, "illegal case, line %d.");
        return false;
    }
    node->listLink = owner->listLink;
    owner->listLink = node;
    node->partner = owner;
    GSTreeNode* value = node->child[0];
    if (value == nullptr || value->group != GROUP_EXPRESSION || value->kind != EXPR_CONSTANT ||
        value->resultType != TYPE_INT) {
        Error(state, node->line, "case expression not constant or integral, line %d.");
        return false;
    }
    node->resultType = TYPE_INT;
    return true;
}

bool VisitDefault(WalkerState* state, GSTreeNode* node)
{
    GSTreeNode* owner = Enclosing(state, false, true, false);
    if (owner == nullptr) {
        Error(state, node->line, "illegal default, line %d.");
        return false;
    }
    if (owner->flags & FLAG_SWITCH_HAS_DEFAULT) {
        Error(state, node->line, "switch already has default, line %d.");
        return false;
    }
    owner->flags |= FLAG_SWITCH_HAS_DEFAULT;
    node->listLink = owner->listLink;
    owner->listLink = node;
    node->partner = owner;
    return true;
}

bool VisitOn(WalkerState* state, GSTreeNode* node)
{
    bool ok = true;
    const GSTreeNode* major = node->child[0];
    const GSTreeNode* minor = node->child[1];
    if (major == nullptr || minor == nullptr || major->kind != EXPR_CONSTANT || major->code != CONST_STRING ||
        minor->kind != EXPR_CONSTANT || minor->code != CONST_STRING) {
        Error(state, node->line, "on statement requires string constant for major and minor message types, line %d");
        ok = false;
    }
    const GSTreeNode* message = node->child[2];
    if (message != nullptr && (!(message->flags & FLAG_LVALUE) || message->resultType != TYPE_OBJECT)) {
        Error(state, node->line, "on statement requires object type for third parameter, line %d");
        ok = false;
    }
    if (GSTreeNode* wait = Enclosing(state, false, false, true)) {
        node->listLink = wait->listLink;
        wait->listLink = node;
        node->partner = wait;
    }
    return ok;
}

bool VisitReturn(WalkerState* state, GSTreeNode* node)
{
    GSFunctionSymbol* function = state->currentFunction;
    if (function == nullptr) {
        Print(state->unit, "Internal compiler error.");
        ++state->unit->errorCount;
        return false;
    }
    const GSTreeNode* value = node->child[0];
    const char* expected = TypeName(function->type);
    if (value == nullptr) {
        if (function->type == TYPE_VOID)
            return true;
        Error(state, node->line, "return type mismatch, expecting %s, line %d.", expected);
        return false;
    }
    bool nullForObject = function->type == TYPE_OBJECT && value->resultType == TYPE_NULL;
    if (!nullForObject && value->resultType != function->type) {
        Error(state, node->line, "return type mismatch, expecting %s, line %d.", expected);
        return false;
    }
    if (function->type != TYPE_OBJECT || nullForObject)
        return true;
    const char* wanted = function->returnClass;
    const char* given = value->resultClass;
    if (wanted == nullptr && given == nullptr)
        return true;
    if (wanted == nullptr || given == nullptr) {
        Error(state, node->line, "return type mismatch, expecting %s, line %d.", expected);
        return false;
    }
    GSSymbol* cls = state->table->FindGlobal(given);
    if (std::strcmp(wanted, given) == 0 || (cls != nullptr && cls->kind == SYM_CLASS &&
                                            state->table->IsA(wanted, static_cast<GSClassSymbol*>(cls), nullptr))) {
        return true;
    }
    Report(state->unit, true, false, node->line, "cannot cast from object<%s> to object<%s>, line %d.", given, wanted,
           node->line);
    return false;
}

bool VisitBlockEnd(WalkerState* state, GSTreeNode* node)
{
    state->table->CloseScope();
    if (!(node->flags & FLAG_FUNCTION_BODY))
        return true;
    GSFunctionSymbol* function = state->currentFunction;
    if (function == nullptr)
        return true;
    GSTreeNode* last = node->child[0];
    while (last != nullptr && last->next != nullptr)
        last = last->next;
    if (last != nullptr && last->Is(GROUP_STATEMENT, STMT_RETURN))
        return true;
    if (function->type != TYPE_VOID) {
        Report(state->unit, true, false, node->line, "expecting return type of %s, line %d.", TypeName(function->type),
               node->line);
        return false;
    }
    GSTreeNode* ret = state->unit->NewNode(GROUP_STATEMENT, STMT_RETURN, node->line, -1);
    if (ret == nullptr)
        return false;
    if (last != nullptr) {
        last->next = ret;
    } else {
        node->child[0] = ret;
    }
    return true;
}

bool PreVisit(WalkerState* state, GSTreeNode* node)
{
    switch (node->group) {
    case GROUP_DECLARATION:
        if (node->kind == DECL_CLASS)
            return VisitClass(state, node);
        if (node->kind == DECL_FUNCTION || node->kind == DECL_PROTOTYPE)
            return VisitFunction(state, node);
        if (node->kind == DECL_VARIABLES)
            return VisitVariables(state, node);
        return true;
    case GROUP_STATEMENT:
        if (node->kind == STMT_BLOCK && !(node->flags & FLAG_FUNCTION_BODY))
            state->table->OpenScope();
        return true;
    case GROUP_EXPRESSION:
        return true;
    default:
        Print(state->unit, "Internal compiler error.");
        ++state->unit->errorCount;
        return false;
    }
}

bool CheckCondition(WalkerState* state, const GSTreeNode* condition, int line, const char* message)
{
    if (condition != nullptr && Usable(condition->resultType))
        return true;
    Error(state, line, message);
    return false;
}

bool PostVisit(WalkerState* state, GSTreeNode* node)
{
    switch (node->group) {
    case GROUP_DECLARATION:
        switch (node->kind) {
        case DECL_FUNCTION:
            state->currentFunction = nullptr;
            state->table->currentFunction = nullptr;
            return true;
        case DECL_CLASS:
            state->currentClass = nullptr;
            return true;
        case DECL_DECLARATOR:
            return VisitDeclarator(state, node);
        case DECL_TYPE:
            return ResolveType(state, node);
        default:
            return true;
        }
    case GROUP_STATEMENT:
        switch (node->kind) {
        case STMT_RETURN:
            return VisitReturn(state, node);
        case STMT_BREAK:
            node->partner = Enclosing(state, true, true, true);
            if (node->partner == nullptr)
                Error(state, node->line, "illegal break, line %d.");
            return node->partner != nullptr;
        case STMT_CONTINUE:
            node->partner = Enclosing(state, true, false, true);
            if (node->partner == nullptr)
                Error(state, node->line, "illegal continue, line %d.");
            return node->partner != nullptr;
        case STMT_FOR:
            if (node->child[1] == nullptr)
                return true;
            return CheckCondition(state, node->child[1], node->line, "invalid for expression, line %d.");
        case STMT_WHILE:
            return CheckCondition(state, node->child[0], node->line, "invalid while expression, line %d.");
        case STMT_IF:
            return CheckCondition(state, node->child[0], node->line, "invalid if expression, line %d.");
        case STMT_SWITCH:
            return VisitSwitch(state, node);
        case STMT_DEFAULT:
            return VisitDefault(state, node);
        case STMT_CASE:
            return VisitCase(state, node);
        case STMT_BLOCK:
            return VisitBlockEnd(state, node);
        case STMT_WAIT:
            for (const GSTreeNode* on = node->listLink; on != nullptr; on = on->listLink) {
                if (on->Is(GROUP_STATEMENT, STMT_ON))
                    return true;
            }
            Error(state, node->line, "wait statement must have at least 1 on statement, line %d.");
            return false;
        case STMT_ON:
            return VisitOn(state, node);
        default:
            return true;
        }
    case GROUP_EXPRESSION:
        return CheckExpression(state, node);
    default:
        return true;
    }
}

}  // namespace

bool Walk(WalkerState* state, GSTreeNode* root)
{
    struct Entry {
        GSTreeNode* node;
        int phase;
    };
    Entry stack[kWalkStackSize];
    int count = 0;
    bool ok = true;
    bool overflow = false;
    // A walk leaves the open statements as it found them, however it ends.
    const size_t openBefore = state->openStatements.size();
    const size_t nodesBefore = state->openNodes.size();
    auto push = [&](GSTreeNode* node, int phase) {
        if (node == nullptr || overflow)
            return;
        if (count + 1 >= kWalkStackSize) {
            overflow = true;
            return;
        }
        stack[count++] = Entry{node, phase};
    };
    push(root, 0);
    while (count > 0 && !overflow) {
        Entry entry = stack[--count];
        GSTreeNode* node = entry.node;
        if (entry.phase == 0) {
            if (!(state->currentFunction != nullptr && state->declarationsOnly)) {
                if (!PreVisit(state, node))
                    ok = false;
            }
            if (state->skipChildren) {
                state->skipChildren = false;
                push(node->next, 0);
            } else {
                push(node, 1);
                if (!overflow && Encloses(node))
                    state->openStatements.push_back(node);
                if (!overflow)
                    state->openNodes.push_back(node);
                for (int i = 3; i >= 0; --i)
                    push(node->child[i], 0);
            }
        } else {
            if (!state->openStatements.empty() && state->openStatements.back() == node)
                state->openStatements.pop_back();
            if (!state->openNodes.empty() && state->openNodes.back() == node)
                state->openNodes.pop_back();
            if (!state->declarationsOnly) {
                if (!PostVisit(state, node))
                    ok = false;
            }
            push(node->next, 0);
        }
        if (state->abort) {
            state->openStatements.resize(openBefore);
            state->openNodes.resize(nodesBefore);
            return false;
        }
    }
    state->openStatements.resize(openBefore);
    state->openNodes.resize(nodesBefore);
    if (overflow) {
        Print(state->unit, "Stack overflow; code nested too deep.");
        ++state->unit->errorCount;
        state->abort = true;
        return false;
    }
    return ok;
}

int CheckUnit(GSCompileUnit* unit, bool declarationsOnly)
{
    WalkerState state;
    state.unit = unit;
    state.table = unit->context;
    state.declarationsOnly = declarationsOnly;
    unit->context->currentUnit = unit;
    Walk(&state, unit->root);
    return unit->errorCount;
}

}  // namespace GSCompiler
