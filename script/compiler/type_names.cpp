// Type, operator and modifier names and signature texts.
#include "script/compiler/type_names.h"

#include <cstring>

namespace GSCompiler {

namespace {

const char* const kTypeNames[] = {"void",   "bool",  "int",     "float",    "string",   "object", "void[]",
                                  "bool[]", "int[]", "float[]", "string[]", "object[]", "",       "null"};

const char* const kOperatorNames[] = {
    "--", "++", ".", "+",  "-",  "!",  "~",  "--", "++", "[,]", "[]",  "()", "*", "/",    "%",       "+",    "-",  "<<",
    ">>", "<",  ">", "<=", ">=", "==", "!=", "&",  "^",  "|",   "and", "or", "=", "size", "isclass", "copy", "new"};

}  // namespace

const char* TypeName(int32_t code)
{
    if (code < 0 || code > TYPE_NULL)
        return "illegal type";
    return kTypeNames[code];
}

std::string SignatureTypeName(int32_t type, const char* className)
{
    if (className != nullptr) {
        std::string name = className;
        if (type == TYPE_OBJECT_ARRAY)
            name += "[]";
        return name;
    }
    return TypeName(type);
}

std::string ExpressionTypeName(const GSTreeNode* node)
{
    if (node == nullptr)
        return "illegal type";
    return SignatureTypeName(node->resultType, node->resultClass);
}

const char* OperatorName(int32_t code)
{
    if (code < 0 || code > OP_NEW)
        return "";
    return kOperatorNames[code];
}

std::string ModifierNames(uint32_t bits)
{
    static const struct {
        uint32_t bit;
        const char* name;
    } kNames[] = {{MOD_PUBLIC, "public "}, {MOD_NATIVE, "native "},   {MOD_STATIC, "static "},
                  {MOD_FINAL, "final "},   {MOD_THREAD, "thread "},   {MOD_CONSTRUCTOR, "constructor "},
                  {MOD_GAME, "game "},     {MOD_SECURED, "secured "}, {MOD_DEFINE, "define "}};
    std::string out;
    for (const auto& entry : kNames) {
        if (bits & entry.bit)
            out += entry.name;
    }
    return out;
}

int32_t TypeCodeOfName(const std::string& name, std::string* className)
{
    for (int32_t code = 0; code <= TYPE_NULL; ++code) {
        if (code == TYPE_NONE)
            continue;
        if (name == kTypeNames[code])
            return code;
    }
    if (name.find("[]") != std::string::npos) {
        if (className)
            *className = name.size() >= 2 ? name.substr(0, name.size() - 2) : std::string();
        return TYPE_OBJECT_ARRAY;
    }
    if (className)
        *className = name;
    return TYPE_OBJECT;
}

bool NextParameterType(int* position, const char* signature, std::string* item)
{
    if (*position < 0)
        return false;
    const char* start = signature + *position;
    const char* end = start;
    while (*end != '\0' && *end != ',' && *end != ')')
        ++end;
    item->assign(start, end);
    if (item->empty()) {
        *position = -1;
        return false;
    }
    *position = static_cast<int>(end - signature) + (*end != '\0' ? 1 : 0);
    return true;
}

bool FirstParameterType(int* position, const char* signature, std::string* item)
{
    const char* open = std::strchr(signature, '(');
    if (open == nullptr) {
        *position = -1;
        return false;
    }
    *position = static_cast<int>(open - signature) + 1;
    return NextParameterType(position, signature, item);
}

const char* CalledName(const GSTreeNode* call)
{
    const GSTreeNode* called = call->kind == EXPR_CALL ? call->child[0] : call;
    if (called == nullptr)
        return nullptr;
    if (called->group == GROUP_EXPRESSION && called->kind == EXPR_IDENTIFIER)
        return called->text;
    if (called->IsOperator(OP_MEMBER) && called->child[1])
        return called->child[1]->text;
    return nullptr;
}

bool ValueDropped(GSTreeNode* node)
{
    if (!(node->flags & FLAG_VALUE_NOT_USED))
        return false;
    node->flags |= FLAG_VALUE_DROPPED;
    return true;
}

namespace {

bool SameClass(const char* a, const char* b)
{
    if (a == nullptr || b == nullptr)
        return a == b;
    return std::strcmp(a, b) == 0;
}

}  // namespace

bool Compatible(const char* className, int32_t type, const GSTreeNode* node)
{
    int32_t other = node->resultType;
    if ((type == TYPE_NULL && other == TYPE_OBJECT) || (type == TYPE_OBJECT && other == TYPE_NULL))
        return true;
    if (type != other)
        return false;
    if (type == TYPE_OBJECT)
        return SameClass(className, node->resultClass);
    return true;
}

bool Compatible(const GSTreeNode* a, const GSTreeNode* b)
{
    return Compatible(a->resultClass, a->resultType, b);
}

bool SignatureText(const char* className, const GSTreeNode* function, std::string* out, bool withReturnType,
                   bool withClassNames)
{
    if (function == nullptr || function->group != GROUP_DECLARATION ||
        (function->kind != DECL_FUNCTION && function->kind != DECL_PROTOTYPE)) {
        return false;
    }
    out->clear();
    const GSTreeNode* returnType = function->child[0];
    if (withReturnType && returnType != nullptr) {
        *out += '$';
        const char* returnClass = returnType->child[0] ? returnType->child[0]->text : nullptr;
        *out += SignatureTypeName(returnType->code, returnClass);
    }
    if (className != nullptr) {
        *out += '@';
        *out += className;
    }
    if (function->child[1] != nullptr && function->child[1]->text != nullptr) {
        *out += "::";
        *out += function->child[1]->text;
        *out += '(';
    }
    bool first = true;
    for (const GSTreeNode* parameter = function->child[2]; parameter; parameter = parameter->next) {
        const GSTreeNode* type = parameter->child[0];
        if (!first)
            *out += ',';
        first = false;
        const char* parameterClass = withClassNames && type->child[0] ? type->child[0]->text : nullptr;
        *out += SignatureTypeName(type->code, parameterClass);
    }
    *out += ')';
    return true;
}

}  // namespace GSCompiler
