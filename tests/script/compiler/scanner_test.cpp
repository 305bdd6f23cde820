// Scanner: snippets to tokens, line counting and the token-length limit.
#include <gtest/gtest.h>

#include "front_end_helpers.h"

namespace {

using namespace GSCompiler;
using compiler_test::Tokens;

struct TokenCase {
    const char* text;
    std::vector<int> tokens;
};

TEST(Scanner, SnippetsToTokens)
{
    const TokenCase cases[] = {
        {"if ifx iF If", {KEYWORD_IF, IDENTIFIER, IDENTIFIER, IDENTIFIER}},
        {"0x1F2", {CONSTANT_HEX}},
        {"0xfg", {CONSTANT_HEX, IDENTIFIER}},
        {"0x", {CONSTANT_INT, IDENTIFIER}},
        {"1.f2", {CONSTANT_FLOAT, CONSTANT_INT}},
        {"..5", {'.', CONSTANT_FLOAT}},
        {"0.5.size", {CONSTANT_FLOAT, '.', KEYWORD_SIZE}},
        {"1e5", {CONSTANT_INT, IDENTIFIER}},
        {"1. 2.5F", {CONSTANT_FLOAT, CONSTANT_FLOAT, IDENTIFIER}},
        {"[ \t\n]", {SYMBOL_OP_DIM}},
        {"[\r]", {'[', ']'}},
        {"a>>=b<<c", {IDENTIFIER, SYMBOL_RIGHT_SHIFT, '=', IDENTIFIER, SYMBOL_LEFT_SHIFT, IDENTIFIER}},
        {"++--<=>===!=", {SYMBOL_INC, SYMBOL_DEC, SYMBOL_LTE, SYMBOL_GTE, SYMBOL_EQ, SYMBOL_NEQ}},
        {"\"a\\\"b\" L\"w\" 'c' L'x'", {CONSTANT_STRING, CONSTANT_STRING, CONSTANT_CHAR, CONSTANT_CHAR}},
        {"''", {TOKEN_UNKNOWN_CHARACTER, TOKEN_UNKNOWN_CHARACTER}},
        {"\"abc", {TOKEN_UNKNOWN_CHARACTER, IDENTIFIER}},
        {"L\"abc", {IDENTIFIER, TOKEN_UNKNOWN_CHARACTER, IDENTIFIER}},
        {"\"a\\\nb\"",
         {TOKEN_UNKNOWN_CHARACTER, IDENTIFIER, TOKEN_UNKNOWN_CHARACTER, IDENTIFIER, TOKEN_UNKNOWN_CHARACTER}},
        {"a /* x ** y **/ b // c\nd", {IDENTIFIER, IDENTIFIER, IDENTIFIER}},
        {"a /* never closed", {IDENTIFIER}},
        {"@ # ? $ \x80", {313, 313, 313, 313, 313}},
        {"constructor this extends inherited", {IDENTIFIER, IDENTIFIER, IDENTIFIER, IDENTIFIER}},
        {"break case continue default else for goto if null return switch while",
         {KEYWORD_BREAK, KEYWORD_CASE, KEYWORD_CONTINUE, KEYWORD_DEFAULT, KEYWORD_ELSE, KEYWORD_FOR, KEYWORD_GOTO,
          KEYWORD_IF, KEYWORD_NULL, KEYWORD_RETURN, KEYWORD_SWITCH, KEYWORD_WHILE}},
        {"and or true false void bool int float string object class include define",
         {KEYWORD_AND, KEYWORD_OR, KEYWORD_TRUE, KEYWORD_FALSE, KEYWORD_VOID, KEYWORD_BOOL, KEYWORD_INT, KEYWORD_FLOAT,
          KEYWORD_STRING, KEYWORD_OBJECT, KEYWORD_CLASS, KEYWORD_INCLUDE, KEYWORD_DEFINE}},
        {"static public native final thread game secured size isclass copy me new cast wait on",
         {KEYWORD_STATIC, KEYWORD_PUBLIC, KEYWORD_NATIVE, KEYWORD_FINAL, KEYWORD_THREAD, KEYWORD_GAME, KEYWORD_SECURED,
          KEYWORD_SIZE, KEYWORD_ISCLASS, KEYWORD_COPY, KEYWORD_ME, KEYWORD_NEW, KEYWORD_CAST, KEYWORD_WAIT,
          KEYWORD_ON}},
        {";:{},=()[a].&!~-+*/%<>^|", {';', ':', '{', '}', ',', '=', '(', ')', '[', IDENTIFIER, ']', '.',
                                      '&', '!', '~', '-', '+', '*', '/', '%', '<', '>',        '^', '|'}},
    };
    for (const TokenCase& c : cases)
        EXPECT_EQ(Tokens(c.text), c.tokens) << c.text;
}

TEST(Scanner, TokenCodesAreNumberedAsSpecified)
{
    EXPECT_EQ(KEYWORD_BREAK, 258);
    EXPECT_EQ(KEYWORD_INCLUDE, 281);
    EXPECT_EQ(KEYWORD_DEFINE, 282);
    EXPECT_EQ(KEYWORD_ON, 297);
    EXPECT_EQ(IDENTIFIER, 298);
    EXPECT_EQ(CONSTANT_STRING, 303);
    EXPECT_EQ(SYMBOL_NEQ, 312);
    EXPECT_EQ(TOKEN_UNKNOWN_CHARACTER, 313);
}

TEST(Scanner, LineCountIsExactAtEveryToken)
{
    std::string text = "a\n\"x\ny\"\nb /* \n\n */ c [\n] d";
    yyFlexLexer scanner(text.data(), text.size());
    std::vector<int> lines;
    while (scanner.yylex() != TOKEN_END)
        lines.push_back(scanner.lineno());
    EXPECT_EQ(lines, (std::vector<int>{1, 3, 4, 6, 7, 7}));
}

TEST(Scanner, TokenOverTheLimitIsReportedNotFatal)
{
    std::string longString = "\"" + std::string(16400, 'a') + "\"";
    EXPECT_EQ(Tokens(longString).back(), kTokenTooLong);
    std::string longComment = "// " + std::string(16400, 'a') + "\nx";
    EXPECT_EQ(Tokens(longComment), std::vector<int>{kTokenTooLong});
    std::string unterminated = "\"" + std::string(20000, 'a');
    EXPECT_EQ(Tokens(unterminated), std::vector<int>{kTokenTooLong});
    std::string fits = "\"" + std::string(16381, 'a') + "\"";
    EXPECT_EQ(Tokens(fits), std::vector<int>{CONSTANT_STRING});
}

}  // namespace
