// Hand-written DudoRazuzu parser. It accepts exactly the LALR(1) grammar of
// the language and reproduces the original parser's observable behaviour:
// a node's line is the scanner's line count when the node's rule is reduced,
// i.e. the line of the rule's last token, or of the next token when the
// table-driven parser had to read a look-ahead token before reducing. So this
// parser reads a look-ahead token only where that parser did: nodes are made
// right after their last token when it ends the rule unambiguously, and after
// a peek where the grammar needs one. It also counts the entries the original
// parser stack would hold, so that nesting overflows at the same depth.
#include "script/compiler/parser.h"

#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "script/common/string_literal.h"
#include "script/compiler/compile_log.h"
#include "script/compiler/compile_unit.h"
#include "script/compiler/compiler_state.h"
#include "script/compiler/parse_thread.h"
#include "script/compiler/scanner.h"
#include "script/compiler/tokens.h"
#include "script/compiler/tree.h"
#include "zel/ascii.h"

namespace GSCompiler {

namespace {

constexpr int kNoToken = -1000;

struct ParseAbort {
    int result;
};

bool IsSpecifier(int token)
{
    switch (token) {
    case KEYWORD_PUBLIC:
    case KEYWORD_NATIVE:
    case KEYWORD_FINAL:
    case KEYWORD_THREAD:
    case KEYWORD_STATIC:
    case KEYWORD_GAME:
    case KEYWORD_SECURED:
    case KEYWORD_DEFINE:
        return true;
    default:
        return false;
    }
}

uint32_t SpecifierBit(int token)
{
    switch (token) {
    case KEYWORD_PUBLIC:
        return MOD_PUBLIC;
    case KEYWORD_NATIVE:
        return MOD_NATIVE;
    case KEYWORD_FINAL:
        return MOD_FINAL;
    case KEYWORD_THREAD:
        return MOD_THREAD;
    case KEYWORD_STATIC:
        return MOD_STATIC;
    case KEYWORD_GAME:
        return MOD_GAME;
    case KEYWORD_SECURED:
        return MOD_SECURED;
    default:
        return MOD_DEFINE;
    }
}

bool IsPrimitive(int token)
{
    return token >= KEYWORD_VOID && token <= KEYWORD_OBJECT;
}

int PrimitiveCode(int token)
{
    return token - KEYWORD_VOID;
}

bool IsConstant(int token)
{
    return (token >= CONSTANT_HEX && token <= CONSTANT_STRING) || token == KEYWORD_TRUE || token == KEYWORD_FALSE;
}

// Binding strength of the binary operators, loosest first; 0 = not binary.
int Precedence(int token)
{
    switch (token) {
    case KEYWORD_OR:
        return 1;
    case KEYWORD_AND:
        return 2;
    case '|':
        return 3;
    case '^':
        return 4;
    case '&':
        return 5;
    case SYMBOL_EQ:
    case SYMBOL_NEQ:
        return 6;
    case '<':
    case '>':
    case SYMBOL_LTE:
    case SYMBOL_GTE:
        return 7;
    case SYMBOL_LEFT_SHIFT:
    case SYMBOL_RIGHT_SHIFT:
        return 8;
    case '+':
    case '-':
        return 9;
    case '*':
    case '/':
    case '%':
        return 10;
    default:
        return 0;
    }
}

int BinaryCode(int token)
{
    switch (token) {
    case KEYWORD_OR:
        return OP_OR;
    case KEYWORD_AND:
        return OP_AND;
    case '|':
        return OP_BIT_OR;
    case '^':
        return OP_BIT_XOR;
    case '&':
        return OP_BIT_AND;
    case SYMBOL_EQ:
        return OP_EQ;
    case SYMBOL_NEQ:
        return OP_NE;
    case '<':
        return OP_LT;
    case '>':
        return OP_GT;
    case SYMBOL_LTE:
        return OP_LE;
    case SYMBOL_GTE:
        return OP_GE;
    case SYMBOL_LEFT_SHIFT:
        return OP_SHL;
    case SYMBOL_RIGHT_SHIFT:
        return OP_SHR;
    case '+':
        return OP_ADD;
    case '-':
        return OP_SUB;
    case '*':
        return OP_MUL;
    case '/':
        return OP_DIV;
    default:
        return OP_MOD;
    }
}

GSTreeNode* LastOf(GSTreeNode* node)
{
    while (node->next != nullptr)
        node = node->next;
    return node;
}

void MarkList(GSTreeNode* list, bool set)
{
    for (; list != nullptr; list = list->next) {
        if (set) {
            list->flags |= FLAG_VALUE_NOT_USED;
        } else {
            list->flags &= ~FLAG_VALUE_NOT_USED;
        }
    }
}

// Appends lists while keeping the tail, as the list rules do by walking to the end.
struct ListBuilder {
    GSTreeNode* first = nullptr;
    GSTreeNode* tail = nullptr;
    void Append(GSTreeNode* node)
    {
        if (node == nullptr)
            return;
        if (first == nullptr) {
            first = node;
        } else {
            tail->next = node;
        }
        tail = LastOf(node);
    }
};

class Parser {
public:
    Parser(FlexLexer* scanner, GSCompileUnit* unit) : scanner_(scanner), unit_(unit) {}

