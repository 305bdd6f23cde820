// Expression checking: types, names, operators, calls and folding.
#include <cstring>
#include <string>
#include <vector>

#include "script/compiler/compile_log.h"
#include "script/compiler/compile_unit.h"
#include "script/compiler/semantic.h"
#include "script/compiler/symbols.h"
#include "script/compiler/type_names.h"
#include "script/compiler/type_rules.h"

namespace GSCompiler {

namespace {

void Error(WalkerState* state, int line, const char* format)
{
    Report(state->unit, true, false, line, format, line);
}

void Error(WalkerState* state, int line, const char* format, const char* text)
{
    Report(state->unit, true, false, line, format, text ? text : "(null)", line);
}

void Error(WalkerState* state, int line, const char* format, const char* a, const char* b)
{
    Report(state->unit, true, false, line, format, a ? a : "(null)", b ? b : "(null)", line);
}

void InternalError(WalkerState* state, const char* text)
{
    Print(state->unit, "%s", text);
    ++state->unit->errorCount;
}

// The parent of the node being post-visited.
GSTreeNode* ParentOf(const WalkerState* state)
{
    return state->openNodes.empty() ? nullptr : state->openNodes.back();
}

bool IsCalledPart(const WalkerState* state, const GSTreeNode* node)
{
    const GSTreeNode* up = ParentOf(state);
    return up != nullptr && up->group == GROUP_EXPRESSION && up->kind == EXPR_CALL && up->child[0] == node;
}

GSClassSymbol* ClassNamed(WalkerState* state, const char* name)
{
    if (name == nullptr)
        return nullptr;
    GSSymbol* symbol = state->table->Lookup(name, nullptr, true, false);
    return symbol != nullptr && symbol->kind == SYM_CLASS ? static_cast<GSClassSymbol*>(symbol) : nullptr;
}

// True when class `derived` is class `base` or derives from it.
bool Derives(WalkerState* state, const char* derived, const char* base)
{
    if (std::strcmp(derived, base) == 0)
        return true;
    GSClassSymbol* cls = ClassNamed(state, derived);
    if (cls == nullptr)
        return false;
    if (!state->declarationsOnly)
        state->table->ResolveBases(cls);
    return state->table->IsA(base, cls, nullptr);
}

int32_t ConstantKindOfType(int32_t type)
{
    switch (type) {
    case TYPE_BOOL:
        return CONST_BOOL;
    case TYPE_FLOAT:
        return CONST_FLOAT;
    case TYPE_STRING:
        return CONST_STRING;
    default:
        return CONST_INT;
    }
}

void MakeDefineConstant(GSTreeNode* node, const GSSymbol* symbol)
{
    int32_t kind = ConstantKindOfType(symbol->type);
    MakeConstant(node, kind, symbol->bits,
                 kind == CONST_STRING ? (symbol->textValue ? symbol->textValue : "") : nullptr);
}

const char* ClassOrNull(const char* name)
{
    return name != nullptr && std::strcmp(name, "object") == 0 ? nullptr : name;
}

// ---- names ----

bool CheckIdentifier(WalkerState* state, GSTreeNode* node)
{
    GSSymbolTable* table = state->table;
    GSSymbol* symbol = table->Lookup(node->text, state->currentClass, true, false);
    if (symbol == nullptr) {
        if (IsCalledPart(state, node))
            return true;
        Error(state, node->line, "variable %s not declared, line %d.", node->text);
        return false;
    }
    if (symbol->kind == SYM_CLASS) {
        node->resultType = TYPE_OBJECT;
        node->resultClass = symbol->name;
        node->flags |= MOD_STATIC;
        const GSTreeNode* up = ParentOf(state);
        bool object = up != nullptr && up->IsOperator(OP_MEMBER) && up->child[0] == node;
        if (!(symbol->flags & MOD_STATIC) && !object) {
            Error(state, node->line, "class %s is not static, line %d.", symbol->name);
            return false;
        }
        return true;
    }
    if (symbol->kind != SYM_VARIABLE) {
        Error(state, node->line, "variable %s not declared, line %d.", node->text);
        return false;
    }
    GSVariableSymbol* variable = static_cast<GSVariableSymbol*>(symbol);
    node->resultType = variable->type;
    node->resultClass = variable->className;
    node->flags |= variable->flags & (kModifierMask | FLAG_NO_STORAGE);
    if (variable->flags & MOD_DEFINE) {
        MakeDefineConstant(node, variable);
        return true;
    }
    node->flags |= FLAG_LVALUE;
    int32_t slot = 0;
    if (!table->Slot(variable, state->currentClass, &slot))
        return false;
    node->slot = slot;
    return true;
}

bool CheckMember(WalkerState* state, GSTreeNode* node)
{
    GSTreeNode* object = node->child[0];
    GSTreeNode* member = node->child[1];
    if (object == nullptr || member == nullptr)
        return false;
    int32_t type = object->resultType;
    if (type == TYPE_VOID || type == TYPE_BOOL || type == TYPE_INT || type == TYPE_FLOAT || type == TYPE_NONE) {
        Error(state, node->line, ". operator cannot be used on a non-reference type, line %d.");
        return false;
    }
    if (object->resultClass == nullptr) {
        Error(state, node->line, "unknown object class for '.' operator, line %d.");
        return false;
    }
    GSClassSymbol* cls = ClassNamed(state, object->resultClass);
    if (cls == nullptr) {
        InternalError(state, "Internal compiler error");
        return false;
    }
    GSSymbolTable* table = state->table;
    if (!state->declarationsOnly)
        table->ResolveBases(cls);
    GSSymbol* found = table->Lookup(member->text, cls, false, true);
    if (found == nullptr || found->kind != SYM_VARIABLE) {
        if (IsCalledPart(state, node)) {
            // A method of a class that has no static instance cannot be reached through the class name: refused
            // here, as a member variable is, rather than left to fail when the call runs.
            if ((object->flags & MOD_STATIC) && !(cls->flags & MOD_STATIC)) {
                Error(state, node->line, "%s is not a static class or variable within this class, line %d.",
                      member->text);
                return false;
            }
            ParentOf(state)->flags |= FLAG_MEMBER_CALL;
            node->resultType = TYPE_OBJECT;
            node->resultClass = cls->name;
            return true;
        }
        Error(state, node->line, "member %s does not exist in object %s, line %d.", member->text, cls->name);
        return false;
    }
    bool ok = true;
    if (!(found->flags & MOD_PUBLIC) && cls != state->currentClass) {
        Error(state, node->line, "member %s not public in object %s, line %d.", member->text, cls->name);
        ok = false;
    }
    GSVariableSymbol* variable = static_cast<GSVariableSymbol*>(found);
    if (variable->flags & MOD_DEFINE) {
        MakeDefineConstant(node, variable);
        return ok;
    }
    const GSSymbol* owner = variable->owner;
    if ((object->flags & MOD_STATIC) && !(owner != nullptr && (owner->flags & MOD_STATIC))) {
        Error(state, node->line, "%s is not a static class or variable within this class, line %d.", member->text);
        return false;
    }
    node->resultType = member->resultType = variable->type;
    node->resultClass = member->resultClass = variable->className;
    int32_t slot = 0;
    if (table->Slot(variable, cls, &slot))
        member->slot = node->slot = slot;
    node->flags |= FLAG_LVALUE;
    return ok;
}

// ---- operators ----

bool CheckUnary(WalkerState* state, GSTreeNode* node)
{
    GSTreeNode* operand = node->child[0];
    int32_t result = operand ? UnaryResult(node->code, operand->resultType) : TYPE_NONE;
    if (result == TYPE_NONE) {
        Error(state, node->line, "illegal types for unary operand %s, line %d", OperatorName(node->code));
        return false;
    }
    node->resultType = result;
    bool increment =
        node->code == OP_POST_DEC || node->code == OP_POST_INC || node->code == OP_PRE_DEC || node->code == OP_PRE_INC;
    if (increment) {
        if (!(operand->flags & FLAG_LVALUE)) {
            Error(state, node->line, "expression not an l-value for %s operator, line %d", OperatorName(node->code));
            return false;
        }
        return true;
    }
    FoldUnary(node);
    return true;
}

bool CheckBinary(WalkerState* state, GSTreeNode* node)
{
    GSTreeNode* left = node->child[0];
    GSTreeNode* right = node->child[1];
    int32_t result = left && right ? BinaryResult(node->code, left->resultType, right->resultType) : TYPE_NONE;
    if (result == TYPE_NONE) {
        Error(state, node->line, "illegal types for operand %s, line %d", OperatorName(node->code));
        return false;
    }
    node->resultType = result;
    if (node->code >= OP_MUL && node->code <= OP_OR)
        FoldBinary(node);
    return true;
}

// The name of an indexed value, for the array messages.
const char* IndexedName(const GSTreeNode* node)
{
    if (node == nullptr)
        return nullptr;
    if (node->kind == EXPR_IDENTIFIER)
        return node->text;
    if (node->IsOperator(OP_MEMBER) && node->child[1])
        return node->child[1]->text;
    return nullptr;
}

bool CheckRange(WalkerState* state, GSTreeNode* node)
{
    GSTreeNode* value = node->child[0];
    if (value == nullptr || !(IsArrayLike(value->resultType) || value->resultType == TYPE_NULL)) {
        Error(state, node->line, "%s not an array type for [,] operator, line %d", IndexedName(value));
        return false;
    }
    if (node->child[1] && node->child[1]->resultType != TYPE_INT) {
        Error(state, node->line, "left index not integral for [,] operator, line %d");
        return false;
    }
    if (node->child[2] && node->child[2]->resultType != TYPE_INT) {
        Error(state, node->line, "right index not integral for [,] operator, line %d");
        return false;
    }
    node->resultType = value->resultType;
    node->resultClass = value->resultClass;
    node->flags |= FLAG_LVALUE;
    return true;
}

bool CheckIndex(WalkerState* state, GSTreeNode* node)
{
    GSTreeNode* value = node->child[0];
    if (value == nullptr || !(IsArrayLike(value->resultType) || value->resultType == TYPE_NULL)) {
        Error(state, node->line, "%s not an array type for [] operator, line %d", IndexedName(value));
        return false;
    }
    if (node->child[1] == nullptr || node->child[1]->resultType != TYPE_INT) {
        Error(state, node->line, "index not integral for [] operator, line %d");
        return false;
    }
    node->resultType = value->resultType == TYPE_STRING ? TYPE_INT : value->resultType - 6;
    node->resultClass = value->resultClass;
    node->flags |= FLAG_LVALUE;
    return true;
}

// The conversion rule of casts, with the class test in either direction.
bool CastAllowed(WalkerState* state, int32_t target, const char* targetClass, int32_t source, const char* sourceClass)
{
    if (!Converts(target, source))
        return false;
    targetClass = ClassOrNull(targetClass);
    sourceClass = ClassOrNull(sourceClass);
    if (targetClass == nullptr || sourceClass == nullptr)
        return true;
    if (ClassNamed(state, targetClass) == nullptr || ClassNamed(state, sourceClass) == nullptr)
        return false;
    return Derives(state, sourceClass, targetClass) || Derives(state, targetClass, sourceClass);
}

std::string CastName(int32_t type, const char* className, bool withClass)
{
    return SignatureTypeName(type, withClass ? className : nullptr);
}

bool CheckCast(WalkerState* state, GSTreeNode* node)
{
    GSTreeNode* operand = node->child[0];
    GSTreeNode* type = node->child[1];
    if (operand == nullptr || type == nullptr)
        return false;
    if (!CastAllowed(state, type->resultType, type->resultClass, operand->resultType, operand->resultClass)) {
        bool both = operand->resultClass != nullptr && type->resultClass != nullptr;
        std::string from = CastName(operand->resultType, operand->resultClass, both);
        std::string to = CastName(type->resultType, type->resultClass, both);
        Error(state, node->line, "cannot cast from %s to %s, line %d.", from.c_str(), to.c_str());
        return false;
    }
    node->resultType = type->resultType;
    node->resultClass = type->resultClass;
    return true;
}

bool CheckAssign(WalkerState* state, GSTreeNode* node)
{
    GSTreeNode* left = node->child[0];
    GSTreeNode* right = node->child[1];
    if (left == nullptr || right == nullptr)
        return false;
    if (!AssignmentRule(state, left, right, node))
        return false;
    if (!(left->flags & FLAG_LVALUE)) {
        Error(state, node->line, "illegal l-value for assignment, line %d.");
        node->resultType = TYPE_NONE;
        return false;
    }
    return true;
}

bool CheckSize(WalkerState* state, GSTreeNode* node)
{
    GSTreeNode* value = node->child[0];
    if (value == nullptr || !(IsArrayLike(value->resultType) || value->resultType == TYPE_NULL)) {
        Error(state, node->line, ".size operator requires an array type, line %d.");
        return false;
    }
    node->resultType = TYPE_INT;
    return true;
}

bool CheckIsClass(WalkerState* state, GSTreeNode* node)
{
    GSTreeNode* value = node->child[0];
    if (value == nullptr || value->resultType != TYPE_OBJECT) {
        Error(state, node->line, ".isclass operator requires an object type, line %d.");
        return false;
    }
    const char* name = node->child[1] ? node->child[1]->text : nullptr;
    if (ClassNamed(state, name) == nullptr) {
        Error(state, node->line, "class %s not declared for .isclass operator, line %d.", name);
        return false;
    }
    node->resultType = TYPE_BOOL;
    return true;
}

bool CheckCopy(WalkerState* state, GSTreeNode* node)
{
    GSTreeNode* target = node->child[0];
    GSTreeNode* source = node->child[1];
    if (target == nullptr || !(IsArrayLike(target->resultType) || target->resultType == TYPE_NULL)) {
        Error(state, node->line, ".copy operator requires an array type, line %d.");
        return false;
    }
    if (source == nullptr || !(IsArrayLike(source->resultType) || source->resultType == TYPE_NULL)) {
        Error(state, node->line, ".copy expression must be an array type, line %d.");
        return false;
    }
    if (!Compatible(target, source)) {
        Error(state, node->line, "left and right types incompatible for .copy operator, line %d.");
        return false;
    }
    node->resultType = TYPE_VOID;
    return true;
}

bool CheckNew(WalkerState* state, GSTreeNode* node)
{
    GSTreeNode* type = node->child[0];
    if (type == nullptr)
        return false;
    int32_t code = type->resultType;
    const char* className = type->child[0] ? type->child[0]->text : nullptr;
    if ((code == TYPE_OBJECT || code == TYPE_OBJECT_ARRAY) && className == nullptr) {
        Error(state, node->line, "cannot new unnamed object, line %d.");
        return false;
    }
    bool array = code >= TYPE_VOID_ARRAY && code <= TYPE_OBJECT_ARRAY;
    if (array && (node->child[1] == nullptr || node->child[1]->resultType != TYPE_INT)) {
        Error(state, node->line, "non-integral expression for new[], line %d.");
        return false;
    }
    if (node->child[2] != nullptr) {
        Error(state, node->line, "constructors not yet supported, line %d.");
        return false;
    }
    if (code == TYPE_OBJECT) {
        GSClassSymbol* cls = ClassNamed(state, className);
        if (cls == nullptr) {
            Error(state, node->line, "cannot find class %s in this translation unit, line %d.", className);
            return false;
        }
        if (cls->flags & (MOD_STATIC | MOD_GAME)) {
            Error(state, node->line, "cannot new static or game class, line %d.");
            return false;
        }
    } else if (code != TYPE_STRING && !(code >= TYPE_BOOL_ARRAY && code <= TYPE_OBJECT_ARRAY)) {
        Error(state, node->line, "cannot new type %s, line %d.", TypeName(code));
        return false;
    }
    node->resultType = code;
    node->resultClass = type->resultClass ? type->resultClass : className;
    return true;
}

// ---- calls ----

struct Parameter {
    int32_t type;
    std::string className;
};

void ParametersOf(const GSFunctionSymbol* function, std::vector<Parameter>* out)
{
    out->clear();
    int position = 0;
    std::string item;
    for (bool more = FirstParameterType(&position, function->name, &item); more;
         more = NextParameterType(&position, function->name, &item)) {
        Parameter parameter;
        std::string className;
        parameter.type = TypeCodeOfName(item, &className);
        if (parameter.type == TYPE_OBJECT || parameter.type == TYPE_OBJECT_ARRAY)
            parameter.className = className;
        out->push_back(parameter);
    }
}

bool NeedsConversion(const Parameter& parameter, const GSTreeNode* argument)
{
    if (parameter.type != argument->resultType)
        return true;
    const char* wanted = parameter.className.empty() ? nullptr : parameter.className.c_str();
    const char* given = argument->resultClass;
    if (wanted == nullptr || given == nullptr)
        return wanted != given;
    return std::strcmp(wanted, given) != 0;
}

// Replaces `argument` in the call's argument list by a cast to `parameter`.
bool InsertCast(WalkerState* state, GSTreeNode* call, GSTreeNode* previous, GSTreeNode* argument,
                const Parameter& parameter)
{
    GSCompileUnit* unit = state->unit;
    GSTreeNode* cast = unit->NewNode(GROUP_EXPRESSION, EXPR_OPERATOR, argument->line, OP_CAST);
    GSTreeNode* type = unit->NewNode(GROUP_DECLARATION, DECL_TYPE, argument->line, parameter.type);
    if (cast == nullptr || type == nullptr)
        return false;
    const char* className = parameter.className.empty() ? nullptr : state->table->CopyName(parameter.className);
    type->resultType = parameter.type;
    type->resultClass = className;
    if (className != nullptr) {
        GSTreeNode* name = unit->NewNode(GROUP_DECLARATION, DECL_NAME, argument->line, -1);
        if (name == nullptr)
            return false;
        name->text = className;
        type->child[0] = name;
    }
    cast->resultType = parameter.type;
    cast->resultClass = className;
    cast->child[0] = argument;
    cast->child[1] = type;
    cast->next = argument->next;
    cast->flags = argument->flags & FLAG_VALUE_NOT_USED;
    argument->next = nullptr;
    if (previous != nullptr) {
        previous->next = cast;
    } else {
        call->child[1] = cast;
    }
    return true;
}

// Applies the chosen function to the call: result, slot and argument casts.
bool ApplyCallee(WalkerState* state, GSTreeNode* node, GSFunctionSymbol* function, GSClassSymbol* cls, bool member)
{
    bool ok = true;
    node->resultType = function->type;
    node->resultClass = function->returnClass;
    node->flags |= function->flags & kModifierMask;
    if (cls != nullptr && (cls->flags & (MOD_STATIC | MOD_FINAL)))
        node->flags |= MOD_FINAL;
    int32_t slot = 0;
    if (state->table->Slot(function, cls, &slot))
        node->slot = slot;
    if (member && cls != state->currentClass && !(function->flags & MOD_PUBLIC)) {
        Report(state->unit, true, false, node->line, "function %s not public in object %s, line %d.",
               function->PlainName().c_str(), cls ? cls->name : "(null)", node->line);
        ok = false;
    }
    std::vector<Parameter> parameters;
    ParametersOf(function, &parameters);
    GSTreeNode* previous = nullptr;
    size_t i = 0;
    for (GSTreeNode* argument = node->child[1]; argument != nullptr && i < parameters.size(); ++i) {
        GSTreeNode* next = argument->next;
        const Parameter& parameter = parameters[i];
        if (NeedsConversion(parameter, argument)) {
            const char* wanted = parameter.className.empty() ? nullptr : parameter.className.c_str();
            if (!CastAllowed(state, parameter.type, wanted, argument->resultType, argument->resultClass)) {
                Error(state, node->line, "Error in expression, line %d.");
                ok = false;
                previous = argument;
            } else if (InsertCast(state, node, previous, argument, parameter)) {
                previous = previous ? previous->next : node->child[1];
            } else {
                previous = argument;
            }
        } else {
            previous = argument;
        }
        argument = next;
    }
    return ok;
}

bool CheckCall(WalkerState* state, GSTreeNode* node)
{
    GSTreeNode* called = node->child[0];
    if (called != nullptr)
        called->flags |= FLAG_CALLEE;
    const char* name = CalledName(node);
    if (name == nullptr) {
        InternalError(state, "Internal compiler error.");
        return false;
    }
    GSSymbolTable* table = state->table;
    bool member = called->IsOperator(OP_MEMBER);
    GSClassSymbol* cls = member ? ClassNamed(state, called->resultClass) : state->currentClass;
    if (cls != nullptr && !state->declarationsOnly)
        table->ResolveBases(cls);
    int argumentCount = 0;
    for (const GSTreeNode* argument = node->child[1]; argument != nullptr; argument = argument->next)
        ++argumentCount;

    GSFunctionSymbol* candidates[kMaxFunctionCandidates];
    int count = 0;
    if (std::strcmp(name, "inherited") == 0) {
        if (member) {
            Error(state, node->line, "'inherited' can only be used on current function, line %d.");
            return false;
        }
        GSFunctionSymbol* current = state->currentFunction;
        if (current == nullptr) {
            Error(state, node->line, "internal compiler error while parsing 'inherited', line %d.");
            return false;
        }
        if (current->flags & (MOD_NATIVE | MOD_THREAD)) {
            Error(state, node->line, "'inherited' can not be used on native or thread function, line %d.");
            return false;
        }
        // The base-class version: the same short signature in the bases.
        if (cls != nullptr) {
            for (const BaseEntry& entry : cls->bases) {
                GSSymbol* found = table->FindOwnMember(entry.base, current->name, true);
                if (found != nullptr && found->kind == SYM_FUNCTION) {
                    table->GiveReferenceIndex(found);
                    return ApplyCallee(state, node, static_cast<GSFunctionSymbol*>(found), cls, false);
                }
            }
        }
        Error(state, node->line, "function %s not declared, line %d.", name);
        return false;
    }
    count = table->FindFunctions(cls, name, argumentCount, candidates, kMaxFunctionCandidates, true);
    GSFunctionSymbol* best = nullptr;
    int bestCost = 0;
    int exact = 0;
    std::vector<Parameter> parameters;
    for (int c = 0; c < count; ++c) {
        ParametersOf(candidates[c], &parameters);
        int cost = 0;
        bool viable = true;
        size_t i = 0;
        for (const GSTreeNode* argument = node->child[1]; argument != nullptr && viable;
             argument = argument->next, ++i) {
            if (i >= parameters.size()) {
                viable = false;
                break;
            }
            const Parameter& parameter = parameters[i];
            if (!NeedsConversion(parameter, argument))
                continue;
            const char* wanted = parameter.className.empty() ? nullptr : parameter.className.c_str();
            if (!CastAllowed(state, parameter.type, wanted, argument->resultType, argument->resultClass))
                viable = false;
            ++cost;
        }
        if (!viable)
            continue;
        if (cost == 0)
            ++exact;
        if (best == nullptr || cost < bestCost) {
            best = candidates[c];
            bestCost = cost;
        }
    }
    if (best == nullptr) {
        if (member) {
            Error(state, node->line, "function %s not declared in class %s or derivative, line %d.", name,
                  cls ? cls->name : nullptr);
        } else {
            Error(state, node->line, "function %s not declared, line %d.", name);
        }
        return false;
    }
    table->GiveReferenceIndex(best);
    bool ok = true;
    if (exact > 1) {
        Error(state, node->line, "function call %s is ambiguous, line %d.", name);
        ok = false;
    }
    return ApplyCallee(state, node, best, cls, member) && ok;
}

}  // namespace

bool ResolveType(WalkerState* state, GSTreeNode* type)
{
    if (type == nullptr)
        return false;
    type->resultType = type->code;
    GSTreeNode* name = type->child[0];
    if (name == nullptr || type->resultClass != nullptr)
        return true;
    if (state->declarationsOnly) {
        type->resultClass = state->table->CopyName(name->text);
        return true;
    }
    GSClassSymbol* cls = ClassNamed(state, name->text);
    if (cls == nullptr) {
        Error(state, type->line, "object<%s> not declared, line %d.", name->text);
        return false;
    }
    type->resultClass = cls->name;
    return true;
}

bool AssignmentRule(WalkerState* state, GSTreeNode* target, GSTreeNode* value, GSTreeNode* result)
{
    if (!Converts(target->resultType, value->resultType)) {
        std::string from = ExpressionTypeName(value);
        std::string to = ExpressionTypeName(target);
        Error(state, value->line, "cannot cast from %s to %s, line %d.", from.c_str(), to.c_str());
        return false;
    }
    const char* targetClass = target->resultClass;
    const char* valueClass = value->resultClass;
    if (targetClass != nullptr && valueClass != nullptr) {
        if (ClassNamed(state, valueClass) == nullptr) {
            Error(state, value->line, "class %s not defined, line %d.", valueClass);
            return false;
        }
        if (!Derives(state, valueClass, targetClass)) {
            Error(state, value->line, "cannot cast from object<%s> to object<%s>, line %d.", valueClass, targetClass);
            return false;
        }
    }
    result->resultType = target->resultType;
    result->resultClass = target->resultClass;
    return true;
}

bool CheckExpression(WalkerState* state, GSTreeNode* node)
{
    switch (node->kind) {
    case EXPR_CONSTANT:
        node->resultType = node->code == CONST_BOOL    ? TYPE_BOOL
                           : node->code == CONST_INT   ? TYPE_INT
                           : node->code == CONST_FLOAT ? TYPE_FLOAT
                                                       : TYPE_STRING;
        return true;
    case EXPR_NULL:
        node->resultType = TYPE_NULL;
        return true;
    case EXPR_ME:
        if (state->currentClass == nullptr) {
            Error(state, node->line, "me keyword invalid in static, line %d.");
            return false;
        }
        node->resultType = TYPE_OBJECT;
        node->resultClass = state->currentClass->name;
        return true;
    case EXPR_IDENTIFIER:
        return CheckIdentifier(state, node);
    case EXPR_CALL:
        return CheckCall(state, node);
    case EXPR_MEMBER_NAME:
        return true;
    case EXPR_OPERATOR:
        break;
    default:
        return true;
    }
    switch (node->code) {
    case OP_MEMBER:
        return CheckMember(state, node);
    case OP_RANGE:
        return CheckRange(state, node);
    case OP_INDEX:
        return CheckIndex(state, node);
    case OP_CAST:
        return CheckCast(state, node);
    case OP_ASSIGN:
        return CheckAssign(state, node);
    case OP_SIZE:
        return CheckSize(state, node);
    case OP_ISCLASS:
        return CheckIsClass(state, node);
    case OP_COPY:
        return CheckCopy(state, node);
    case OP_NEW:
        return CheckNew(state, node);
    case OP_POST_DEC:
    case OP_POST_INC:
    case OP_PLUS:
    case OP_NEGATE:
    case OP_NOT:
    case OP_COMPLEMENT:
    case OP_PRE_DEC:
    case OP_PRE_INC:
        return CheckUnary(state, node);
    default:
        return CheckBinary(state, node);
    }
}

}  // namespace GSCompiler
