// Parse-tree node record and the codes that describe it.
#pragma once

#include <cstdint>

namespace GSCompiler {

enum NodeGroup : int32_t { GROUP_DECLARATION = 0, GROUP_STATEMENT = 1, GROUP_EXPRESSION = 2 };

enum DeclarationKind : int32_t {
    DECL_FUNCTION = 0,
    DECL_PROTOTYPE = 1,
    DECL_INCLUDE = 2,
    DECL_CLASS = 3,
    DECL_VARIABLES = 4,
    DECL_DECLARATOR = 5,
    DECL_TYPE = 6,
    DECL_PARAMETER = 7,
    DECL_NAME = 8,
};

enum StatementKind : int32_t {
    STMT_RETURN = 0,
    STMT_BREAK = 1,
    STMT_CONTINUE = 2,
    STMT_GOTO = 3,
    STMT_FOR = 4,
    STMT_WHILE = 5,
    STMT_SWITCH = 6,
    STMT_IF = 7,
    STMT_DEFAULT = 8,
    STMT_CASE = 9,
    STMT_LABEL = 10,
    STMT_BLOCK = 11,
    STMT_WAIT = 12,
    STMT_ON = 13,
};

enum ExpressionKind : int32_t {
    EXPR_OPERATOR = 0,
    EXPR_CONSTANT = 1,
    EXPR_IDENTIFIER = 2,
    EXPR_CALL = 3,
    EXPR_MEMBER_NAME = 4,
    EXPR_ME = 5,
    EXPR_NULL = 6,
};

enum TypeCode : int32_t {
    TYPE_VOID = 0,
    TYPE_BOOL = 1,
    TYPE_INT = 2,
    TYPE_FLOAT = 3,
    TYPE_STRING = 4,
    TYPE_OBJECT = 5,
    TYPE_VOID_ARRAY = 6,
    TYPE_BOOL_ARRAY = 7,
    TYPE_INT_ARRAY = 8,
    TYPE_FLOAT_ARRAY = 9,
    TYPE_STRING_ARRAY = 10,
    TYPE_OBJECT_ARRAY = 11,
    TYPE_NONE = 12,
    TYPE_NULL = 13,
};

enum ConstantKind : int32_t { CONST_BOOL = 0, CONST_INT = 1, CONST_FLOAT = 2, CONST_STRING = 3 };

enum OperatorCode : int32_t {
    OP_POST_DEC = 0,
    OP_POST_INC = 1,
    OP_MEMBER = 2,
    OP_PLUS = 3,
    OP_NEGATE = 4,
    OP_NOT = 5,
    OP_COMPLEMENT = 6,
    OP_PRE_DEC = 7,
    OP_PRE_INC = 8,
    OP_RANGE = 9,
    OP_INDEX = 10,
    OP_CAST = 11,
    OP_MUL = 12,
    OP_DIV = 13,
    OP_MOD = 14,
    OP_ADD = 15,
    OP_SUB = 16,
    OP_SHL = 17,
    OP_SHR = 18,
    OP_LT = 19,
    OP_GT = 20,
    OP_LE = 21,
    OP_GE = 22,
    OP_EQ = 23,
    OP_NE = 24,
    OP_BIT_AND = 25,
    OP_BIT_XOR = 26,
    OP_BIT_OR = 27,
    OP_AND = 28,
    OP_OR = 29,
    OP_ASSIGN = 30,
    OP_SIZE = 31,
    OP_ISCLASS = 32,
    OP_COPY = 33,
    OP_NEW = 34,
};

// Modifier bits and node marks.
enum NodeFlag : uint32_t {
    MOD_PUBLIC = 0x1,
    MOD_NATIVE = 0x2,
    MOD_STATIC = 0x4,
    MOD_FINAL = 0x8,
    MOD_THREAD = 0x10,
    MOD_CONSTRUCTOR = 0x20,
    MOD_GAME = 0x40,
    MOD_DEFINE = 0x80,
    MOD_SECURED = 0x100,
    FLAG_CALLEE = 0x200,  // the called part of a call (its first child), marked by the check
    FLAG_SWITCH_HAS_DEFAULT = 0x400000,
    FLAG_VALUE_DROPPED = 0x800000,
    FLAG_MEMBER_DECLARATION = 0x4000000,
    FLAG_FUNCTION_BODY = 0x8000000,
    FLAG_VALUE_NOT_USED = 0x10000000,
    FLAG_MEMBER_CALL = 0x20000000,
    FLAG_LVALUE = 0x40000000,
    FLAG_NO_STORAGE = 0x80000000,
};

constexpr uint32_t kModifierMask = 0x1FF;

// One node of a unit's parse tree, taken from the unit's node pool.
//
// A large source makes several hundred thousand nodes, so the record's size
// is most of a compile's peak memory: the pointers come first and the 32-bit
// words next, so nothing is padded, and the four codes (group, kind, code and
// result type all lie within -6..34) take a byte each. Words are shared by
// node groups that never use the other's meaning: a statement links to the
// statement it belongs to (`partner`: a jump's loop, a case's switch, a
// handler's wait) and to the next such statement (`listLink`); an expression
// or declaration has a result class and a name or string text, except a
// declarator, which keeps the symbol it made instead (its name is a child).
// HasText() tells whether `text` is meaningful. A node keeps no link to its
// parent: the check's walk knows the open nodes, and marks a call's called
// part for code generation. 72 bytes.
struct GSTreeNode {
    GSTreeNode* child[4];
    GSTreeNode* next;
    union {
        GSTreeNode* partner;      // statements only
        const char* resultClass;  // expressions and declarations only
    };
    union {
        GSTreeNode* listLink;  // statements only
        void* symbol;          // declarators only
        const char* text;      // expressions and declarations but declarators
    };
    int32_t line;
    // One word, three meanings that never meet on one node.
    union {
        uint32_t bits;  // constants only
        int32_t slot;   // names, identifiers, members and calls only
        int32_t work;   // statements only: code generation's construct
    };
    uint32_t flags;
    int8_t group;
    int8_t kind;
    int8_t code;
    int8_t resultType;

    bool Is(int32_t g, int32_t k) const { return group == g && kind == k; }
    bool HasText() const { return group != GROUP_STATEMENT && !Is(GROUP_DECLARATION, DECL_DECLARATOR); }
    bool IsOperator(int32_t op) const { return group == GROUP_EXPRESSION && kind == EXPR_OPERATOR && code == op; }
    int32_t IntValue() const { return static_cast<int32_t>(bits); }
    float FloatValue() const;
    void SetFloat(float value);
};

static_assert(sizeof(GSTreeNode) == 72 || sizeof(void*) != 8, "a parse-tree node is padded");

}  // namespace GSCompiler