    int Run()
    {
        try {
            unit_->root = ParseProgram();
            return 0;
        } catch (const ParseAbort& abort) {
            return abort.result;
        }
    }

private:
    // ---- tokens and the parser stack ----
    int Peek()
    {
        if (la_ != kNoToken)
            return la_;
        la_ = scanner_->yylex();
        if (la_ == kTokenTooLong) {
            int line = scanner_->lineno();
            Report(unit_, true, false, line, "token too long, line %d", line);
            throw ParseAbort{1};
        }
        laText_ = scanner_->YYText();
        laLength_ = static_cast<size_t>(scanner_->YYLeng());
        return la_;
    }

    int Line() const { return scanner_->lineno(); }

    void Push()
    {
        if (++depth_ >= kParserStackLimit) {
            int line = Line();
            Report(unit_, true, false, line, "%s, line %d", "parser stack overflow", line);
            throw ParseAbort{2};
        }
    }

    // Consumes the look-ahead token.
    void Shift()
    {
        Peek();
        text_ = laText_;
        length_ = laLength_;
        la_ = kNoToken;
        Push();
    }

    [[noreturn]] void SyntaxError()
    {
        int line = Line();
        Report(unit_, true, false, line, "%s, line %d", "parse error", line);
        throw ParseAbort{1};
    }

    void Expect(int token)
    {
        if (Peek() != token)
            SyntaxError();
        Shift();
    }

    // A reduction leaves one entry where the rule's symbols were.
    void Reduced(int base) { depth_ = base + 1; }

    GSTreeNode* Node(int group, int kind, int code = -1)
    {
        if (ParseTraceHook != nullptr)
            ParseTraceHook(group, kind, Line());
        GSTreeNode* node = unit_->NewNode(group, kind, Line(), code);
        if (node == nullptr) {
            Print(unit_, "Internal compiler error.");
            ++unit_->errorCount;
            throw ParseAbort{1};
        }
        return node;
    }

    const char* CopyText(const char* text, size_t length)
    {
        const char* copy = unit_->CopyText(text, length);
        if (copy == nullptr) {
            Print(unit_, "Internal compiler error.");
            ++unit_->errorCount;
            throw ParseAbort{1};
        }
        return copy;
    }

    // ---- declarations ----
    GSTreeNode* ParseProgram()
    {
        ListBuilder list;
        if (Peek() == KEYWORD_INCLUDE) {
            int base = depth_;
            while (Peek() == KEYWORD_INCLUDE) {
                list.Append(ParseInclude());
                Reduced(base);
            }
        }
        int base = depth_;
        do {
            GSTreeNode* declaration = ParseClass();
            if (unit_->classSink != nullptr) {
                unit_->classSink->TakeClass(list.first, declaration);
            } else {
                list.Append(declaration);
            }
            Reduced(base);
        } while (Peek() != TOKEN_END);
        return list.first;
    }

    GSTreeNode* ParseInclude()
    {
        int base = depth_;
        Shift();
        Expect(CONSTANT_STRING);
        std::string name = Utils::DecodeStringLiteral(text_, length_, false);
        name = Zel::AsciiLowerCopy(name);
        GSTreeNode* file = Node(GROUP_DECLARATION, DECL_NAME);
        file->text = CopyText(name.data(), name.size());
        GSTreeNode* include = Node(GROUP_DECLARATION, DECL_INCLUDE);
        include->child[0] = file;
        Reduced(base);
        return include;
    }

    uint32_t ParseSpecifiers()
    {
        int base = depth_;
        uint32_t bits = 0;
        while (IsSpecifier(Peek())) {
            bits |= SpecifierBit(la_);
            Shift();
            Reduced(base);
        }
        return bits;
    }

    GSTreeNode* ParseIdentifier()
    {
        if (Peek() != IDENTIFIER)
            SyntaxError();
        Shift();
        GSTreeNode* node = Node(GROUP_EXPRESSION, EXPR_IDENTIFIER);
        node->text = CopyText(text_, length_);
        return node;
    }

    static GSTreeNode* AsName(GSTreeNode* identifier)
    {
        identifier->group = GROUP_DECLARATION;
        identifier->kind = DECL_NAME;
        return identifier;
    }

