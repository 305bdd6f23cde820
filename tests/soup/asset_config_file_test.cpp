// Asset configs read within one depth and size limit: what loads, what is refused and the reason given.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "soup/acs_raw_data.h"
#include "soup/asset_config_file.h"
#include "soup/text_soup.h"
#include "soup_test_support.h"
#include "support/nested_soups.h"
#include "support/temp_folder.h"

namespace {

class AssetConfigFile : public ::testing::Test {
protected:
    KorvelTest::TempFolder scratch;
    void SetUp() override
    {
        ASSERT_FALSE(scratch.Root().empty());
        folder = scratch.Root();
    }

    std::string Write(const std::string& name, const std::string& bytes)
    {
        const std::string path = folder + "/" + name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    std::string folder;
};

std::string NestedText(int levels)
{
    return "kuid <kuid:1:2>\r\n" + TestSupport::NestedSoupText(levels);
}

// The nesting below a root that holds other tags too.
SoupHandle NestedSoup(int levels)
{
    SoupHandle root;
    root.SetNamedTag(Zel::PString("kind"), "scenery");
    SoupHandle nested = TestSupport::NestedSoup(levels);
    root.SetNamedSoup(Zel::PString("level"), nested);
    return root;
}

TEST_F(AssetConfigFile, TextConfigsWithinTheLimitsLoadAndFaultyOnesAreRefused)
{
    struct Case {
        const char* label;
        std::string text;
        const char* error;  // empty: loads
    };
    const Case cases[] = {
        {"plain",
         "kuid <kuid:1:2>\r\nkind scenery\r\nmesh-table\r\n{\r\n  default\r\n  {\r\n    mesh a.im\r\n  }\r\n}\r\n", ""},
        {"trailing blank lines", "kind scenery\r\n\r\n  \r\n", ""},
        {"at the depth limit", NestedText(kAssetConfigMaxDepth), ""},
        {"one level deeper", NestedText(kAssetConfigMaxDepth + 1),
         "config.txt nests containers deeper than 100 levels."},
        {"2,000 levels", NestedText(2000), "config.txt nests containers deeper than 100 levels."},
        {"unclosed brace",
         "kuid <kuid:1:2>\r\nmesh-table\r\n{\r\n  default\r\n  {\r\n    mesh a.im\r\n  }\r\nkind scenery\r\n",
         "config.txt has a \"{\" on line 3 that is never closed."},
        {"unclosed quote", "kuid <kuid:1:2>\r\ndescription \"runs on\r\nkind scenery\r\n",
         "config.txt has a double quote on line 2 that is never closed."},
        {"brace closing nothing", "kind scenery\r\n}\r\nusername lost\r\n",
         "config.txt has a \"}\" on line 2 that closes nothing."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const std::string path = Write("config.txt", c.text);
        SoupHandle config;
        std::string error;
        EXPECT_EQ(LoadAssetConfigFile(config, path.c_str(), "txt", error), c.error[0] == '\0');
        EXPECT_EQ(error, c.error);
        if (c.error[0] != '\0')
            EXPECT_EQ(config.CountTags(), 0);
        else
            EXPECT_GT(config.CountTags(), 0);
    }
}

TEST_F(AssetConfigFile, BinaryConfigsObeyTheSameDepth)
{
    const std::string within = folder + "/within.chump";
    ASSERT_TRUE(NestedSoup(kAssetConfigMaxDepth).SaveToFile(Zel::PString(), within.c_str()));
    const std::string deeper = folder + "/deeper.chump";
    ASSERT_TRUE(NestedSoup(kAssetConfigMaxDepth + 50).SaveToFile(Zel::PString(), deeper.c_str()));
    // Deeper than any soup reader takes: the file does not read at all.
    const std::string hostile = folder + "/config.chump";
    ASSERT_TRUE(NestedSoup(2000).SaveToFile(Zel::PString(), hostile.c_str()));

    SoupHandle config;
    std::string error;
    EXPECT_TRUE(LoadAssetConfigFile(config, within.c_str(), nullptr, error)) << error;
    EXPECT_FALSE(LoadAssetConfigFile(config, deeper.c_str(), nullptr, error));
    EXPECT_EQ(error, "deeper.chump nests containers deeper than 100 levels.");
    EXPECT_FALSE(LoadAssetConfigFile(config, hostile.c_str(), "chump", error));
    EXPECT_EQ(error, "config.chump cannot be read: it is damaged or nested too deep.");
    EXPECT_EQ(config.CountTags(), 0);
}

TEST_F(AssetConfigFile, ALargeFileIsRefusedBeforeItIsRead)
{
    const std::string prefix = "kind scenery\r\ndescription \"";
    std::string text = prefix + std::string(kAssetConfigMaxBytes - prefix.size() - 3, 'd') + "\"\r\n";
    ASSERT_EQ(text.size(), kAssetConfigMaxBytes);
    SoupHandle config;
    std::string error;
    EXPECT_TRUE(LoadAssetConfigFile(config, Write("config.txt", text).c_str(), nullptr, error)) << error;
    text.insert(0, " ");
    EXPECT_FALSE(LoadAssetConfigFile(config, Write("config.txt", text).c_str(), nullptr, error));
    EXPECT_EQ(error, "config.txt is too large: 16777217 bytes, and a config may hold at most 16 MiB.");
}

TEST_F(AssetConfigFile, FilesThatAreNoConfigSayWhy)
{
    SoupHandle config;
    std::string error;
    EXPECT_FALSE(LoadAssetConfigFile(config, (folder + "/config.txt").c_str(), nullptr, error));
    EXPECT_EQ(error, "config.txt cannot be opened.");
    EXPECT_FALSE(LoadAssetConfigFile(config, Write("notes.doc", "kind x\r\n").c_str(), nullptr, error));
    EXPECT_EQ(error, "notes.doc is not a config file.");
}

TEST(AssetConfigLimits, ConfigsInMemoryObeyTheSameLimits)
{
    std::string error;
    EXPECT_TRUE(CheckAssetConfigLimits(NestedSoup(kAssetConfigMaxDepth), "The config", error));
    EXPECT_TRUE(CheckAssetConfigLimits(SoupHandle(), "The config", error));
    EXPECT_FALSE(CheckAssetConfigLimits(NestedSoup(kAssetConfigMaxDepth + 1), "The config", error));
    EXPECT_EQ(error, "The config nests containers deeper than 100 levels.");

    SoupHandle large;
    const std::string value(kAssetConfigMaxBytes, 'v');
    large.SetNamedTagBlock(Zel::PString("blob"), SoupTypeRaw,
                           ACSRawDataCore::Copy(value.data(), int32_t(value.size())));
    EXPECT_FALSE(CheckAssetConfigLimits(large, "The config", error));
    EXPECT_EQ(error, "The config is too large: 16777221 bytes, and a config may hold at most 16 MiB.");
}

TEST(TextSoupFaults, AreNotedWithoutChangingWhatIsRead)
{
    struct Case {
        std::string text;
        size_t unclosedBrace;
        size_t unclosedQuote;
    };
    const size_t none = std::string::npos;
    const Case cases[] = {
        {"a\r\n{\r\n  b 1\r\n}\r\n", none, none},
        {"a\r\n{\r\n  b\r\n  {\r\n    c 1\r\n", 13, none},
        {"a \"open\r\nb 2\r\n", none, 2},
        {"a {\r\n  b \"x\r\n", 2, 9},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        SoupHandle plain;
        SoupHandle noted;
        TextSoupFaults faults;
        EXPECT_EQ(ReadTextSoup(plain, c.text.data(), c.text.size(), true),
                  ReadTextSoup(noted, c.text.data(), c.text.size(), true, faults));
        EXPECT_EQ(SoupTest::WriteText(plain), SoupTest::WriteText(noted));
        EXPECT_EQ(faults.unclosedBrace, c.unclosedBrace);
        EXPECT_EQ(faults.unclosedQuote, c.unclosedQuote);
    }
}

}  // namespace
