// compresstexture end to end: real folders converted by the real utility, read back with texinfo.
#include "e2e/harness/e2e_harness.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "e2e/texture_e2e_support.h"
#include "support/dxt_decode.h"
#include "support/scratch_tmpfs.h"
#include "support/test_images.h"
#include "zel/ascii.h"
#include "zel/texture_file.h"

namespace {

namespace fs = std::filesystem;
using TextureE2E::ExpectedTexInfo;
using TextureE2E::Rgba;
using TextureE2E::TexInfo;

class CompressTexture : public ::testing::Test {
protected:
    void Write(const std::string& relative, const std::string& bytes) const { installation.WriteFile(relative, bytes); }

    // Names below a folder that a conversion must never leave behind.
    std::vector<std::string> Leftovers(const std::string& relative) const
    {
        std::vector<std::string> found;
        for (const auto& entry : fs::recursive_directory_iterator(installation.PathOf(relative))) {
            std::string name = entry.path().filename().string();
            if (name.find(".convert-tex") != std::string::npos || name.find(".part") != std::string::npos)
                found.push_back(name);
        }
        return found;
    }

    E2E::Installation installation;
};

TEST_F(CompressTexture, ConvertsAFolderTreeIntoTexturesTexinfoReadsBack)
{
    const std::string pack = "UserData/local/Pack/";
    Write(pack + "wood.bmp", TestImages::Bmp24(256, 128));
    Write(pack + "wood.texture.txt", "Primary=wood.bmp\n");
    Write(pack + "Sub/Leaf.png", TestImages::Png(128, 128, Rgba(128, 128, 2)));
    Write(pack + "Sub/LEAF.TEXTURE.TXT", "Primary=Leaf.png\n");
    Write(pack + "Sub/Deep/fence.bmp", TestImages::Bmp24(64, 128));
    Write(pack + "Sub/Deep/fence_a.png", TestImages::Png(64, 128, Rgba(64, 128, 3)));
    Write(pack + "Sub/Deep/fence.texture.txt", "Primary=fence.bmp\r\nAlpha=fence_a.png\r\n");
    Write(pack + "Sub/odd.bmp", TestImages::Bmp24(30, 30));
    Write(pack + "Sub/odd.texture.txt", "Primary=odd.bmp\n");
    const std::string longName = "Brücke über die Straße " + std::string(150, 'x');
    Write(pack + longName + ".bmp", TestImages::Bmp24(128, 128));
    Write(pack + longName + ".texture.txt", "Primary=" + longName + ".bmp\nMipFilter=none\n");

    // Absolute, then relative to the program folder (a second conversion replaces the first).
    for (const std::string& folder : {installation.PathOf(pack), std::string("../") + pack}) {
        SCOPED_TRACE(folder);
        E2E::RunResult run = installation.Run({"compresstexture", folder});
        ASSERT_EQ(run.exitStatus, 0) << run.out << run.err;
        EXPECT_EQ(run.out.find("- "), std::string::npos) << run.out;

        EXPECT_EQ(TexInfo(installation, pack + "wood.texture"),
                  ExpectedTexInfo(pack + "wood.texture", installation, "DXT1", 10, 256, 128));
        EXPECT_EQ(TexInfo(installation, pack + "Sub/LEAF.TEXTURE"),
                  ExpectedTexInfo(pack + "Sub/LEAF.TEXTURE", installation, "DXT5", 12, 128, 128));
        EXPECT_EQ(TexInfo(installation, pack + "Sub/Deep/fence.texture"),
                  ExpectedTexInfo(pack + "Sub/Deep/fence.texture", installation, "DXT1a", 10, 64, 128));
        EXPECT_EQ(TexInfo(installation, pack + "Sub/odd.texture"),
                  ExpectedTexInfo(pack + "Sub/odd.texture", installation, "uncompressed XRGB", 3, 30, 30));
        EXPECT_EQ(TexInfo(installation, pack + longName + ".texture"),
                  ExpectedTexInfo(pack + longName + ".texture", installation, "DXT1", 10, 128, 128, false));
        EXPECT_TRUE(installation.Exists(pack + "Sub/LEAF.TEXTURE.TXT"));
        EXPECT_EQ(Leftovers(pack), std::vector<std::string>());
    }

    // Level 0 decodes close to the source image.
    Zel::TextureFileContents contents;
    std::string error;
    ASSERT_TRUE(Zel::ReadTextureFile(installation.PathOf(pack + "Sub/LEAF.TEXTURE").c_str(), contents, error));
    std::vector<uint8_t> decoded = TestDxt::Decode(TestDxt::DXT5, contents.mips[0].bytes, 128, 128);
    EXPECT_LT(TestDxt::RmsError(decoded, Rgba(128, 128, 2)), 4.0);
}

TEST_F(CompressTexture, BadInputsReportTheirLineAndLeaveTheSourcesAsTheyWere)
{
    struct Case {
        const char* name;
        std::string description;  // of Pack/bad.texture.txt
        std::function<void()> setUp;
        std::string environment;
        std::vector<std::string> lines;
        bool goodConverted;
    };
    std::string truncated = TestImages::Bmp24(64, 64).substr(0, 100);
    std::string zeroSized = TestImages::Bmp24(4, 4);
    zeroSized[18] = zeroSized[19] = zeroSized[22] = zeroSized[23] = 0;
    // Paths below the store are as the (lower-cased) command line gave them.
    const std::string loadError = "- <NULL> : Unable to load the texture 'pack/bad.convert-tex' in 'local'.";
    const std::string writeError = "- <NULL> : Unable to write output file 'pack/bad.texture'";
    const Case cases[] = {
        {"missing image", "Primary=gone.bmp\n", nullptr, "", {loadError}, true},
        {"corrupt image",
         "Primary=cut.bmp\n",
         [&] { Write("UserData/local/Pack/cut.bmp", truncated); },
         "",
         {loadError},
         true},
        {"0 x 0 image",
         "Primary=zero.bmp\n",
         [&] { Write("UserData/local/Pack/zero.bmp", zeroSized); },
         "",
         {loadError},
         true},
        {"not ANSI text", std::string("\xFF\xFEP\0r\0i\0m\0a\0r\0y\0=\0", 18), nullptr, "", {loadError}, true},
        {"temporary name taken",
         "Primary=good.bmp\n",
         [&] { Write("UserData/local/Pack/bad.convert-tex.txt", "stale"); },
         "",
         {"- <NULL> : Unable to rename file 'pack/bad.texture.txt' in subst 'local'"},
         true},
        {"library fails",
         "Primary=good.bmp\n",
         nullptr,
         "KORVEL_TEST_NVTT=fail",
         {writeError, "; <NULL> : Invalid input"},
         false},
        {"library throws",
         "Primary=good.bmp\n",
         nullptr,
         "KORVEL_TEST_NVTT=throw",
         {writeError, "; <NULL> : Assertion failed"},
         false},
        {"library overflows",
         "Primary=good.bmp\n",
         nullptr,
         "KORVEL_TEST_NVTT=overflow",
         {writeError, "; <NULL> : Texture compression wrote more than the image size it announced."},
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        installation.Remove("UserData/local/Pack");
        Write("UserData/local/Pack/good.bmp", TestImages::Bmp24(128, 128));
        Write("UserData/local/Pack/good.texture.txt", "Primary=good.bmp\n");
        Write("UserData/local/Pack/bad.texture.txt", c.description);
        // An earlier conversion's output must not survive a failed one.
        Write("UserData/local/Pack/bad.texture", "old output");
        if (c.setUp)
            c.setUp();
        E2E::RunOptions options;
        if (!c.environment.empty())
            options.environment.push_back(c.environment);
        E2E::RunResult run = installation.Run({"compresstexture", installation.PathOf("UserData/local/Pack")}, options);
        EXPECT_EQ(run.exitStatus, 255) << run.out << run.err;
        for (const std::string& line : c.lines)
            EXPECT_NE(run.out.find(line + "\n"), std::string::npos) << line << "\n" << run.out;
        EXPECT_FALSE(installation.Exists("UserData/local/Pack/bad.texture"));
        EXPECT_EQ(installation.ReadFile("UserData/local/Pack/bad.texture.txt"), c.description);
        EXPECT_EQ(installation.Exists("UserData/local/Pack/good.texture"), c.goodConverted);
        EXPECT_TRUE(installation.Exists("UserData/local/Pack/good.texture.txt"));
    }
}

// Makes a chain of folders below base whose deepest path is longer than the
// system allows to open, working from descriptors so that making it never
// needs the long path itself. Returns the shallow part's relative path.
std::string MakeTooDeepFolder(const std::string& base)
{
    const std::string part(200, 'd');
    int fd = open(base.c_str(), O_DIRECTORY | O_RDONLY);
    for (int depth = 0; depth < 22 && fd >= 0; ++depth) {
        mkdirat(fd, part.c_str(), 0755);
        int next = openat(fd, part.c_str(), O_DIRECTORY | O_RDONLY);
        close(fd);
        fd = next;
    }
    if (fd >= 0)
        close(fd);
    return part;
}

TEST_F(CompressTexture, FoldersAndPathsItCannotUseAreReportedAndTheRestConverted)
{
    const std::string pack = "UserData/local/Pack/";
    Write(pack + "good.bmp", TestImages::Bmp24(128, 128));
    Write(pack + "good.texture.txt", "Primary=good.bmp\n");
    MakeTooDeepFolder(installation.PathOf(pack));
    E2E::RunResult run = installation.Run({"compresstexture", installation.PathOf(pack)});
    EXPECT_EQ(run.exitStatus, 255) << run.out;
    // The command line's argument arrives lower-cased; the file layer finds the folders anyway.
    EXPECT_NE(Zel::AsciiLowerCopy(run.out).find("- <null> : unable to search path: '" +
                                                Zel::AsciiLowerCopy(installation.PathOf(pack))),
              std::string::npos)
        << run.out;
    EXPECT_TRUE(installation.Exists(pack + "good.texture"));

    // Outside the installation: no folder name can be found for it.
    const std::string outside = installation.PathOf("Elsewhere");
    Write("Elsewhere/a.bmp", TestImages::Bmp24(8, 8));
    Write("Elsewhere/a.texture.txt", "Primary=a.bmp\n");
    run = installation.Run({"compresstexture", outside});
    EXPECT_EQ(run.exitStatus, 255) << run.out;
    EXPECT_NE(Zel::AsciiLowerCopy(run.out).find("- <null> : unable to determine relative path for '" +
                                                Zel::AsciiLowerCopy(outside) + "/a.texture.txt'\n"),
              std::string::npos)
        << run.out;
    EXPECT_TRUE(installation.Exists("Elsewhere/a.texture.txt"));
    EXPECT_FALSE(installation.Exists("Elsewhere/a.texture"));

    // A tree without texture sources, and a folder that is not there.
    Write("UserData/local/Plain/readme.txt", "nothing to convert");
    run = installation.Run({"compresstexture", installation.PathOf("UserData/local/Plain")});
    EXPECT_EQ(run.exitStatus, 0) << run.out;
    EXPECT_EQ(run.out.find("- "), std::string::npos) << run.out;
    run = installation.Run({"compresstexture", installation.PathOf("UserData/local/Absent")});
    EXPECT_EQ(run.exitStatus, 255);
    EXPECT_NE(run.out.find("- <NULL> : Unable to search path: '"), std::string::npos) << run.out;
}

TEST_F(CompressTexture, FullDiskLeavesNoTextureAndSaysWhy)
{
    // The asset folder is a small file system of its own: the sources fit,
    // the texture does not.
    KorvelTest::ScratchTmpfs disk(installation.PathOf("UserData/local/Full"), 48 << 10);
    if (!disk.Mounted())
        GTEST_SKIP() << disk.Reason();
    Write("UserData/local/Full/big.png", TestImages::Png(512, 512, Rgba(512, 512, 0)));
    Write("UserData/local/Full/big.texture.txt", "Primary=big.png\n");
    E2E::RunResult run = installation.Run({"compresstexture", installation.PathOf("UserData/local/Full")});
    EXPECT_EQ(run.exitStatus, 255) << run.out;
    EXPECT_NE(run.out.find("- <NULL> : Unable to write output file 'full/big.texture'\n; <NULL> : Unable to write "
                           "'full/big.texture': No space left on device\n"),
              std::string::npos)
        << run.out;
    EXPECT_EQ(Leftovers("UserData/local/Full"), std::vector<std::string>());
    EXPECT_FALSE(installation.Exists("UserData/local/Full/big.texture"));
    EXPECT_TRUE(installation.Exists("UserData/local/Full/big.texture.txt"));
}

TEST_F(CompressTexture, TexinfoReportsFilesItCannotReadAndItsUsage)
{
    Write("junk.texture", "JIRF but nothing more");
    Write("empty.texture", "");
    struct Case {
        std::vector<std::string> arguments;
        int exitStatus;
        std::string out;
    };
    const Case cases[] = {
        {{}, 2, ""},
        {{installation.PathOf("absent.texture")},
         1,
         "error cannot open '" + installation.PathOf("absent.texture") + "'\n"},
        {{installation.PathOf("junk.texture")}, 1, "error the content size does not match the file\n"},
        {{installation.PathOf("empty.texture")}, 1, "error not a JIRF file\n"},
    };
    for (const Case& c : cases) {
        E2E::RunResult run = E2E::RunProcess(KORVEL_TEXINFO, c.arguments);
        EXPECT_EQ(run.exitStatus, c.exitStatus) << run.out;
        EXPECT_EQ(run.out, c.out);
        if (c.exitStatus == 2) {
            EXPECT_EQ(run.err, "usage: texinfo FILE.texture\n");
        }
    }
}

}  // namespace