    GSTreeNode* ParseClass()
    {
        int base = depth_;
        uint32_t flags = 0;
        if (IsSpecifier(Peek()))
            flags = ParseSpecifiers();
        Expect(KEYWORD_CLASS);
        GSTreeNode* name = AsName(ParseIdentifier());
        ListBuilder bases;
        if (Peek() == KEYWORD_ISCLASS) {
            Shift();
            int listBase = depth_;
            bases.Append(AsName(ParseIdentifier()));
            while (Peek() == ',') {
                Shift();
                bases.Append(AsName(ParseIdentifier()));
                Reduced(listBase);
            }
        }
        Expect('{');
        ListBuilder declarations;
        if (Peek() != '}') {
            int listBase = depth_;
            do {
                declarations.Append(ParseDeclaration(true));
                Reduced(listBase);
            } while (Peek() != '}');
        }
        Shift();
        Expect(';');
        GSTreeNode* node = Node(GROUP_DECLARATION, DECL_CLASS);
        node->child[0] = name;
        node->child[1] = bases.first;
        node->child[2] = declarations.first;
        node->flags |= flags;
        Reduced(base);
        return node;
    }

    // A primitive type keyword that was just shifted, with an optional [].
    GSTreeNode* FinishPrimitiveType(int token)
    {
        GSTreeNode* type = Node(GROUP_DECLARATION, DECL_TYPE, PrimitiveCode(token));
        return type;
    }

    GSTreeNode* ParseTypeSpecifier()
    {
        int base = depth_;
        int token = Peek();
        if (IsPrimitive(token)) {
            Shift();
            GSTreeNode* type = FinishPrimitiveType(token);
            if (Peek() == SYMBOL_OP_DIM) {
                Shift();
                type->code += 6;
            }
            Reduced(base);
            return type;
        }
        if (token != IDENTIFIER)
            SyntaxError();
        GSTreeNode* name = AsName(ParseIdentifier());
        return FinishClassType(base, name);
    }

    // type_specifier: identifier | identifier SYMBOL_OP_DIM, the name consumed.
    GSTreeNode* FinishClassType(int base, GSTreeNode* name)
    {
        int code = TYPE_OBJECT;
        if (Peek() == SYMBOL_OP_DIM) {
            Shift();
            code = TYPE_OBJECT_ARRAY;
        }
        GSTreeNode* type = Node(GROUP_DECLARATION, DECL_TYPE, code);
        type->child[0] = AsName(name);
        Reduced(base);
        return type;
    }

    // A declaration of a class body (member) or a statement list (local).
    GSTreeNode* ParseDeclaration(bool member)
    {
        int base = depth_;
        uint32_t flags = 0;
        int token = Peek();
        if (member && IsSpecifier(token)) {
            flags = ParseSpecifiers();
            token = Peek();
        }
        if (!IsPrimitive(token) && token != IDENTIFIER)
            SyntaxError();
        GSTreeNode* type = ParseTypeSpecifier();
        GSTreeNode* name = ParseIdentifier();
        if (member && Peek() == '(')
            return ParseFunctionRest(base, flags, type, AsName(name));
        return ParseVariablesRest(base, flags | (member ? uint32_t(FLAG_MEMBER_DECLARATION) : 0u), type, name);
    }

    GSTreeNode* ParseVariablesRest(int base, uint32_t flags, GSTreeNode* type, GSTreeNode* firstName)
    {
        int listBase = depth_ - 1;
        ListBuilder declarators;
        declarators.Append(ParseDeclaratorRest(listBase, firstName));
        while (Peek() == ',') {
            Shift();
            int itemBase = depth_;
            declarators.Append(ParseDeclaratorRest(itemBase, ParseIdentifier()));
            Reduced(listBase);
        }
        Expect(';');
        GSTreeNode* node = Node(GROUP_DECLARATION, DECL_VARIABLES);
        node->child[0] = type;
        node->child[1] = declarators.first;
        node->flags |= flags;
        Reduced(base);
        return node;
    }

    GSTreeNode* ParseDeclaratorRest(int base, GSTreeNode* name)
    {
        GSTreeNode* value = nullptr;
        if (Peek() == '=') {
            Shift();
            value = ParseLogicalOr();
        }
        GSTreeNode* node = Node(GROUP_DECLARATION, DECL_DECLARATOR);
        node->child[0] = AsName(name);
        node->child[1] = value;
        Reduced(base);
        return node;
    }

