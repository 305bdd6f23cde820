// Text, tree and binary forms of one soup agree with each other.
#include <gtest/gtest.h>

#include <string>

#include "soup/soup_handle.h"
#include "soup_test_support.h"

namespace {

using namespace SoupTest;

const char* const kConfig = "\xEF\xBB\xBF\r\n"
                            "kuid                                    <kuid:12345:678>\r\n"
                            "kind                                    \"traincar\"\r\n"
                            "username                                \"Blue wagon\"\r\n"
                            "trainz-build                            4.6\r\n"
                            "light                                   1\r\n"
                            "camera                                  0.5,-1.25,3\r\n"
                            "description                             \"two\r\nlines\"\r\n"
                            "empty                                   \r\n"
                            "\r\n"
                            "mesh-table\r\n"
                            "{\r\n"
                            "  default\r\n"
                            "  {\r\n"
                            "    mesh                                \"body.im\"\r\n"
                            "    auto-create                         1\r\n"
                            "  }\r\n"
                            "  \r\n"
                            "  bogey\r\n"
                            "  {\r\n"
                            "    kuid                                <kuid2:1:2:3>\r\n"
                            "  }\r\n"
                            "}\r\n";

TEST(RoundTrip, TextToTreeToTextIsTheSameText)
{
    SoupHandle soup = ReadText(kConfig);
    EXPECT_EQ(WriteText(soup), kConfig);
}

TEST(RoundTrip, TreeToBinaryToTreeKeepsEveryTag)
{
    SoupHandle soup = ReadText(kConfig);
    SoupHandle loaded;
    ASSERT_TRUE(ReadBinary(WriteBinary(soup), loaded));
    EXPECT_EQ(WriteText(loaded), kConfig);
    // And the loaded soup writes the same binary bytes again.
    EXPECT_EQ(WriteBinary(loaded), WriteBinary(soup));
    EXPECT_EQ(loaded.GetNamedTagAsKUID(Zel::PString("kuid"), NullKUID), KUID(12345, 678, 0));
    EXPECT_FLOAT_EQ(loaded.GetNamedTagAsFloat(Zel::PString("trainz-build"), 0), 4.6f);
}

TEST(RoundTrip, CopyOfALoadedSoupWritesTheSame)
{
    SoupHandle loaded;
    ASSERT_TRUE(ReadBinary(WriteBinary(ReadText(kConfig)), loaded));
    SoupHandle copy;
    copy.Copy(loaded);
    EXPECT_EQ(WriteText(copy), kConfig);
}

// One asset-id tag "k" as the text form writes it.
std::string KuidLine(const std::string& value)
{
    return "\xEF\xBB\xBF\r\nk" + std::string(39, ' ') + value + "\r\n";
}

// An asset id keeps its user across the text form, the tree, the binary form
// (against hand-written bytes: first word version << 25 | low 25 bits of the
// user, then content) and its tag text. Ids that 25 bits cannot hold without
// reading back as another asset's become the null id at once.
TEST(RoundTrip, AssetIdsKeepTheirUserInEveryForm)
{
    const struct {
        const char* text;
        KUID id;
        uint32_t first;
    } Cases[] = {
        {"<kuid:0:5>", {0, 5, 0}, 0u},
        {"<kuid:1:5>", {1, 5, 0}, 1u},
        {"<kuid:16777215:5>", {16777215, 5, 0}, 0xFFFFFFu},
        {"<kuid:16777216:5>", {16777216, 5, 0}, 0x1000000u},
        {"<kuid:33554431:5>", {33554431, 5, 0}, 0x1FFFFFFu},
        {"<kuid2:16777216:5:3>", {16777216, 5, 3}, 0x07000000u},
        {"<kuid2:33554431:5:126>", {33554431, 5, 126}, 0xFDFFFFFFu},
        {"<kuid2:16777215:5:127>", {16777215, 5, 127}, 0xFEFFFFFFu},
        {"<kuid:-1:5>", {-1, 5, 127}, 0xFFFFFFFFu},
        {"<kuid:-16777216:5>", {-16777216, 5, 127}, 0xFF000000u},
        {"<kuid2:0:-5:127>", {0, -5, 127}, 0xFE000000u},
    };
    for (const auto& c : Cases) {
        SCOPED_TRACE(c.text);
        const std::string text = KuidLine(c.text);
        const SoupHandle soup = ReadText(text);
        EXPECT_EQ(soup.GetNamedTagAsKUID(Zel::PString("k"), NullKUID), c.id);
        EXPECT_EQ(WriteText(soup), text);
        const std::string binary = File(Entry("k", 13, U32(c.first) + U32(uint32_t(c.id.content))));
        EXPECT_EQ(WriteBinary(soup), binary);
        SoupHandle loaded;
        ASSERT_TRUE(ReadBinary(binary, loaded));
        EXPECT_EQ(loaded.GetNamedTagAsKUID(Zel::PString("k"), NullKUID), c.id);
        EXPECT_EQ(WriteText(loaded), text);
        EXPECT_STREQ(loaded.GetNamedTag(Zel::PString("k")).c_str(), c.text);
    }
    for (const char* text :
         {"<kuid2:16777216:5:127>", "<kuid2:33554431:5:127>", "<kuid:-16777217:5>", "<kuid:-33554432:5>"}) {
        SCOPED_TRACE(text);
        const SoupHandle soup = ReadText(KuidLine(text));
        EXPECT_EQ(soup.GetNamedTagAsKUID(Zel::PString("k"), KUID(1, 1, 0)), NullKUID);
        EXPECT_EQ(WriteText(soup), KuidLine("<NULL>"));
        EXPECT_EQ(WriteBinary(soup), File(Entry("k", 13, U32(0xFFFFFFFFu) + U32(0xFFFFFFFFu))));
    }
}

}  // namespace
