// Text dumps of parse trees.
#include "script/compiler/tree_dump.h"

#include <cstdio>
#include <vector>

#include "script/compiler/type_names.h"

namespace GSCompiler {

namespace {

void AppendNode(const GSTreeNode* node, std::string* out)
{
    char line[160];
    std::snprintf(line, sizeof line, "%d.%d line %d", node->group, node->kind, node->line);
    *out += line;
    if (node->group == GROUP_EXPRESSION && node->kind == EXPR_OPERATOR) {
        *out += " op ";
        *out += OperatorName(node->code);
    } else if (node->group == GROUP_EXPRESSION && node->kind == EXPR_CONSTANT) {
        switch (node->code) {
        case CONST_BOOL:
            std::snprintf(line, sizeof line, " bool %u", node->bits);
            break;
        case CONST_INT:
            std::snprintf(line, sizeof line, " int %d", node->IntValue());
            break;
        case CONST_FLOAT:
            std::snprintf(line, sizeof line, " float %.9g", node->FloatValue());
            break;
        default:
            std::snprintf(line, sizeof line, " string");
            break;
        }
        *out += line;
        if (node->code == CONST_STRING && node->text) {
            *out += " \"";
            *out += node->text;
            *out += "\"";
        }
    } else if (node->group == GROUP_DECLARATION && node->kind == DECL_TYPE) {
        *out += " type ";
        *out += TypeName(node->code);
    } else if (node->HasText() && node->text != nullptr) {
        *out += " '";
        *out += node->text;
        *out += "'";
    }
    // The called-part mark is the check's bookkeeping, not the node's meaning.
    const uint32_t flags = node->flags & ~uint32_t(FLAG_CALLEE);
    if (flags != 0) {
        std::snprintf(line, sizeof line, " flags 0x%X", flags);
        *out += line;
    }
    if (node->resultType != TYPE_NONE) {
        // A statement's word there is its partner, never a class name.
        const char* resultClass = node->group == GROUP_STATEMENT ? nullptr : node->resultClass;
        *out += " : ";
        *out += resultClass ? resultClass : TypeName(node->resultType);
        if (resultClass && node->resultType == TYPE_OBJECT_ARRAY)
            *out += "[]";
    }
    // A statement's and a constant's word there is no slot.
    const bool hasSlot =
        node->group != GROUP_STATEMENT && !(node->group == GROUP_EXPRESSION && node->kind == EXPR_CONSTANT);
    if (hasSlot && node->slot != 0) {
        std::snprintf(line, sizeof line, " slot %d", node->slot);
        *out += line;
    }
    *out += '\n';
}

}  // namespace

void DumpTree(const GSTreeNode* root, std::string* out)
{
    // Iterative, so that any nesting the parser accepts can be dumped.
    struct Entry {
        const GSTreeNode* node;
        int depth;
    };
    std::vector<Entry> stack;
    if (root)
        stack.push_back({root, 0});
    while (!stack.empty()) {
        Entry entry = stack.back();
        stack.pop_back();
        out->append(size_t(entry.depth) * 2, ' ');
        AppendNode(entry.node, out);
        if (entry.node->next)
            stack.push_back({entry.node->next, entry.depth});
        for (int i = 3; i >= 0; --i) {
            if (entry.node->child[i])
                stack.push_back({entry.node->child[i], entry.depth + 1});
        }
    }
}

std::string TreeSExpr(const GSTreeNode* node)
{
    if (node == nullptr)
        return "_";
    char buffer[64];
    std::string out;
    switch (node->group * 100 + node->kind) {
    case GROUP_EXPRESSION * 100 + EXPR_CONSTANT:
        if (node->code == CONST_INT)
            std::snprintf(buffer, sizeof buffer, "%d", node->IntValue());
        else if (node->code == CONST_FLOAT)
            std::snprintf(buffer, sizeof buffer, "%gf", node->FloatValue());
        else if (node->code == CONST_BOOL)
            std::snprintf(buffer, sizeof buffer, "%s", node->bits ? "true" : "false");
        else
            return std::string("\"") + (node->text ? node->text : "") + "\"";
        return buffer;
    case GROUP_EXPRESSION * 100 + EXPR_IDENTIFIER:
    case GROUP_EXPRESSION * 100 + EXPR_MEMBER_NAME:
    case GROUP_DECLARATION * 100 + DECL_NAME:
        return node->text ? node->text : "?";
    case GROUP_EXPRESSION * 100 + EXPR_ME:
        return "me";
    case GROUP_EXPRESSION * 100 + EXPR_NULL:
        return "null";
    case GROUP_DECLARATION * 100 + DECL_TYPE:
        out = TypeName(node->code);
        if (node->child[0])
            out += std::string("<") + TreeSExpr(node->child[0]) + ">";
        return out;
    case GROUP_EXPRESSION * 100 + EXPR_CALL:
        out = "(call " + TreeSExpr(node->child[0]);
        for (const GSTreeNode* a = node->child[1]; a; a = a->next)
            out += " " + TreeSExpr(a);
        return out + ")";
    case GROUP_EXPRESSION * 100 + EXPR_OPERATOR:
        out = std::string("(") + (node->code == OP_CAST     ? "cast"
                                  : node->code == OP_ASSIGN ? "="
                                                            : OperatorName(node->code));
        for (int i = 0; i < 4; ++i) {
            if (node->child[i])
                out += " " + TreeSExpr(node->child[i]);
        }
        return out + ")";
    default:
        std::snprintf(buffer, sizeof buffer, "<%d.%d>", node->group, node->kind);
        return buffer;
    }
}

}  // namespace GSCompiler