    GSTreeNode* ParseFunctionRest(int base, uint32_t flags, GSTreeNode* type, GSTreeNode* name)
    {
        Shift();  // (
        ListBuilder parameters;
        int token = Peek();
        if (token == KEYWORD_VOID) {
            int listBase = depth_;
            Shift();
            if (Peek() != ')') {
                // "void" begins a parameter's type after all.
                GSTreeNode* voidType = FinishPrimitiveType(KEYWORD_VOID);
                if (Peek() == SYMBOL_OP_DIM) {
                    Shift();
                    voidType->code += 6;
                }
                Reduced(listBase);
                parameters.Append(ParseParameterRest(listBase, voidType));
                ParseMoreParameters(listBase, &parameters);
            }
        } else if (token != ')') {
            int listBase = depth_;
            parameters.Append(ParseParameter());
            ParseMoreParameters(listBase, &parameters);
        }
        Expect(')');
        GSTreeNode* node = nullptr;
        if (Peek() == ';') {
            Shift();
            node = Node(GROUP_DECLARATION, DECL_PROTOTYPE);
        } else if (la_ == '{') {
            GSTreeNode* body = ParseCompound();
            body->flags |= FLAG_FUNCTION_BODY;
            node = Node(GROUP_DECLARATION, DECL_FUNCTION);
            node->child[3] = body;
        } else {
            SyntaxError();
        }
        node->child[0] = type;
        node->child[1] = name;
        node->child[2] = parameters.first;
        node->flags |= flags;
        Reduced(base);
        return node;
    }

    void ParseMoreParameters(int listBase, ListBuilder* parameters)
    {
        while (Peek() == ',') {
            Shift();
            parameters->Append(ParseParameter());
            Reduced(listBase);
        }
    }

    GSTreeNode* ParseParameter()
    {
        int base = depth_;
        return ParseParameterRest(base, ParseTypeSpecifier());
    }

    GSTreeNode* ParseParameterRest(int base, GSTreeNode* type)
    {
        GSTreeNode* name = AsName(ParseIdentifier());
        GSTreeNode* node = Node(GROUP_DECLARATION, DECL_PARAMETER);
        node->child[0] = type;
        node->child[1] = name;
        Reduced(base);
        return node;
    }

    // ---- statements ----
    GSTreeNode* ParseCompound()
    {
        int base = depth_;
        Expect('{');
        ListBuilder statements;
        if (Peek() != '}') {
            int listBase = depth_;
            do {
                statements.Append(ParseStatement());
                Reduced(listBase);
            } while (Peek() != '}');
        }
        Shift();
        GSTreeNode* node = Node(GROUP_STATEMENT, STMT_BLOCK);
        node->child[0] = statements.first;
        Reduced(base);
        return node;
    }

    GSTreeNode* Jump(int kind)
    {
        int base = depth_;
        Shift();
        Expect(';');
        GSTreeNode* node = Node(GROUP_STATEMENT, kind);
        Reduced(base);
        return node;
    }

    GSTreeNode* ParseStatement()
    {
        int base = depth_;
        int token = Peek();
        switch (token) {
        case '{':
            return ParseCompound();
        case ';':
            Shift();
            Reduced(base);
            return nullptr;
        case KEYWORD_IF:
            return ParseIf();
        case KEYWORD_SWITCH:
            return ParseSwitch();
        case KEYWORD_WAIT:
            return ParseWait();
        case KEYWORD_WHILE:
            return ParseWhile();
        case KEYWORD_FOR:
            return ParseFor();
        case KEYWORD_GOTO: {
            Shift();
            GSTreeNode* label = AsName(ParseIdentifier());
            Expect(';');
            GSTreeNode* node = Node(GROUP_STATEMENT, STMT_GOTO);
            node->child[0] = label;
            Reduced(base);
            return node;
        }
        case KEYWORD_CONTINUE:
            return Jump(STMT_CONTINUE);
        case KEYWORD_BREAK:
            return Jump(STMT_BREAK);
        case KEYWORD_RETURN: {
            Shift();
            GSTreeNode* value = nullptr;
            if (Peek() != ';')
                value = ParseExpression(nullptr);
            Expect(';');
            GSTreeNode* node = Node(GROUP_STATEMENT, STMT_RETURN);
            node->child[0] = value;
            Reduced(base);
            return node;
        }
        case KEYWORD_CASE: {
            Shift();
            GSTreeNode* value = ParseLogicalOr();
            Expect(':');
            GSTreeNode* statement = ParseStatement();
            GSTreeNode* node = Node(GROUP_STATEMENT, STMT_CASE);
            node->child[0] = value;
            node->next = statement;
            Reduced(base);
            return node;
        }
        case KEYWORD_DEFAULT: {
            Shift();
            Expect(':');
            GSTreeNode* statement = ParseStatement();
            GSTreeNode* node = Node(GROUP_STATEMENT, STMT_DEFAULT);
            node->next = statement;
            Reduced(base);
            return node;
        }
        case KEYWORD_ON:
            return ParseOn();
        default:
            break;
        }
        if (IsPrimitive(token))
            return ParseDeclaration(false);
        if (token == IDENTIFIER) {
            GSTreeNode* identifier = ParseIdentifier();
            int next = Peek();
            if (next == ':') {
                Shift();
                GSTreeNode* statement = ParseStatement();
                GSTreeNode* node = Node(GROUP_STATEMENT, STMT_LABEL);
                node->child[0] = AsName(identifier);
                node->next = statement;
                Reduced(base);
                return node;
            }
            if (next == IDENTIFIER || next == SYMBOL_OP_DIM) {
                GSTreeNode* type = FinishClassType(base, identifier);
                GSTreeNode* name = ParseIdentifier();
                return ParseVariablesRest(base, 0, type, name);
            }
            return FinishExpressionStatement(base, ParseExpression(identifier));
        }
        return FinishExpressionStatement(base, ParseExpression(nullptr));
    }

