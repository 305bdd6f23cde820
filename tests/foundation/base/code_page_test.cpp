// Tests of the UTF-8 decoder and the in-place code-page conversion.
#include "foundation/base/code_page.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

struct DecodeCase {
    std::string bytes;
    uint32_t codePoint;
    int length;
};

TEST(DecodeUTF8Char, ReferenceDecoderValues)
{
    const DecodeCase cases[] = {
        {"A", 0x41, 1},
        {"\xC3\xA9", 0xE9, 2},
        {"\xE2\x82\xAC", 0x20AC, 3},
        {"\xF0\x9F\x98\x80", 0x1F600, 4},
        {"\x80", 0x80, 1},  // a lone continuation byte decodes to itself
        {"\xBF", 0xBF, 1},
        {"\xC3(", 0xC3 * 64 + '(' - 0x3080, 2},  // following bytes are not validated
        {"\xE2\x82", 0xE2, 1},                   // cut short by the end of the text
        {"\xF8\x80\x80\x80\x80", 0xF8, 1},
        {"\xFF", 0xFF, 1},
        {"", 0, 1},
    };
    for (const DecodeCase& c : cases) {
        int length = -1;
        EXPECT_EQ(DecodeUTF8Char(c.bytes.c_str(), &length), c.codePoint) << c.bytes;
        EXPECT_EQ(length, c.length) << c.bytes;
    }
    EXPECT_EQ(DecodeUTF8Char("\xE2\x82\xAC"), 0x20ACu);
}

struct ConvertCase {
    const char* name;
    std::string input;
    int capacity;
    int from;
    int to;
    int result;
    std::string output;
};

TEST(ConvertCodePage, Table)
{
    const ConvertCase cases[] = {
        {"e-acute to ANSI", "\xC3\xA9", 16, CP_UTF8, CP_ACP, 0, "\xE9"},
        {"e-acute back too small", "\xE9", 2, CP_ACP, CP_UTF8, 3, "\xE9"},
        {"e-acute back", "\xE9", 3, CP_ACP, CP_UTF8, 0, "\xC3\xA9"},
        {"empty", "", 1, CP_UTF8, CP_ACP, 0, ""},
        {"empty to UTF-8", "", 1, CP_ACP, CP_UTF8, 0, ""},
        {"euro to ANSI", "\xE2\x82\xAC", 16, CP_UTF8, CP_ACP, 0, "\x80"},
        {"euro from ANSI", "\x80", 16, CP_ACP, CP_UTF8, 0, "\xE2\x82\xAC"},
        {"explicit 1252", "\x80", 16, CP_1252, CP_UTF8, 0, "\xE2\x82\xAC"},
        {"unassigned 0x81", "\x81", 16, CP_ACP, CP_UTF8, 0, "\xC2\x81"},
        {"unassigned 0x9D round trip", "\xC2\x9D", 16, CP_UTF8, CP_ACP, 0, "\x9D"},
        {"unmappable becomes ?", "a\xE4\xB8\xADz", 16, CP_UTF8, CP_ACP, 0, "a?z"},
        {"astral becomes one ?", "a\xF0\x9F\x98\x80z", 16, CP_UTF8, CP_ACP, 0, "a?z"},
        {"invalid lead byte", "ab\xFF\xC3\xA9", 16, CP_UTF8, CP_ACP, -1, "ab??\?"},
        {"lone continuation", "x\x80y", 16, CP_UTF8, CP_ACP, -1, "x?y"},
        {"overlong slash", "\xC0\xAF", 16, CP_UTF8, CP_ACP, -1, "??"},
        {"surrogate", "\xED\xA0\x80", 16, CP_UTF8, CP_ACP, -1, "???"},
        {"above U+10FFFF", "\xF4\x90\x80\x80", 16, CP_UTF8, CP_ACP, -1, "????"},
        {"cut sequence", "ok\xE2\x82", 16, CP_UTF8, CP_ACP, -1, "ok??"},
        {"unknown page", "\xE9t\xE9", 16, 932, CP_UTF8, -1, "?t?"},
        {"UTF-8 to UTF-8 checks", "\xC3\xA9", 16, CP_UTF8, CP_UTF8, 0, "\xC3\xA9"},
        {"capacity exactly fits", "abc", 4, CP_ACP, CP_UTF8, 0, "abc"},
        {"capacity one short", "abc", 3, CP_ACP, CP_UTF8, 4, "abc"},
    };
    for (const ConvertCase& c : cases) {
        std::vector<char> buffer(64, 'Z');
        std::memcpy(buffer.data(), c.input.c_str(), c.input.size() + 1);
        EXPECT_EQ(ConvertCodePage(buffer.data(), c.capacity, c.from, c.to), c.result) << c.name;
        EXPECT_EQ(std::string(buffer.data()), c.output) << c.name;
    }
}

TEST(ConvertCodePage, AnsiAlwaysRoundTripsEveryByte)
{
    for (int byte = 1; byte < 256; ++byte) {
        char text[8] = {char(byte), 0};
        ASSERT_EQ(AnsiToUtf8(sizeof text, text), 0) << byte;
        ASSERT_EQ(Utf8ToAnsi(sizeof text, text), 0) << byte;
        EXPECT_EQ(uint8_t(text[0]), byte);
        EXPECT_EQ(text[1], 0);
    }
}

TEST(ConvertCodePage, NullTextFails)
{
    EXPECT_EQ(ConvertCodePage(nullptr, 10, CP_UTF8, CP_ACP), -1);
}

TEST(CodePageToUtf16, WholeStrings)
{
    std::u16string wide;
    ASSERT_TRUE(CodePageToUtf16("a\xC3\xA9\xF0\x9F\x98\x80", CP_UTF8, wide));
    EXPECT_EQ(wide, (std::u16string{u'a', 0xE9, 0xD83D, 0xDE00}));
    EXPECT_FALSE(CodePageToUtf16("\xC3", CP_UTF8, wide));

    std::string narrow;
    ASSERT_TRUE(Utf16ToCodePage(u"a\u00E9\U0001F600", CP_UTF8, narrow));
    EXPECT_EQ(narrow, "a\xC3\xA9\xF0\x9F\x98\x80");
    EXPECT_FALSE(Utf16ToCodePage(std::u16string{0xD800, u'x'}, CP_UTF8, narrow));
    EXPECT_FALSE(Utf16ToCodePage(std::u16string{0xDC00}, CP_UTF8, narrow));
    ASSERT_TRUE(Utf16ToCodePage(u"\u20AC\u4E2D", CP_ACP, narrow));
    EXPECT_EQ(narrow, "\x80?");
}

}  // namespace
