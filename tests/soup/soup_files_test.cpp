// Loading and saving soups by file extension, and the loader with a temporary twin.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "foundation/base/install_paths.h"
#include "soup/soup_handle.h"
#include "support/temp_folder.h"

namespace {

class SoupFilesTest : public KorvelTest::TempFolderTest {
protected:
    void SetUp() override
    {
        KorvelTest::TempFolderTest::SetUp();
        base_ = folder_.Root();
        ASSERT_TRUE(InitInstallPaths(Zel::File::Path(base_.c_str())));
        dir_ = base_ + "/UserData";
        ASSERT_EQ(mkdir((dir_ + "/local").c_str(), 0700), 0);
        soup_.SetNamedTag(Zel::PString("kind"), "mesh");
        soup_.SetNamedTagInt(Zel::PString("version"), 3);
    }

    std::string Path(const char* name) const { return dir_ + "/" + name; }

    static std::string ReadFile(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        std::stringstream content;
        content << in.rdbuf();
        return content.str();
    }

    static void WriteFile(const std::string& path, const std::string& content)
    {
        std::ofstream out(path, std::ios::binary);
        out << content;
    }

    static bool Exists(const std::string& path)
    {
        struct stat info;
        return stat(path.c_str(), &info) == 0;
    }

    std::string base_;
    std::string dir_;
    SoupHandle soup_;
};

TEST_F(SoupFilesTest, TheExtensionChoosesTheForm)
{
    const Zel::PString none;
    ASSERT_TRUE(soup_.SaveToFile(none, Path("config.TXT").c_str()));
    EXPECT_EQ(ReadFile(Path("config.TXT")).substr(0, 5), "\xEF\xBB\xBF\r\n");
    for (const char* name : {"config.chump", "a.cdp", "b.CDP2"}) {
        ASSERT_TRUE(soup_.SaveToFile(none, Path(name).c_str())) << name;
        EXPECT_EQ(ReadFile(Path(name)).substr(0, 4), "ACS$") << name;
        SoupHandle back;
        ASSERT_TRUE(back.LoadFromFile(none, Path(name).c_str())) << name;
        EXPECT_EQ(back.GetNamedTagAsInt(Zel::PString("version"), 0), 3) << name;
    }
    EXPECT_FALSE(soup_.SaveToFile(none, Path("config.dat").c_str()));
    EXPECT_FALSE(Exists(Path("config.dat")));
    // A format word overrides the extension (keyword backups are text soups).
    ASSERT_TRUE(soup_.SaveToFile(none, Path("KeywordsBackup.dat").c_str(), "txt"));
    SoupHandle back;
    EXPECT_FALSE(back.LoadFromFile(none, Path("KeywordsBackup.dat").c_str()));
    ASSERT_TRUE(back.LoadFromFile(none, Path("KeywordsBackup.dat").c_str(), "txt"));
    EXPECT_STREQ(back.GetNamedTag(Zel::PString("kind")).c_str(), "mesh");
}

TEST_F(SoupFilesTest, FolderNamesAreResolvedBelowTheirRoot)
{
    ASSERT_TRUE(soup_.SaveToFile(Zel::PString("local"), "config.txt"));
    EXPECT_TRUE(Exists(dir_ + "/local/config.txt"));
    SoupHandle back;
    ASSERT_TRUE(back.LoadFromFile(Zel::PString("local"), "config.txt"));
    EXPECT_EQ(back.GetNamedTagAsInt(Zel::PString("version"), 0), 3);
}

TEST_F(SoupFilesTest, LoadingIsLenientButNeedsAFile)
{
    const Zel::PString none;
    WriteFile(Path("garbage.txt"), "}}}\x01\x02 {{{");
    WriteFile(Path("garbage.chump"), "not a soup");
    SoupHandle soup;
    EXPECT_TRUE(soup.LoadFromFile(none, Path("garbage.txt").c_str()));
    EXPECT_TRUE(soup.LoadFromFile(none, Path("garbage.chump").c_str()));
    EXPECT_EQ(soup.CountTags(), 0);
    EXPECT_FALSE(soup.LoadFromFile(none, Path("missing.txt").c_str()));
}

TEST_F(SoupFilesTest, TempFallback)
{
    const std::string config = Path("settings.txt");
    const std::string temporary = Path("settings.tmp");
    SoupHandle loaded;
    // Only the temporary twin: it is loaded and moved into place.
    ASSERT_TRUE(soup_.SaveToFile(Zel::PString(), temporary.c_str(), "txt"));
    ASSERT_TRUE(loaded.LoadWithTempFallback(config.c_str(), Zel::PString()));
    EXPECT_EQ(loaded.GetNamedTagAsInt(Zel::PString("version"), 0), 3);
    EXPECT_TRUE(Exists(config));
    EXPECT_FALSE(Exists(temporary));
    // Both: the file wins and the twin is deleted.
    WriteFile(temporary, "stale 1\n");
    ASSERT_TRUE(loaded.LoadWithTempFallback(config.c_str(), Zel::PString()));
    EXPECT_TRUE(loaded.HasNamedTag(Zel::PString("kind")));
    EXPECT_FALSE(Exists(temporary));
    // Neither: false.
    EXPECT_FALSE(loaded.LoadWithTempFallback(Path("none.txt").c_str(), Zel::PString()));
    // A file of no soup form is never loaded and never deleted.
    WriteFile(Path("data.bin"), "x");
    EXPECT_FALSE(loaded.LoadWithTempFallback(Path("data.bin").c_str(), Zel::PString()));
    EXPECT_TRUE(Exists(Path("data.bin")));
}

}  // namespace