    GSTreeNode* FinishExpressionStatement(int base, GSTreeNode* expression)
    {
        Expect(';');
        MarkList(expression, true);
        Reduced(base);
        return expression;
    }

    // expression_statement: ';' (no node) | expression ';'
    GSTreeNode* ParseExpressionStatement()
    {
        int base = depth_;
        if (Peek() == ';') {
            Shift();
            Reduced(base);
            return nullptr;
        }
        return FinishExpressionStatement(base, ParseExpression(nullptr));
    }

    GSTreeNode* ParseCondition()
    {
        Expect('(');
        GSTreeNode* condition = ParseExpression(nullptr);
        Expect(')');
        return condition;
    }

    GSTreeNode* ParseIf()
    {
        int base = depth_;
        Shift();
        GSTreeNode* condition = ParseCondition();
        GSTreeNode* then = ParseStatement();
        GSTreeNode* otherwise = nullptr;
        if (Peek() == KEYWORD_ELSE) {
            Shift();
            otherwise = ParseStatement();
        }
        GSTreeNode* node = Node(GROUP_STATEMENT, STMT_IF);
        node->child[0] = condition;
        node->child[1] = then;
        node->child[2] = otherwise;
        Reduced(base);
        return node;
    }

    GSTreeNode* ParseSwitch()
    {
        int base = depth_;
        Shift();
        GSTreeNode* expression = ParseCondition();
        if (Peek() != '{')
            SyntaxError();
        GSTreeNode* block = ParseCompound();
        GSTreeNode* node = Node(GROUP_STATEMENT, STMT_SWITCH);
        node->child[0] = expression;
        node->child[1] = block;
        Reduced(base);
        return node;
    }

    GSTreeNode* ParseWait()
    {
        int base = depth_;
        Shift();
        Expect('(');
        Expect(')');
        if (Peek() != '{')
            SyntaxError();
        GSTreeNode* block = ParseCompound();
        GSTreeNode* node = Node(GROUP_STATEMENT, STMT_WAIT);
        node->child[0] = block;
        Reduced(base);
        return node;
    }

    GSTreeNode* ParseWhile()
    {
        int base = depth_;
        Shift();
        GSTreeNode* condition = ParseCondition();
        GSTreeNode* body = ParseStatement();
        GSTreeNode* node = Node(GROUP_STATEMENT, STMT_WHILE);
        node->child[0] = condition;
        node->child[1] = body;
        Reduced(base);
        return node;
    }

    GSTreeNode* ParseFor()
    {
        int base = depth_;
        Shift();
        Expect('(');
        GSTreeNode* init = ParseExpressionStatement();
        GSTreeNode* condition = ParseExpressionStatement();
        if (condition != nullptr)
            LastOf(condition)->flags &= ~FLAG_VALUE_NOT_USED;
        GSTreeNode* step = nullptr;
        if (Peek() != ')') {
            step = ParseExpression(nullptr);
            MarkList(step, true);
        }
        Expect(')');
        GSTreeNode* body = ParseStatement();
        GSTreeNode* node = Node(GROUP_STATEMENT, STMT_FOR);
        node->child[0] = init;
        node->child[1] = condition;
        node->child[2] = body;
        node->child[3] = step;
        Reduced(base);
        return node;
    }

    GSTreeNode* ParseOn()
    {
        int base = depth_;
        Shift();
        GSTreeNode* major = ParseConstant();
        Expect(',');
        GSTreeNode* minor = ParseConstant();
        GSTreeNode* message = nullptr;
        if (Peek() == ',') {
            Shift();
            message = ParseUnary();
        }
        Expect(':');
        GSTreeNode* statement = ParseStatement();
        GSTreeNode* node = Node(GROUP_STATEMENT, STMT_ON);
        node->child[0] = major;
        node->child[1] = minor;
        node->child[2] = message;
        node->next = statement;
        Reduced(base);
        return node;
    }

