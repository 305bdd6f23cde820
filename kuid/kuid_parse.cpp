// KUID::Parse: the one reader of every asset-id text form, strict and lenient.
#include "kuid/kuid.h"

#include <cstring>

#include "kuid/decimal_scan.h"
#include "zel/ascii.h"

namespace {

// A text with its length, so that every character test is bounds-checked:
// a position beyond the end matches nothing.
struct Text {
    const char* data;
    size_t length;

    char At(size_t i) const { return i < length ? data[i] : '\0'; }
    const char* From(size_t i) const { return data + (i < length ? i : length); }
    const char* End() const { return data + length; }
};

bool IsLetter(char c, char lower)
{
    return c == lower || c == char(lower - ('a' - 'A'));
}

// "kuid" in any letter case at position `at`.
bool HasKuidWord(const Text& text, size_t at)
{
    return IsLetter(text.At(at), 'k') && IsLetter(text.At(at + 1), 'u') && IsLetter(text.At(at + 2), 'i') &&
           IsLetter(text.At(at + 3), 'd');
}

// Shape matching over [p, end): each step consumes its part or fails.
struct Shape {
    const char* p;
    const char* end;
    bool ok = true;

    Shape& Char(char c)
    {
        if (ok && p < end && *p == c)
            ++p;
        else
            ok = false;
        return *this;
    }
    Shape& OptionalMinus()
    {
        if (ok && p < end && *p == '-')
            ++p;
        return *this;
    }
    // Zero or more digits.
    Shape& Digits()
    {
        while (ok && p < end && Zel::AsciiIsDigit(*p))
            ++p;
        return *this;
    }
};

// Reads up to `count` numbers separated by ':' ("%d:%d" or "%d:%d:%d");
// numbers the scan does not reach keep the values they had.
void ScanNumbers(const char* p, const char* end, int32_t* const* values, int count)
{
    for (int i = 0; i < count; ++i) {
        if (i > 0) {
            if (p >= end || *p != ':')
                return;
            ++p;
        }
        if (!ScanDecimalInt32(p, end, *values[i]))
            return;
    }
}

void ScanUserContent(KUID& id, const char* p, const char* end)
{
    int32_t* values[] = {&id.user, &id.content};
    ScanNumbers(p, end, values, 2);
    id.version = id.user >= 0 ? 0 : 127;
}

// The long forms reject every user that, taken as unsigned, is above 0x1FFFFFF.
void ScanUserContentVersion(KUID& id, const char* p, const char* end)
{
    int32_t* values[] = {&id.user, &id.content, &id.version};
    ScanNumbers(p, end, values, 3);
    if (uint32_t(id.user) > 0x1FFFFFFu)
        id = NullKUID;
}

bool IsNullTag(const Text& text)
{
    if (text.At(0) == '<' && IsLetter(text.At(1), 'n') && IsLetter(text.At(2), 'u'))
        return true;
    return IsLetter(text.At(3), 'l') && IsLetter(text.At(4), 'l') && text.At(5) == '>';
}

// Only digits, '-' and exactly one ':' in [p, end).
bool IsBareColonPair(const char* p, const char* end)
{
    int colons = 0;
    for (; p < end; ++p) {
        if (*p == ':')
            ++colons;
        else if (!Zel::AsciiIsDigit(*p) && *p != '-')
            return false;
    }
    return colons == 1;
}

bool IsDigitsAndMinus(const char* p, const char* end)
{
    for (; p < end; ++p) {
        if (!Zel::AsciiIsDigit(*p) && *p != '-')
            return false;
    }
    return true;
}

// "<u:c>" or "<u:c": the closing '>' may only be the last character.
bool IsBracketedColonPair(const Text& text)
{
    if (text.At(0) != '<')
        return false;
    const char* close = static_cast<const char*>(std::memchr(text.data + 1, '>', text.length - 1));
    if (close != nullptr && close != text.End() - 1)
        return false;
    return IsBareColonPair(text.data + 1, close != nullptr ? close : text.End());
}

KUID ParseOtherForms(const Text& text)
{
    KUID id;
    if (text.length > 0 && IsBareColonPair(text.data, text.End())) {
        ScanUserContent(id, text.data, text.End());
        return id;
    }
    if (IsBracketedColonPair(text)) {
        ScanUserContent(id, text.data + 1, text.End());
        return id;
    }
    if (IsDigitsAndMinus(text.data, text.End())) {
        const char* p = text.data;
        ScanDecimalInt32(p, text.End(), id.content);
        return id;
    }
    return NullKUID;
}

KUID ParseUnchecked(const Text& text, bool strict)
{
    KUID id;
    if (IsNullTag(text))
        return NullKUID;

    const char* end = text.End();
    if (text.At(0) == '<' && HasKuidWord(text, 1) && text.At(5) == ':') {
        const char* rest = text.From(6);
        if (strict && !Shape{rest, end}.OptionalMinus().Digits().Char(':').Digits().Char('>').ok)
            return NullKUID;
        ScanUserContent(id, rest, end);
        return id;
    }
    if (text.At(0) == '<' && HasKuidWord(text, 1) && text.At(5) == '2' && text.At(6) == ':') {
        const char* rest = text.From(7);
        if (strict && !Shape{rest, end}.Digits().Char(':').Digits().Char(':').Digits().Char('>').ok)
            return NullKUID;
        ScanUserContentVersion(id, rest, end);
        return id;
    }
    bool bareShort = HasKuidWord(text, 0) && text.At(4) == ':';
    bool bareLong = HasKuidWord(text, 0) && text.At(4) == '2' && text.At(5) == ':';
    if (bareShort || bareLong) {
        const char* rest = text.From(bareShort ? 5 : 6);
        if (strict && !Shape{rest, end}.OptionalMinus().Digits().Char(':').Digits().ok)
            return NullKUID;
        if (bareShort)
            ScanUserContent(id, rest, end);
        else
            ScanUserContentVersion(id, rest, end);
        return id;
    }
    if (strict)
        return NullKUID;
    return ParseOtherForms(text);
}

}  // namespace

KUID KUID::Parse(const char* text, bool strict)
{
    if (text == nullptr)
        return NullKUID;
    KUID id = ParseUnchecked(Text{text, std::strlen(text)}, strict);
    return id.IsValid() && id.FitsPackedForm() ? id : NullKUID;
}
