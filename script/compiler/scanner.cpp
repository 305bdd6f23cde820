// Hand-written DudoRazuzu scanner.
#include "script/compiler/scanner.h"

#include <cstring>

#include "script/compiler/tokens.h"

#include "zel/ascii.h"

namespace GSCompiler {

namespace {

struct Keyword {
    const char* text;
    int token;
};

// Keywords are case-sensitive; grouped by length for the lookup.
const Keyword kKeywords[] = {
    {"if", KEYWORD_IF},           {"or", KEYWORD_OR},
    {"me", KEYWORD_ME},           {"on", KEYWORD_ON},
    {"for", KEYWORD_FOR},         {"and", KEYWORD_AND},
    {"int", KEYWORD_INT},         {"new", KEYWORD_NEW},
    {"case", KEYWORD_CASE},       {"else", KEYWORD_ELSE},
    {"goto", KEYWORD_GOTO},       {"null", KEYWORD_NULL},
    {"true", KEYWORD_TRUE},       {"void", KEYWORD_VOID},
    {"bool", KEYWORD_BOOL},       {"game", KEYWORD_GAME},
    {"size", KEYWORD_SIZE},       {"copy", KEYWORD_COPY},
    {"cast", KEYWORD_CAST},       {"wait", KEYWORD_WAIT},
    {"break", KEYWORD_BREAK},     {"while", KEYWORD_WHILE},
    {"false", KEYWORD_FALSE},     {"float", KEYWORD_FLOAT},
    {"class", KEYWORD_CLASS},     {"final", KEYWORD_FINAL},
    {"return", KEYWORD_RETURN},   {"switch", KEYWORD_SWITCH},
    {"string", KEYWORD_STRING},   {"object", KEYWORD_OBJECT},
    {"define", KEYWORD_DEFINE},   {"static", KEYWORD_STATIC},
    {"public", KEYWORD_PUBLIC},   {"native", KEYWORD_NATIVE},
    {"thread", KEYWORD_THREAD},   {"default", KEYWORD_DEFAULT},
    {"include", KEYWORD_INCLUDE}, {"secured", KEYWORD_SECURED},
    {"isclass", KEYWORD_ISCLASS}, {"continue", KEYWORD_CONTINUE},
};

int KeywordOrIdentifier(const char* text, size_t length)
{
    if (length < 2 || length > 8)
        return IDENTIFIER;
    for (const Keyword& keyword : kKeywords) {
        if (keyword.text[0] == text[0] && std::strlen(keyword.text) == length &&
            std::memcmp(keyword.text, text, length) == 0) {
            return keyword.token;
        }
    }
    return IDENTIFIER;
}

inline bool IsLetter(unsigned char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}
inline bool IsHex(unsigned char c)
{
    return Zel::AsciiIsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
inline bool IsNameChar(unsigned char c)
{
    return IsLetter(c) || Zel::AsciiIsDigit(c);
}

}  // namespace

yyFlexLexer::yyFlexLexer(const char* text, size_t length) : src_(text), size_(length) {}

int yyFlexLexer::Finish(int token, size_t start, size_t end, int newlines)
{
    text_ = src_ + start;
    length_ = static_cast<int>(end - start);
    pos_ = end;
    line_ += newlines;
    if (end - start > kMaxTokenLength)
        return kTokenTooLong;
    return token;
}

// A string or character constant from `quoteAt` (an L before it belongs to
// the token). When no closing quote is reached the longest match is the
// fallback: the identifier L, or the quote alone as an unknown character.
int yyFlexLexer::ScanQuoted(size_t start, size_t quoteAt, char quote, int fallback)
{
    size_t i = quoteAt + 1;
    int newlines = 0;
    size_t elements = 0;
    while (i < size_) {
        char c = src_[i];
        if (c == '\\') {
            if (i + 1 >= size_ || src_[i + 1] == '\n')
                break;
            i += 2;
            ++elements;
        } else if (c == quote) {
            if (quote == '\'' && elements == 0)
                break;
            return Finish(quote == '"' ? CONSTANT_STRING : CONSTANT_CHAR, start, i + 1, newlines);
        } else {
            if (c == '\n')
                ++newlines;
            ++i;
            ++elements;
        }
        if (i - start > kMaxTokenLength)
            break;
    }
    if (i - start > kMaxTokenLength) {
        text_ = src_ + start;
        length_ = static_cast<int>(i - start);
        pos_ = size_;
        return kTokenTooLong;
    }
    return Finish(fallback, start, start + 1, 0);
}

int yyFlexLexer::ScanNumber(size_t start)
{
    size_t i = start;
    if (src_[i] == '0' && i + 2 < size_ && (src_[i + 1] == 'x' || src_[i + 1] == 'X') &&
        IsHex(static_cast<unsigned char>(src_[i + 2]))) {
        i += 2;
        while (i < size_ && IsHex(static_cast<unsigned char>(src_[i])))
            ++i;
        return Finish(CONSTANT_HEX, start, i, 0);
    }
    bool isFloat = false;
    if (src_[i] == '.') {
        ++i;
        isFloat = true;
        while (i < size_ && Zel::AsciiIsDigit(static_cast<unsigned char>(src_[i])))
            ++i;
    } else {
        while (i < size_ && Zel::AsciiIsDigit(static_cast<unsigned char>(src_[i])))
            ++i;
        if (i < size_ && src_[i] == '.') {
            ++i;
            isFloat = true;
            while (i < size_ && Zel::AsciiIsDigit(static_cast<unsigned char>(src_[i])))
                ++i;
        }
    }
    if (!isFloat)
        return Finish(CONSTANT_INT, start, i, 0);
    if (i < size_ && src_[i] == 'f')
        ++i;
    return Finish(CONSTANT_FLOAT, start, i, 0);
}

int yyFlexLexer::yylex()
{
    for (;;) {
        if (pos_ >= size_) {
            text_ = src_ + size_;
            length_ = 0;
            return TOKEN_END;
        }
        size_t start = pos_;
        unsigned char c = static_cast<unsigned char>(src_[start]);
        unsigned char n = start + 1 < size_ ? static_cast<unsigned char>(src_[start + 1]) : 0;
        bool hasNext = start + 1 < size_;
        switch (c) {
        case ' ':
        case '\t':
        case '\r':
        case '\v':
        case '\f':
            ++pos_;
            continue;
        case '\n':
            ++pos_;
            ++line_;
            continue;
        case '/':
            if (hasNext && n == '*') {
                // Block comment: skipped to the first "*/"; unterminated runs to the end.
                size_t i = start + 2;
                while (i < size_) {
                    if (src_[i] == '*' && i + 1 < size_ && src_[i + 1] == '/')
                        break;
                    if (src_[i] == '\n')
                        ++line_;
                    ++i;
                }
                pos_ = i < size_ ? i + 2 : size_;
                continue;
            }
            if (hasNext && n == '/') {
                const void* lf = std::memchr(src_ + start, '\n', size_ - start);
                size_t end = lf ? static_cast<size_t>(static_cast<const char*>(lf) - src_) : size_;
                if (end - start > kMaxTokenLength) {
                    text_ = src_ + start;
                    length_ = static_cast<int>(end - start);
                    pos_ = size_;
                    return kTokenTooLong;
                }
                pos_ = end;
                continue;
            }
            return Finish('/', start, start + 1, 0);
        case '"':
            return ScanQuoted(start, start, '"', TOKEN_UNKNOWN_CHARACTER);
        case '\'':
            return ScanQuoted(start, start, '\'', TOKEN_UNKNOWN_CHARACTER);
        case '[': {
            size_t i = start + 1;
            int newlines = 0;
            while (i < size_ &&
                   (src_[i] == ' ' || src_[i] == '\t' || src_[i] == '\n' || src_[i] == '\v' || src_[i] == '\f')) {
                if (src_[i] == '\n')
                    ++newlines;
                ++i;
            }
            if (i < size_ && src_[i] == ']')
                return Finish(SYMBOL_OP_DIM, start, i + 1, newlines);
            return Finish('[', start, start + 1, 0);
        }
        case '>':
            if (n == '>')
                return Finish(SYMBOL_RIGHT_SHIFT, start, start + 2, 0);
            if (n == '=')
                return Finish(SYMBOL_GTE, start, start + 2, 0);
            return Finish('>', start, start + 1, 0);
        case '<':
            if (n == '<')
                return Finish(SYMBOL_LEFT_SHIFT, start, start + 2, 0);
            if (n == '=')
                return Finish(SYMBOL_LTE, start, start + 2, 0);
            return Finish('<', start, start + 1, 0);
        case '+':
            if (n == '+')
                return Finish(SYMBOL_INC, start, start + 2, 0);
            return Finish('+', start, start + 1, 0);
        case '-':
            if (n == '-')
                return Finish(SYMBOL_DEC, start, start + 2, 0);
            return Finish('-', start, start + 1, 0);
        case '=':
            if (n == '=')
                return Finish(SYMBOL_EQ, start, start + 2, 0);
            return Finish('=', start, start + 1, 0);
        case '!':
            if (n == '=')
                return Finish(SYMBOL_NEQ, start, start + 2, 0);
            return Finish('!', start, start + 1, 0);
        case '.':
            if (hasNext && Zel::AsciiIsDigit(n))
                return ScanNumber(start);
            return Finish('.', start, start + 1, 0);
        case ';':
        case ':':
        case '{':
        case '}':
        case ',':
        case '(':
        case ')':
        case ']':
        case '&':
        case '~':
        case '*':
        case '%':
        case '^':
        case '|':
            return Finish(c, start, start + 1, 0);
        default:
            break;
        }
        if (Zel::AsciiIsDigit(c))
            return ScanNumber(start);
        if (IsLetter(c)) {
            if (c == 'L' && hasNext && (n == '"' || n == '\'')) {
                return ScanQuoted(start, start + 1, static_cast<char>(n), IDENTIFIER);
            }
            size_t i = start + 1;
            while (i < size_ && IsNameChar(static_cast<unsigned char>(src_[i])))
                ++i;
            int token = KeywordOrIdentifier(src_ + start, i - start);
            return Finish(token, start, i, 0);
        }
        return Finish(TOKEN_UNKNOWN_CHARACTER, start, start + 1, 0);
    }
}

}  // namespace GSCompiler