    // ---- expressions ----
    // expression: a comma list of assignment expressions. Every element but the
    // last is marked value-not-used, so that no value is left behind.
    GSTreeNode* ParseExpression(GSTreeNode* first)
    {
        int base = first ? depth_ - 1 : depth_;
        ListBuilder list;
        list.Append(ParseAssignment(first));
        while (Peek() == ',') {
            list.tail->flags |= FLAG_VALUE_NOT_USED;
            Shift();
            list.Append(ParseAssignment(nullptr));
            Reduced(base);
        }
        return list.first;
    }

    GSTreeNode* ParseAssignment(GSTreeNode* first)
    {
        int base = first ? depth_ - 1 : depth_;
        bool unary = true;
        GSTreeNode* left = ParseBinary(1, first, &unary);
        if (Peek() != '=')
            return left;
        if (!unary)
            SyntaxError();
        Shift();
        GSTreeNode* right = ParseAssignment(nullptr);
        GSTreeNode* node = Node(GROUP_EXPRESSION, EXPR_OPERATOR, OP_ASSIGN);
        node->child[0] = left;
        node->child[1] = right;
        Reduced(base);
        return node;
    }

    // constant_expression: logical_or_expression.
    GSTreeNode* ParseLogicalOr()
    {
        bool unary = true;
        return ParseBinary(1, nullptr, &unary);
    }

    // Binary operators of binding strength `minimum` and above, grouping to
    // the left. `unary` stays true when the result is a plain unary_expression.
    GSTreeNode* ParseBinary(int minimum, GSTreeNode* first, bool* unary)
    {
        int base = first ? depth_ - 1 : depth_;
        GSTreeNode* left = ParseCast(first, unary);
        for (;;) {
            int strength = Precedence(Peek());
            if (strength == 0 || strength < minimum)
                return left;
            int code = BinaryCode(la_);
            Shift();
            bool ignored = true;
            GSTreeNode* right = ParseBinary(strength + 1, nullptr, &ignored);
            GSTreeNode* node = Node(GROUP_EXPRESSION, EXPR_OPERATOR, code);
            node->child[0] = left;
            node->child[1] = right;
            left = node;
            *unary = false;
            Reduced(base);
        }
    }

    GSTreeNode* ParseCast(GSTreeNode* first, bool* unary)
    {
        if (first != nullptr)
            return ParsePostfix(first, depth_ - 1);
        int base = depth_;
        int token = Peek();
        if (token == '(') {
            Shift();
            int inner = Peek();
            if (!IsPrimitive(inner)) {
                GSTreeNode* expression = ParseExpression(nullptr);
                Expect(')');
                Reduced(base);
                return ParsePostfix(expression, base);
            }
            Shift();
            GSTreeNode* type = FinishPrimitiveType(inner);
            Reduced(base + 1);
            if (Peek() == SYMBOL_OP_DIM) {
                Shift();
                type->code += 6;
            }
            Expect(')');
            bool ignored = true;
            return FinishCast(base, type, ParseCast(nullptr, &ignored), unary);
        }
        if (token == KEYWORD_CAST) {
            Shift();
            Expect('<');
            GSTreeNode* type = ParseTypeSpecifier();
            Expect('>');
            bool ignored = true;
            return FinishCast(base, type, ParseCast(nullptr, &ignored), unary);
        }
        return ParseUnary();
    }

    GSTreeNode* FinishCast(int base, GSTreeNode* type, GSTreeNode* operand, bool* unary)
    {
        GSTreeNode* node = Node(GROUP_EXPRESSION, EXPR_OPERATOR, OP_CAST);
        node->child[0] = operand;
        node->child[1] = type;
        *unary = false;
        Reduced(base);
        return node;
    }

    GSTreeNode* ParseUnary()
    {
        int base = depth_;
        int token = Peek();
        if (token == SYMBOL_INC || token == SYMBOL_DEC) {
            Shift();
            GSTreeNode* operand = ParseUnary();
            GSTreeNode* node = Node(GROUP_EXPRESSION, EXPR_OPERATOR, token == SYMBOL_INC ? OP_PRE_INC : OP_PRE_DEC);
            node->child[0] = operand;
            Reduced(base);
            return node;
        }
        if (token == '+' || token == '-' || token == '~' || token == '!') {
            Shift();
            int code = token == '+' ? OP_PLUS : token == '-' ? OP_NEGATE : token == '~' ? OP_COMPLEMENT : OP_NOT;
            GSTreeNode* node = Node(GROUP_EXPRESSION, EXPR_OPERATOR, code);
            bool ignored = true;
            node->child[0] = ParseCast(nullptr, &ignored);
            Reduced(base);
            return node;
        }
        return ParsePostfix(ParsePrimary(), base);
    }

