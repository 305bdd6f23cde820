// Printable token names for the developer dumps.
#include "script/compiler/tokens.h"

#include <cstdio>

namespace GSCompiler {

namespace {

const char* const kNamedTokens[] = {
    "KEYWORD_BREAK",     "KEYWORD_CASE",    "KEYWORD_CONTINUE",   "KEYWORD_DEFAULT",   "KEYWORD_ELSE",
    "KEYWORD_FOR",       "KEYWORD_GOTO",    "KEYWORD_IF",         "KEYWORD_NULL",      "KEYWORD_RETURN",
    "KEYWORD_SWITCH",    "KEYWORD_WHILE",   "KEYWORD_AND",        "KEYWORD_OR",        "KEYWORD_TRUE",
    "KEYWORD_FALSE",     "KEYWORD_VOID",    "KEYWORD_BOOL",       "KEYWORD_INT",       "KEYWORD_FLOAT",
    "KEYWORD_STRING",    "KEYWORD_OBJECT",  "KEYWORD_CLASS",      "KEYWORD_INCLUDE",   "KEYWORD_DEFINE",
    "KEYWORD_STATIC",    "KEYWORD_PUBLIC",  "KEYWORD_NATIVE",     "KEYWORD_FINAL",     "KEYWORD_THREAD",
    "KEYWORD_GAME",      "KEYWORD_SECURED", "KEYWORD_SIZE",       "KEYWORD_ISCLASS",   "KEYWORD_COPY",
    "KEYWORD_ME",        "KEYWORD_NEW",     "KEYWORD_CAST",       "KEYWORD_WAIT",      "KEYWORD_ON",
    "IDENTIFIER",        "CONSTANT_HEX",    "CONSTANT_INT",       "CONSTANT_CHAR",     "CONSTANT_FLOAT",
    "CONSTANT_STRING",   "SYMBOL_OP_DIM",   "SYMBOL_RIGHT_SHIFT", "SYMBOL_LEFT_SHIFT", "SYMBOL_INC",
    "SYMBOL_DEC",        "SYMBOL_LTE",      "SYMBOL_GTE",         "SYMBOL_EQ",         "SYMBOL_NEQ",
    "UNKNOWN_CHARACTER",
};

}  // namespace

const char* TokenName(int token)
{
    if (token == TOKEN_END)
        return "END";
    if (token == kTokenTooLong)
        return "TOKEN_TOO_LONG";
    if (token >= KEYWORD_BREAK && token <= TOKEN_UNKNOWN_CHARACTER)
        return kNamedTokens[token - KEYWORD_BREAK];
    static char single[8];
    std::snprintf(single, sizeof single, "'%c'", static_cast<char>(token));
    return single;
}

}  // namespace GSCompiler
