// Our own UTF-8 codec and Windows-1252 table; the process locale plays no part.
#include "foundation/base/code_page.h"

#include <cstring>

namespace {

// Windows-1252 bytes 0x80-0x9F. The five bytes Windows leaves unassigned map
// to the C1 controls of the same value, so "ANSI" text always converts.
constexpr char16_t Cp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char16_t Cp1252ToUnit(uint8_t byte)
{
    if (byte >= 0x80 && byte <= 0x9F)
        return Cp1252High[byte - 0x80];
    return byte;
}

char Cp1252FromUnit(char16_t unit)
{
    if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF))
        return char(unit);
    for (int i = 0; i < 32; ++i) {
        if (Cp1252High[i] == unit)
            return char(0x80 + i);
    }
    return '?';
}

bool IsAnsiPage(int codePage)
{
    return codePage == CP_ACP || codePage == CP_1252;
}

bool IsContinuation(uint8_t byte)
{
    return (byte & 0xC0) == 0x80;
}

// One strict UTF-8 sequence at p (n bytes available). Returns its length, or
// 0 when the bytes are not well-formed UTF-8.
int DecodeStrictUtf8(const uint8_t* p, size_t n, uint32_t& codePoint)
{
    uint8_t lead = p[0];
    if (lead < 0x80) {
        codePoint = lead;
        return 1;
    }
    int length = 0;
    uint32_t minimum = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        codePoint = lead & 0x1F;
        minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        codePoint = lead & 0x0F;
        minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        codePoint = lead & 0x07;
        minimum = 0x10000;
    } else {
        return 0;
    }
    if (size_t(length) > n)
        return 0;
    for (int i = 1; i < length; ++i) {
        if (!IsContinuation(p[i]))
            return 0;
        codePoint = (codePoint << 6) | (p[i] & 0x3F);
    }
    if (codePoint < minimum || codePoint > 0x10FFFF)
        return 0;
    if (codePoint >= 0xD800 && codePoint <= 0xDFFF)
        return 0;
    return length;
}

void AppendUtf16(std::u16string& out, uint32_t codePoint)
{
    if (codePoint < 0x10000) {
        out.push_back(char16_t(codePoint));
        return;
    }
    codePoint -= 0x10000;
    out.push_back(char16_t(0xD800 + (codePoint >> 10)));
    out.push_back(char16_t(0xDC00 + (codePoint & 0x3FF)));
}

void AppendUtf8(std::string& out, uint32_t codePoint)
{
    if (codePoint < 0x80) {
        out.push_back(char(codePoint));
    } else if (codePoint < 0x800) {
        out.push_back(char(0xC0 | (codePoint >> 6)));
        out.push_back(char(0x80 | (codePoint & 0x3F)));
    } else if (codePoint < 0x10000) {
        out.push_back(char(0xE0 | (codePoint >> 12)));
        out.push_back(char(0x80 | ((codePoint >> 6) & 0x3F)));
        out.push_back(char(0x80 | (codePoint & 0x3F)));
    } else {
        out.push_back(char(0xF0 | (codePoint >> 18)));
        out.push_back(char(0x80 | ((codePoint >> 12) & 0x3F)));
        out.push_back(char(0x80 | ((codePoint >> 6) & 0x3F)));
        out.push_back(char(0x80 | (codePoint & 0x3F)));
    }
}

bool Utf8ToUtf16(std::string_view text, std::u16string& out)
{
    const uint8_t* p = reinterpret_cast<const uint8_t*>(text.data());
    size_t left = text.size();
    while (left > 0) {
        uint32_t codePoint = 0;
        int length = DecodeStrictUtf8(p, left, codePoint);
        if (length == 0)
            return false;
        AppendUtf16(out, codePoint);
        p += length;
        left -= size_t(length);
    }
    return true;
}

// An unpaired surrogate cannot be written as UTF-8: the conversion fails.
bool Utf16ToUtf8(std::u16string_view text, std::string& out)
{
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t unit = text[i];
        if (unit >= 0xDC00 && unit <= 0xDFFF)
            return false;
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            if (i + 1 >= text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF)
                return false;
            unit = 0x10000 + ((unit - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        }
        AppendUtf8(out, unit);
    }
    return true;
}

void ReduceToSevenBit(char* text)
{
    for (char* p = text; *p != 0; ++p) {
        if (static_cast<uint8_t>(*p) >= 0x80)
            *p = '?';
    }
}

}  // namespace

uint32_t DecodeUTF8Char(const char* text, int* length)
{
    // Trailing-byte counts and offsets of the reference UTF-8 decoder.
    static constexpr uint32_t Offsets[4] = {0x0u, 0x3080u, 0xE2080u, 0x3C82080u};
    const uint8_t* p = reinterpret_cast<const uint8_t*>(text);
    uint8_t lead = p[0];
    int trailing = lead < 0xC0 ? 0 : lead < 0xE0 ? 1 : lead < 0xF0 ? 2 : lead < 0xF8 ? 3 : -1;
    for (int i = 1; i <= trailing; ++i) {
        if (p[i] == 0) {
            trailing = -1;
            break;
        }
    }
    if (trailing < 0) {
        if (length != nullptr)
            *length = 1;
        return lead;
    }
    uint32_t value = 0;
    for (int i = 0; i <= trailing; ++i)
        value = value * 64 + p[i];
    if (length != nullptr)
        *length = trailing + 1;
    return value - Offsets[trailing];
}

bool CodePageToUtf16(std::string_view text, int codePage, std::u16string& out)
{
    out.clear();
    if (codePage == CP_UTF8)
        return Utf8ToUtf16(text, out);
    if (!IsAnsiPage(codePage))
        return false;
    out.reserve(text.size());
    for (char c : text)
        out.push_back(Cp1252ToUnit(static_cast<uint8_t>(c)));
    return true;
}

bool Utf16ToCodePage(std::u16string_view text, int codePage, std::string& out)
{
    out.clear();
    if (codePage == CP_UTF8)
        return Utf16ToUtf8(text, out);
    if (!IsAnsiPage(codePage))
        return false;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char16_t unit = text[i];
        // A surrogate pair is one character: one '?' for it, not two.
        bool pair =
            unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF;
        if (pair)
            ++i;
        out.push_back(Cp1252FromUnit(unit));
    }
    return true;
}

int ConvertCodePage(char* text, int capacity, int fromCodePage, int toCodePage)
{
    if (text == nullptr)
        return -1;
    std::u16string wide;
    std::string converted;
    bool ok = CodePageToUtf16(std::string_view(text, std::strlen(text)), fromCodePage, wide) &&
              Utf16ToCodePage(wide, toCodePage, converted);
    if (!ok) {
        ReduceToSevenBit(text);
        return -1;
    }
    // The size counts the terminator, as the Windows converters report it.
    size_t needed = converted.size() + 1;
    if (capacity < 0 || needed > size_t(capacity))
        return int(needed);
    std::memcpy(text, converted.c_str(), needed);
    return 0;
}

int Utf8ToAnsi(int capacity, char* text)
{
    return ConvertCodePage(text, capacity, CP_UTF8, CP_ACP);
}

int AnsiToUtf8(int capacity, char* text)
{
    return ConvertCodePage(text, capacity, CP_ACP, CP_UTF8);
}