    GSTreeNode* ParsePrimary()
    {
        int base = depth_;
        int token = Peek();
        GSTreeNode* node = nullptr;
        switch (token) {
        case IDENTIFIER:
            return ParseIdentifier();
        case KEYWORD_ME:
            Shift();
            node = Node(GROUP_EXPRESSION, EXPR_ME);
            break;
        case KEYWORD_NULL:
            Shift();
            node = Node(GROUP_EXPRESSION, EXPR_NULL);
            break;
        case KEYWORD_NEW:
            return ParseNew();
        case '(': {
            Shift();
            GSTreeNode* expression = ParseExpression(nullptr);
            Expect(')');
            Reduced(base);
            return expression;
        }
        default:
            if (!IsConstant(token))
                SyntaxError();
            return ParseConstant();
        }
        Reduced(base);
        return node;
    }

    GSTreeNode* ParseConstant()
    {
        int base = depth_;
        int token = Peek();
        if (!IsConstant(token))
            SyntaxError();
        Shift();
        GSTreeNode* node = Node(GROUP_EXPRESSION, EXPR_CONSTANT, CONST_INT);
        switch (token) {
        case CONSTANT_HEX: {
            // Hex digits after "0x"; values above 0x7FFFFFFF saturate.
            uint64_t value = 0;
            for (size_t i = 2; i < length_; ++i) {
                char c = text_[i];
                int digit = c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
                value = value * 16 + static_cast<uint64_t>(digit);
                if (value > 0x7FFFFFFF)
                    value = 0x80000000;
            }
            node->bits = static_cast<uint32_t>(value > 0x7FFFFFFF ? 0x7FFFFFFF : value);
            break;
        }
        case CONSTANT_INT: {
            // Decimal digits; overflow saturates at the largest int.
            uint64_t value = 0;
            for (size_t i = 0; i < length_; ++i) {
                value = value * 10 + static_cast<uint64_t>(text_[i] - '0');
                if (value > 0x7FFFFFFF)
                    value = 0x80000000;
            }
            node->bits = static_cast<uint32_t>(value > 0x7FFFFFFF ? 0x7FFFFFFF : value);
            break;
        }
        case CONSTANT_CHAR: {
            std::string decoded = Utils::DecodeStringLiteral(text_, length_, true);
            int8_t first = decoded.empty() ? 0 : static_cast<int8_t>(decoded[0]);
            node->bits = static_cast<uint32_t>(static_cast<int32_t>(first));
            break;
        }
        case CONSTANT_FLOAT: {
            size_t length = length_;
            if (length > 0 && text_[length - 1] == 'f')
                --length;
            double value = 0;
            std::from_chars(text_, text_ + length, value);
            node->code = CONST_FLOAT;
            node->SetFloat(static_cast<float>(value));
            break;
        }
        case CONSTANT_STRING: {
            std::string decoded = Utils::DecodeStringLiteral(text_, length_, true);
            node->code = CONST_STRING;
            node->text = CopyText(decoded.data(), decoded.size());
            break;
        }
        case KEYWORD_TRUE:
            node->code = CONST_BOOL;
            node->bits = 1;
            break;
        default:
            node->code = CONST_BOOL;
            node->bits = 0;
            break;
        }
        Reduced(base);
        return node;
    }

    GSTreeNode* ParseArguments()
    {
        int listBase = depth_;
        ListBuilder arguments;
        arguments.Append(ParseAssignment(nullptr));
        while (Peek() == ',') {
            Shift();
            arguments.Append(ParseAssignment(nullptr));
            Reduced(listBase);
        }
        return arguments.first;
    }

    GSTreeNode* ParseNew()
    {
        int base = depth_;
        Shift();
        int token = Peek();
        GSTreeNode* type = nullptr;
        GSTreeNode* className = nullptr;
        if (IsPrimitive(token)) {
            Shift();
            type = FinishPrimitiveType(token);
            Reduced(base + 1);
        } else if (token == IDENTIFIER) {
            className = AsName(ParseIdentifier());
        } else {
            SyntaxError();
        }
        GSTreeNode* count = nullptr;
        GSTreeNode* arguments = nullptr;
        bool brackets = false;
        if (Peek() == '(') {
            Shift();
            if (Peek() != ')')
                arguments = ParseArguments();
            Expect(')');
        } else if (la_ == '[') {
            Shift();
            count = ParseExpression(nullptr);
            Expect(']');
            brackets = true;
        } else {
            SyntaxError();
        }
        if (className != nullptr) {
            type = Node(GROUP_DECLARATION, DECL_TYPE, brackets ? TYPE_OBJECT_ARRAY : TYPE_OBJECT);
            type->child[0] = className;
        } else if (brackets) {
            type->code += 6;
        }
        GSTreeNode* node = Node(GROUP_EXPRESSION, EXPR_OPERATOR, OP_NEW);
        node->child[0] = type;
        node->child[1] = count;
        node->child[2] = arguments;
        Reduced(base);
        return node;
    }

