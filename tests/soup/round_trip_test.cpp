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

}  // namespace
