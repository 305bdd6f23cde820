// Zel::ConfigParser: the entry grammar (values, children, quotes, comments, repeats), its version and its refusals.
#include <gtest/gtest.h>

#include "zel/config_data.h"

namespace {

// Entries flattened to "key=value" with children in braces, for comparison.
std::string Flat(const std::vector<Zel::ConfigData::Entry>& entries)
{
    std::string out;
    for (const auto& entry : entries) {
        out += entry.key + "=" + entry.value;
        if (!entry.children.empty())
            out += "{" + Flat(entry.children) + "}";
        out += ";";
    }
    return out;
}

TEST(ConfigParserTest, ReadsEntriesChildrenAndVersion)
{
    struct Case {
        const char* text;
        const char* flat;
        double version;
    };
    const Case cases[] = {
        {"version 1.00\nmesh 0 { name body.im }\nmesh Broken { name broken.im; animated true }\n",
         "version=1.00;mesh=0{name=body.im;};mesh=Broken{name=broken.im;animated=true;};", 1.0},
        {"a 1 // comment { not parsed\n\n  b \"two words\" \r\n", "a=1;b=two words;", 0},
        {"k 1\nk 2\nk 3", "k=1;k=2;k=3;", 0},
        {"outer x { inner y { deep z } ; next w }", "outer=x{inner=y{deep=z;};next=w;};", 0},
        {"", "", 0},
    };
    for (const Case& c : cases) {
        Zel::ConfigParser parser;
        Zel::ConfigData data;
        std::string error;
        ASSERT_TRUE(parser.Parse(c.text, data, error)) << c.text << ": " << error;
        EXPECT_EQ(Flat(data.Entries()), c.flat) << c.text;
        EXPECT_DOUBLE_EQ(parser.GetVersion(), c.version) << c.text;
    }
}

TEST(ConfigParserTest, RefusesBrokenTextWithItsReason)
{
    const char* cases[] = {"a 1 {", "a 1 }", "a\n", "a \"open", "a 1 2", "{ b 1 }"};
    for (const char* text : cases) {
        Zel::ConfigParser parser;
        Zel::ConfigData data;
        std::string error;
        EXPECT_FALSE(parser.Parse(text, data, error)) << text;
        EXPECT_FALSE(error.empty()) << text;
    }
}

TEST(ConfigDataTest, LooksUpKeysWithoutRegardToCase)
{
    Zel::ConfigData data;
    data.Add("AutoMip", "none");
    EXPECT_STREQ(data.Get("automip"), "none");
    EXPECT_STREQ(data.Get("Tile", "st"), "st");
}

}  // namespace
