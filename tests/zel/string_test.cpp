// AnsiString/String: formatting, search, tokens, comparison, editing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "zel/string.h"

using Zel::AnsiString;
using Zel::String;

TEST(StringTest, SetfAndAddfFormatAndAppend)
{
    String s;
    s.Setf("%s=%d", "count", 42);
    EXPECT_STREQ(s.c_str(), "count=42");
    s.Addf(" (%05.1f)", 3.25);
    EXPECT_STREQ(s.c_str(), "count=42 (003.2)");
    std::string longText(1000, 'x');
    s.Setf("[%s]", longText.c_str());
    EXPECT_EQ(s.Size(), 1002u);
    s.Add("%d");  // plain text is not a format
    EXPECT_EQ(s.View().substr(1002), "%d");
}

TEST(StringTest, SizeIsByteLengthWithoutTerminator)
{
    EXPECT_EQ(AnsiString("").Size(), 0u);
    EXPECT_EQ(AnsiString("abc").Size(), 3u);
    EXPECT_EQ(AnsiString("\xC3\xA9").Size(), 2u);
    EXPECT_EQ(AnsiString(nullptr).Size(), 0u);
}

TEST(StringTest, FindRespectsStart)
{
    struct Case {
        const char* text;
        const char* sub;
        int start;
        int expected;
    } cases[] = {
        {"abcabc", "bc", 0, 1}, {"abcabc", "bc", 2, 4}, {"abcabc", "bc", 5, -1}, {"abc", "", 3, 3},
        {"abc", "c", 4, -1},    {"abc", "a", -1, -1},   {"abc", "zz", 0, -1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(AnsiString(c.text).Find(c.sub, c.start), c.expected) << c.text << "/" << c.sub << "@" << c.start;
    }
    EXPECT_EQ(AnsiString("Hello World").FindIgnoreCase("WORLD"), 6);
    EXPECT_EQ(AnsiString("Hello").FindIgnoreCase("x"), -1);
    EXPECT_EQ(AnsiString("a.b.c").FindLast('.'), 3);
}

TEST(StringTest, TokenSkipsLeadingSeparatorsAndRemovesTheToken)
{
    struct Case {
        const char* text;
        const char* separators;
        std::vector<std::string> tokens;
    } cases[] = {
        {"a,,b", ",", {"a", "b"}},
        {",,lead,trail,,", ",", {"lead", "trail"}},
        {"  one two\tthree ", nullptr, {"one", "two", "three"}},
        {"one;two,three", ";,", {"one", "two", "three"}},
        {"", ",", {}},
        {",,,", ",", {}},
    };
    for (const Case& c : cases) {
        AnsiString text(c.text);
        std::vector<std::string> tokens;
        for (AnsiString token = text.Token(c.separators); !token.IsEmpty(); token = text.Token(c.separators))
            tokens.emplace_back(token.c_str());
        EXPECT_EQ(tokens, c.tokens) << c.text;
        EXPECT_TRUE(text.IsEmpty()) << c.text;
    }
    AnsiString rest("a,b,c");
    rest.Token(",");
    EXPECT_STREQ(rest.c_str(), "b,c");
}

TEST(StringTest, ComparisonsAreBytewiseWithSignOnlyResults)
{
    EXPECT_EQ(AnsiString("Train").CompareWith("Train"), 1);
    EXPECT_EQ(AnsiString("Train").CompareWith("train"), 0);
    EXPECT_EQ(AnsiString("").CompareWith(nullptr), 1);
    EXPECT_EQ(AnsiString("abc").Compare("abd"), -1);
    EXPECT_EQ(AnsiString("abd").Compare("abc"), 1);
    EXPECT_EQ(AnsiString("ab").Compare("abc"), -1);
    EXPECT_EQ(AnsiString("\xE9").Compare("z"), 1);
    EXPECT_EQ(AnsiString("Zebra").Compare("apple"), -1);
    EXPECT_EQ(AnsiString("Zebra").CompareIgnoreCase("apple"), 1);
    EXPECT_EQ(AnsiString("MiXeD").CompareIgnoreCase("mixed"), 0);
}

TEST(StringTest, EditingOperationsClamp)
{
    AnsiString s("hello");
    s.Ins(0, ">").Ins(99, "<");
    EXPECT_STREQ(s.c_str(), ">hello<");
    s.Del(1, 2);
    EXPECT_STREQ(s.c_str(), ">llo<");
    s.Del(99, 1).Del(3, 99);
    EXPECT_STREQ(s.c_str(), ">ll");
    EXPECT_STREQ(AnsiString::Concat(s, "ama").c_str(), ">llama");
    EXPECT_STREQ(AnsiString("abcdef").SubString(2, 3).c_str(), "cde");
    EXPECT_STREQ(AnsiString("abc").SubString(9).c_str(), "");
}

TEST(StringTest, CaseChangesAreAsciiOnly)
{
    AnsiString s("Gr\xC3\xBC\xC3\x9F"
                 "e ABC xyz");
    s.ToUpper();
    EXPECT_STREQ(s.c_str(), "GR\xC3\xBC\xC3\x9F"
                            "E ABC XYZ");
    s.ToLower();
    EXPECT_STREQ(s.c_str(), "gr\xC3\xBC\xC3\x9F"
                            "e abc xyz");
}

TEST(StringTest, StringConvertsFromAnsiString)
{
    AnsiString a("text");
    String s = a;
    String t = AnsiString::Concat(a, "!");
    EXPECT_STREQ(s.c_str(), "text");
    EXPECT_STREQ(t.c_str(), "text!");
    EXPECT_TRUE(s == "text");
}