    GSTreeNode* ParsePostfix(GSTreeNode* value, int base)
    {
        for (;;) {
            GSTreeNode* node = nullptr;
            switch (Peek()) {
            case '[': {
                Shift();
                GSTreeNode* low = nullptr;
                GSTreeNode* high = nullptr;
                bool range = false;
                if (Peek() == ',') {
                    Shift();
                    range = true;
                    high = ParseAssignment(nullptr);
                } else {
                    low = ParseAssignment(nullptr);
                    if (Peek() == ',') {
                        Shift();
                        range = true;
                        if (Peek() != ']')
                            high = ParseAssignment(nullptr);
                    }
                }
                Expect(']');
                node = Node(GROUP_EXPRESSION, EXPR_OPERATOR, range ? OP_RANGE : OP_INDEX);
                node->child[0] = value;
                node->child[1] = low;
                if (range)
                    node->child[2] = high;
                break;
            }
            case '(': {
                Shift();
                GSTreeNode* arguments = nullptr;
                if (Peek() != ')')
                    arguments = ParseArguments();
                Expect(')');
                node = Node(GROUP_EXPRESSION, EXPR_CALL);
                node->child[0] = value;
                node->child[1] = arguments;
                break;
            }
            case '.': {
                Shift();
                int token = Peek();
                if (token == KEYWORD_SIZE) {
                    Shift();
                    Expect('(');
                    Expect(')');
                    node = Node(GROUP_EXPRESSION, EXPR_OPERATOR, OP_SIZE);
                    node->child[0] = value;
                } else if (token == KEYWORD_ISCLASS) {
                    Shift();
                    Expect('(');
                    GSTreeNode* name = AsName(ParseIdentifier());
                    Expect(')');
                    node = Node(GROUP_EXPRESSION, EXPR_OPERATOR, OP_ISCLASS);
                    node->child[0] = value;
                    node->child[1] = name;
                } else if (token == KEYWORD_COPY) {
                    Shift();
                    Expect('(');
                    GSTreeNode* source = ParseAssignment(nullptr);
                    Expect(')');
                    node = Node(GROUP_EXPRESSION, EXPR_OPERATOR, OP_COPY);
                    node->child[0] = value;
                    node->child[1] = source;
                } else if (token == IDENTIFIER) {
                    GSTreeNode* member = ParseIdentifier();
                    member->kind = EXPR_MEMBER_NAME;
                    node = Node(GROUP_EXPRESSION, EXPR_OPERATOR, OP_MEMBER);
                    node->child[0] = value;
                    node->child[1] = member;
                } else {
                    SyntaxError();
                }
                break;
            }
            case SYMBOL_INC:
            case SYMBOL_DEC: {
                int code = la_ == SYMBOL_INC ? OP_POST_INC : OP_POST_DEC;
                Shift();
                node = Node(GROUP_EXPRESSION, EXPR_OPERATOR, code);
                node->child[0] = value;
                break;
            }
            default:
                return value;
            }
            value = node;
            Reduced(base);
        }
    }

    FlexLexer* scanner_;
    GSCompileUnit* unit_;
    int la_ = kNoToken;
    const char* laText_ = "";
    size_t laLength_ = 0;
    const char* text_ = "";
    size_t length_ = 0;
    int depth_ = 1;  // the parser stack holds its start state
};

struct ParseJob {
    FlexLexer* scanner;
    GSCompileUnit* unit;
    int result;
};

void RunParseJob(void* argument)
{
    ParseJob* job = static_cast<ParseJob*>(argument);
    Parser parser(job->scanner, job->unit);
    job->result = parser.Run();
}

}  // namespace

void (*ParseTraceHook)(int group, int kind, int line) = nullptr;

int Parse()
{
    CompilerState& state = State();
    if (state.currentUnit == nullptr)
        return 1;
    if (state.currentScanner == nullptr) {
        Print(state.currentUnit, "%s", "parse error");
        return 1;
    }
    // Deep sources need the parse thread's large stack.
    ParseJob job{state.currentScanner, state.currentUnit, 1};
    RunOnParseThread(RunParseJob, &job);
    return job.result;
}

}  // namespace GSCompiler
