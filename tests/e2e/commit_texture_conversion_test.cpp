// Commit's texture conversion end to end: the real daemon has a host it started convert an edited asset's textures.
#include "e2e/harness/e2e_harness.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "e2e/texture_e2e_support.h"
#include "support/test_images.h"

namespace {

using TextureE2E::ExpectedTexInfo;
using TextureE2E::TexInfo;

class CommitTextureConversion : public ::testing::Test {
protected:
    void Write(const std::string& relative, const std::string& bytes) const { installation.WriteFile(relative, bytes); }

    // The asset's edit folder as `edit` prints it, relative to the root; empty when none.
    std::string EditFolder(const std::string& tag) const
    {
        E2E::RunResult edit = installation.Run({"edit", tag});
        size_t at = edit.out.find(" : /");
        if (at == std::string::npos)
            return std::string();
        std::string folder = edit.out.substr(at + 3, edit.out.find('\n', at) - at - 3);
        return std::filesystem::relative(folder, installation.Root()).string();
    }

    E2E::Installation installation;
};

TEST_F(CommitTextureConversion, CommitConvertsTexturesThroughAHostAndAFailedConversionKeepsTheAssetOpen)
{
    const std::string tag = "<kuid:424242:3101>";
    Write("Incoming/Lamp/config.txt", "kuid " + tag + "\nkind \"scenery\"\nusername \"Lamp\"\nkorvel-build 3.5\n");
    Write("Incoming/Lamp/Art/lamp.bmp", TestImages::Bmp24(128, 64));
    Write("Incoming/Lamp/Art/Lamp.Texture.Txt", "Primary=lamp.bmp\n");
    ASSERT_EQ(installation.Run({"installfrompath", installation.PathOf("Incoming/Lamp")}).exitStatus, 0);

    ASSERT_FALSE(EditFolder(tag).empty());
    E2E::RunResult commit = installation.Run({"commit", tag});
    ASSERT_EQ(commit.exitStatus, 0) << commit.out;
    // A new edit copy holds the committed revision's files.
    const std::string edit = EditFolder(tag);
    ASSERT_FALSE(edit.empty());
    EXPECT_EQ(TexInfo(installation, edit + "/Art/Lamp.Texture"),
              ExpectedTexInfo(edit + "/Art/Lamp.Texture", installation, "DXT1", 10, 128, 64));

    // The edit copy now has a description naming a missing image.
    Write(edit + "/Art/broken.texture.txt", "Primary=missing.bmp\n");
    commit = installation.Run({"commit", tag});
    EXPECT_EQ(commit.exitStatus, 255) << commit.out;
    EXPECT_NE(commit.out.find("- " + tag + " : Unable to load the texture '"), std::string::npos) << commit.out;
    EXPECT_NE(commit.out.find("- " + tag + " : Unable to commit asset: its textures could not be converted.\n"),
              std::string::npos)
        << commit.out;
    E2E::RunResult status = installation.Run({"status", tag});
    EXPECT_NE(status.out.find(tag + " : E"), std::string::npos) << status.out;
}

}  // namespace
