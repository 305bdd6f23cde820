// The text form: the writer's exact layout, the reader's look-ahead rules, and hostile input.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "soup/soup_handle.h"
#include "soup/text_soup.h"
#include "soup_test_support.h"

namespace {

using namespace SoupTest;

std::string Blanks(size_t count)
{
    return std::string(count, ' ');
}

std::string TagText(const SoupHandle& soup, const char* name)
{
    return soup.GetNamedTag(Zel::PString(name)).c_str();
}

TEST(TextSoup, WriterLayout)
{
    SoupHandle soup;
    soup.SetNamedTag(Zel::PString("kind"), "mesh");
    soup.SetNamedTagInt(Zel::PString("version"), 3);
    SoupHandle table;
    SoupHandle entry;
    entry.SetNamedTag(Zel::PString("mesh"), "body.im");
    table.SetNamedSoup(Zel::PString("default"), entry);
    soup.SetNamedSoup(Zel::PString("mesh-table"), table);
    const std::string expected = "\xEF\xBB\xBF\r\n"
                                 "kind" +
                                 Blanks(36) +
                                 "\"mesh\"\r\n"
                                 "version" +
                                 Blanks(33) +
                                 "3\r\n"
                                 "\r\n"
                                 "mesh-table\r\n"
                                 "{\r\n"
                                 "  default\r\n"
                                 "  {\r\n"
                                 "    mesh" +
                                 Blanks(32) +
                                 "\"body.im\"\r\n"
                                 "  }\r\n"
                                 "}\r\n";
    EXPECT_EQ(WriteText(soup), expected);
}

TEST(TextSoup, ANullHandleWritesNothing)
{
    EXPECT_EQ(WriteText(SoupHandle()), "");
    SoupHandle empty;
    empty.EnsureContainer();
    EXPECT_EQ(WriteText(empty), "\xEF\xBB\xBF\r\n");
}

TEST(TextSoup, WriterQuotingAndNames)
{
    struct Case {
        const char* what;
        SoupHandle soup;
        std::string line;
    };
    std::vector<Case> cases;
    auto add = [&](const char* what, auto set, std::string line) {
        Case c{what, SoupHandle(), std::move(line)};
        set(c.soup);
        cases.push_back(std::move(c));
    };
    add(
        "text with a blank", [](SoupHandle& s) { s.SetNamedTag(Zel::PString("t"), "a b"); },
        "t" + Blanks(39) + "\"a b\"");
    add(
        "int", [](SoupHandle& s) { s.SetNamedTagInt(Zel::PString("i"), -7); }, "i" + Blanks(39) + "-7");
    add(
        "text seven", [](SoupHandle& s) { s.SetNamedTag(Zel::PString("t"), "7"); }, "t" + Blanks(39) + "\"7\"");
    add(
        "double quote", [](SoupHandle& s) { s.SetNamedTag(Zel::PString("q"), "say \"hi\""); },
        "q" + Blanks(39) + "\"say 'hi'\"");
    add(
        "empty text", [](SoupHandle& s) { s.SetNamedTag(Zel::PString("e"), ""); }, "e" + Blanks(39));
    add(
        "empty tag", [](SoupHandle& s) { s.SetNamedTagEmpty(Zel::PString("e")); }, "e" + Blanks(39));
    add(
        "kuid", [](SoupHandle& s) { s.SetNamedTagKUID(Zel::PString("kuid"), KUID(5, 100, 3)); },
        "kuid" + Blanks(36) + "<kuid2:5:100:3>");
    add(
        "float list",
        [](SoupHandle& s) {
            FloatArray values;
            values.Add(1);
            values.Add(2.5f);
            values.Add(3);
            s.SetNamedTagFloatList(Zel::PString("l"), values);
        },
        "l" + Blanks(39) + "1,2.5,3");
    add(
        "long name", [](SoupHandle& s) { s.SetNamedTagInt(Zel::PString(std::string(45, 'n')), 1); },
        std::string(45, 'n') + " 1");
    add(
        "name in normal form", [](SoupHandle& s) { s.SetNamedTagInt(Zel::PString("A b\xC3"), 1); },
        "a_b_" + Blanks(36) + "1");
    add(
        "line break in a value", [](SoupHandle& s) { s.SetNamedTag(Zel::PString("t"), "a\r\nb"); },
        "t" + Blanks(39) + "\"a\r\nb\"");
    for (const Case& c : cases)
        EXPECT_EQ(WriteText(c.soup), "\xEF\xBB\xBF\r\n" + c.line + "\r\n") << c.what;
}

TEST(TextSoup, ValueKinds)
{
    const struct {
        const char* line;
        int32_t type;
        const char* text;
    } cases[] = {
        {"v 1,2,3", SoupTypeFloat, "1,2,3"},
        {"v 5", SoupTypeInt, "5"},
        {"v 5.0", SoupTypeFloat, "5"},
        {"v 1e5", SoupTypeText, "1e5"},
        {"v -7", SoupTypeInt, "-7"},
        {"v -", SoupTypeInt, "0"},
        {"v 1, 2", SoupTypeFloat, "1,2"},
        {"v 1 - 2", SoupTypeFloat, "1,0,2"},
        {"v 5  \t", SoupTypeInt, "5"},
        {"v 5}", SoupTypeText, "5"},
        {"v \"7\"", SoupTypeText, "7"},
        {"v hello world  ", SoupTypeText, "hello world  "},
        {"v", SoupTypeNone, ""},
        {"v   \r\n", SoupTypeNone, ""},
        {"v <kuid:1:2>", SoupTypeKUID, "<kuid:1:2>"},
        {"v \"<KUID:1:2>\"", SoupTypeKUID, "<kuid:1:2>"},
        {"v <kuid:1:2> <kuid:3:4>", SoupTypeText, "<kuid:1:2> <kuid:3:4>"},
        {"v <kuid2:1:2:3>", SoupTypeKUID, "<kuid2:1:2:3>"},
        {"v <NULL>", SoupTypeKUID, "<NULL>"},
        {"v 12345678901234567890123456789012345", SoupTypeInt, "242641973"},
    };
    for (const auto& c : cases) {
        SoupHandle soup = ReadText(c.line);
        EXPECT_EQ(soup.GetNamedTagType(Zel::PString("v")), c.type) << c.line;
        EXPECT_EQ(TagText(soup, "v"), c.text) << c.line;
    }
}

TEST(TextSoup, ContainersAcrossLineEnds)
{
    SoupHandle soup = ReadText("outer\r\n\r\n   {\r\n  inner {\n x 1 }\n  after \"q\"\n}\nlast 2\n");
    EXPECT_EQ(TagNames(soup), (std::vector<std::string>{"outer", "last"}));
    SoupHandle outer = soup.GetNamedSoup(Zel::PString("outer"));
    EXPECT_EQ(TagNames(outer), (std::vector<std::string>{"inner", "after"}));
    // "1 }" is not a number line: it reads as the text "1 " up to the brace.
    EXPECT_EQ(TagText(outer.GetNamedSoup(Zel::PString("inner")), "x"), "1 ");
    EXPECT_EQ(soup.GetNamedTagAsInt(Zel::PString("last"), 0), 2);
}

TEST(TextSoup, ATagFollowedByAnotherTagIsEmpty)
{
    SoupHandle soup = ReadText("a\nb 1\n");
    EXPECT_EQ(TagNames(soup), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(soup.GetNamedTagType(Zel::PString("a")), SoupTypeNone);
}

TEST(TextSoup, QuotedValues)
{
    SoupHandle soup = ReadText("q \"line1\nline2\r\n\r\nline4\n\r5\r\rx\\ny\"\nu a\\nb\n");
    EXPECT_EQ(TagText(soup, "q"), "line1\r\nline2\r\n\r\nline4\r\n5\r\n\r\nx\\ny");
    EXPECT_EQ(TagText(soup, "u"), "a\r\nb");
    // An unterminated quote runs to the end of the text.
    EXPECT_EQ(TagText(ReadText("q \"open\nrest"), "q"), "open\r\nrest");
}

TEST(TextSoup, NamesAreLowerCasedAndCutAt511Bytes)
{
    const std::string longName(600, 'N');
    SoupHandle soup = ReadText(longName + " 1\nMixed 2\n");
    EXPECT_EQ(soup.GetNamedTagAsInt(Zel::PString(std::string(511, 'n')), 0), 1);
    EXPECT_EQ(soup.GetNamedTagAsInt(Zel::PString("mixed"), 0), 2);
}

TEST(TextSoup, ADuplicateNameKeepsItsLastValueAtItsLastPosition)
{
    SoupHandle soup = ReadText("a 1\nb 2\na 3\n");
    EXPECT_EQ(TagNames(soup), (std::vector<std::string>{"b", "a"}));
    EXPECT_EQ(soup.GetNamedTagAsInt(Zel::PString("a"), 0), 3);
}

TEST(TextSoup, AnUnmatchedBraceEndsTheTopLevel)
{
    SoupHandle soup = ReadText("a 1\n}\nb 2\n");
    EXPECT_EQ(TagNames(soup), (std::vector<std::string>{"a"}));
}

TEST(TextSoup, ByteOrderMarkAndAnsiTexts)
{
    EXPECT_EQ(TagText(ReadText("t caf\xE9\n"), "t"), "caf\xC3\xA9");
    EXPECT_EQ(TagText(ReadText("\xEF\xBB\xBFt caf\xE9\n"), "t"), "caf\xE9");
    EXPECT_EQ(TagText(ReadText("t caf\xE9\n", true), "t"), "caf\xE9");
    // Names are never converted.
    SoupHandle soup = ReadText("n\xE9 1\n");
    EXPECT_EQ(soup.GetIndexedTagName(0), Zel::PString("n\xE9"));
}

TEST(TextSoup, EmptyTextRoundTripsAsAnEmptyTag)
{
    SoupHandle soup;
    soup.SetNamedTag(Zel::PString("e"), "");
    SoupHandle back = ReadText(WriteText(soup));
    EXPECT_EQ(back.CountTags(), 1);
    EXPECT_EQ(back.GetNamedTagType(Zel::PString("e")), SoupTypeNone);
}

TEST(TextSoup, GarbageGivesAnEmptyOrPartialSoup)
{
    const std::string cases[] = {
        "",
        "}}}}",
        std::string("\0\0\0 \0", 5),
        "{{{{{{",
        "\xFF\xFE\xC3\x28 \xE2\x82 \xF0\x28\x8C\x28\n",
        std::string(100000, 'x'),
        "a " + std::string(200000, '1') + "\n",
        "a " + std::string(200000, ',') + "\n",
        "a \"" + std::string(100000, '"'),
    };
    for (const std::string& text : cases) {
        SoupHandle soup = ReadText(text);
        EXPECT_LE(soup.CountTags(), 100000) << text.substr(0, 20);
        WriteText(soup);
    }
}

TEST(TextSoup, NulBytesStayInNamesAndCutTexts)
{
    SoupHandle soup = ReadText(std::string("a\0b x\0y\n", 8));
    ASSERT_EQ(soup.CountTags(), 1);
    EXPECT_EQ(soup.GetIndexedTagName(0).Length(), 3u);
    Zel::PString name;
    Zel::PString text;
    soup.GetIndexedTagText(0, name, text);
    EXPECT_STREQ(text.c_str(), "x");
}

std::string NestedText(int depth)
{
    std::string text;
    for (int i = 0; i < depth; ++i)
        text += "c\n{\n";
    text += "v 1\n";
    for (int i = 0; i < depth; ++i)
        text += "}\n";
    return text;
}

int Depth(SoupHandle soup)
{
    int depth = 0;
    while (true) {
        SoupHandle inner = soup.GetNamedSoup(Zel::PString("c"));
        if (inner.IsEmpty())
            return depth;
        soup = inner;
        ++depth;
    }
}

TEST(TextSoup, NestingStopsAtTheLimit)
{
    EXPECT_EQ(Depth(ReadText(NestedText(1000))), 1000);
    SoupHandle deep = ReadText(NestedText(5000));
    EXPECT_EQ(Depth(deep), 1000);
    // What is too deep still round-trips through both forms without harm.
    SoupHandle back;
    ASSERT_TRUE(ReadBinary(WriteBinary(deep), back));
    EXPECT_EQ(Depth(back), 1000);
}

TEST(TextSoup, TheStreamIsLeftAtTheUnmatchedBrace)
{
    TBuffer buffer;
    const std::string text = "a 1\n}rest";
    buffer.Write(text.data(), int64_t(text.size()));
    buffer.Rewind();
    SoupHandle soup;
    ReadTextSoup(soup, buffer, false);
    EXPECT_EQ(buffer.Tell(), 4);
}

}  // namespace
