// Token codes that the scanner hands the parser (single characters are their own codes).
#pragma once

namespace GSCompiler {

enum Token : int {
    TOKEN_END = 0,
    KEYWORD_BREAK = 258,
    KEYWORD_CASE,
    KEYWORD_CONTINUE,
    KEYWORD_DEFAULT,
    KEYWORD_ELSE,
    KEYWORD_FOR,
    KEYWORD_GOTO,
    KEYWORD_IF,
    KEYWORD_NULL,
    KEYWORD_RETURN,
    KEYWORD_SWITCH,
    KEYWORD_WHILE,
    KEYWORD_AND,
    KEYWORD_OR,
    KEYWORD_TRUE,
    KEYWORD_FALSE,
    KEYWORD_VOID,
    KEYWORD_BOOL,
    KEYWORD_INT,
    KEYWORD_FLOAT,
    KEYWORD_STRING,
    KEYWORD_OBJECT,
    KEYWORD_CLASS,
    KEYWORD_INCLUDE,
    KEYWORD_DEFINE,  // 282
    KEYWORD_STATIC,  // 283
    KEYWORD_PUBLIC,
    KEYWORD_NATIVE,
    KEYWORD_FINAL,
    KEYWORD_THREAD,
    KEYWORD_GAME,
    KEYWORD_SECURED,
    KEYWORD_SIZE,
    KEYWORD_ISCLASS,
    KEYWORD_COPY,
    KEYWORD_ME,
    KEYWORD_NEW,
    KEYWORD_CAST,
    KEYWORD_WAIT,
    KEYWORD_ON,  // 297
    IDENTIFIER,  // 298
    CONSTANT_HEX,
    CONSTANT_INT,
    CONSTANT_CHAR,
    CONSTANT_FLOAT,
    CONSTANT_STRING,  // 303
    SYMBOL_OP_DIM,
    SYMBOL_RIGHT_SHIFT,
    SYMBOL_LEFT_SHIFT,
    SYMBOL_INC,
    SYMBOL_DEC,
    SYMBOL_LTE,
    SYMBOL_GTE,
    SYMBOL_EQ,
    SYMBOL_NEQ,               // 312
    TOKEN_UNKNOWN_CHARACTER,  // 313: a character outside the language
};

// Not a token: the scanner met a token longer than its buffer holds.
constexpr int kTokenTooLong = -2;

// The printable name of a token code ("KEYWORD_IF", "';'", ...), for dumps.
const char* TokenName(int token);

}  // namespace GSCompiler
