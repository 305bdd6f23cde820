// The texture walk of an asset folder: descriptions, their images, compiled textures and their sources.
#include <gtest/gtest.h>

#include <unistd.h>

#include "support/test_images.h"
#include "template_test_support.h"
#include "templates/dod_messages.h"
#include "zel/ascii.h"

namespace TemplateTests {
namespace {

using DODLib::FindingText;

class TextureCheckTest : public TemplateTest {
protected:
    void SetUp() override
    {
        TemplateTest::SetUp();
        folder_ = MakeAsset("textured", "kind \"texture\"\n") + "/";
        manager().SetAsset(Zel::PString("editing"), Zel::File::Path("textured/"));
        manager().SetBuild(3.001f);
    }

    DODLib::DataManager& manager() { return *DODLib::DataManager::Instance(); }

    bool Check()
    {
        DODLib::ErrorHandler::Instance()->Clear();
        DODLib::Container container;
        const Zel::File::Path folder(folder_.c_str());
        return container.CheckTextures(folder, folder);
    }

    void Describe(const std::string& name, const std::string& primary, const std::string& alpha = "")
    {
        std::string text = "Primary=" + primary + "\r\n";
        if (!alpha.empty())
            text += "Alpha=" + alpha + "\r\n";
        text += "Tile=st\r\n";
        WriteFile(folder_ + name, text);
    }

    std::string folder_;
};

TEST_F(TextureCheckTest, ACompiledTextureWithoutItsSourceIsAnErrorFrom29AndAWarningBefore)
{
    WriteFile(folder_ + "wood.texture", "MMTF");
    EXPECT_FALSE(Check());
    const std::string text = FindingText("$dod_duplicatetexture", "wood.texture").c_str();
    EXPECT_EQ(Findings(), (std::vector<Finding>{{3, text}}));
    manager().SetBuild(2.801f);
    EXPECT_FALSE(Check());
    EXPECT_EQ(Findings(), (std::vector<Finding>{{2, text}}));
    manager().SetQuickCheck(true);
    EXPECT_TRUE(Check());
    manager().SetQuickCheck(false);
}

// Findings name files below the root, however the case of the root and the
// folder is written; below the folder when the root is not written as its
// leading steps (elsewhere, or with "." and ".." steps).
TEST_F(TextureCheckTest, FindingsNameFilesBelowTheRootWrittenInAnyCase)
{
    place_.MakeFolder("Upper/Case");
    const std::string root = place_ / "Upper";
    const std::string folder = root + "/Case/";
    WriteFile(folder + "wood.texture", "MMTF");
    auto lower = [](std::string text) { return Zel::AsciiLowerCopy(text); };
    struct Case {
        std::string root;
        std::string folder;
        std::string shown;
    } cases[] = {
        {root, folder, "Case/wood.texture"},
        {lower(root), lower(folder), "Case/wood.texture"},
        {lower(root) + "/", lower(folder), "Case/wood.texture"},
        {root + "/./", root + "/Case/../Case/", "wood.texture"},
        {place_ / "elsewhere", folder, "wood.texture"},
    };
    for (const Case& c : cases) {
        DODLib::ErrorHandler::Instance()->Clear();
        DODLib::Container container;
        EXPECT_FALSE(container.CheckTextures(Zel::File::Path(c.root.c_str()), Zel::File::Path(c.folder.c_str())));
        EXPECT_EQ(Findings(),
                  (std::vector<Finding>{{3, FindingText("$dod_duplicatetexture", c.shown.c_str()).c_str()}}))
            << c.root << " " << c.folder;
    }
}

TEST_F(TextureCheckTest, ImagesOfEveryFormatWithPowerOfTwoSidesPass)
{
    WriteFile(folder_ + "wood.bmp", TestImages::Bmp24(256, 128));
    WriteFile(folder_ + "leaf.tga", TestImages::Tga(64, 64, 32));
    WriteFile(folder_ + "sky.jpg", TestImages::Jpeg(128, 32));
    Describe("wood.texture.txt", "Wood.BMP", "leaf.tga");
    Describe("sky.texture.txt", "sky.jpg");
    EXPECT_FALSE(Check());  // the two-sized pair differs
    EXPECT_EQ(Findings(),
              (std::vector<Finding>{{3, FindingText("$dod_primaryalpha_notsamesize", "wood.texture.txt").c_str()}}));
    Describe("wood.texture.txt", "Wood.BMP");
    EXPECT_TRUE(Check());
    EXPECT_TRUE(Findings().empty());
}

TEST_F(TextureCheckTest, ASideThatIsNotAPowerOfTwoIsReportedOnceForTwoDescriptions)
{
    WriteFile(folder_ + "odd.bmp", TestImages::Bmp24(200, 128));
    Describe("a.texture.txt", "odd.bmp");
    Describe("b.texture.txt", "odd.bmp");
    EXPECT_FALSE(Check());
    EXPECT_EQ(Findings(), (std::vector<Finding>{{3, FindingText("$dod_texture_notpower2", "odd.bmp").c_str()}}));
}

TEST_F(TextureCheckTest, AMissingAlphaIsTheOnlyFindingOfItsDescription)
{
    WriteFile(folder_ + "wood.bmp", TestImages::Bmp24(256, 256));
    Describe("wood.texture.txt", "wood.bmp", "wood_alpha.bmp");
    EXPECT_FALSE(Check());
    EXPECT_EQ(Findings(),
              (std::vector<Finding>{
                  {3, FindingText("$dod_texture_missing_alpha", "wood_alpha.bmp", "wood.texture.txt").c_str()}}));
    Describe("wood.texture.txt", "gone.bmp");
    EXPECT_FALSE(Check());
    EXPECT_EQ(Findings(),
              (std::vector<Finding>{
                  {3, FindingText("$dod_texture_missing_primary", "gone.bmp", "wood.texture.txt").c_str()}}));
}

TEST_F(TextureCheckTest, AnImageThatDoesNotLoadEndsItsDescriptionsTests)
{
    const std::string whole = TestImages::Bmp24(256, 256);
    WriteFile(folder_ + "cut.bmp", whole.substr(0, whole.size() / 2));
    WriteFile(folder_ + "junk.bmp", "not an image at all");
    Describe("cut.texture.txt", "cut.bmp", "missing.bmp");
    Describe("junk.texture.txt", "junk.bmp");
    EXPECT_FALSE(Check());
    EXPECT_EQ(Findings(), (std::vector<Finding>{
                              {3, FindingText("$dod_texture_failedload", "cut.bmp").c_str()},
                              {3, FindingText("$dod_texture_failedload", "junk.bmp").c_str()},
                          }));
}

TEST_F(TextureCheckTest, ADescriptionWithNonAnsiBytesIsAnError)
{
    WriteFile(folder_ + "wood.bmp", TestImages::Bmp24(16, 16));
    WriteFile(folder_ + "wood.texture.txt", "Primary=wood.bmp\r\nComment=Gr\xC3\xBC\xC3\x9F\x65\r\n");
    EXPECT_FALSE(Check());
    EXPECT_EQ(Findings(),
              (std::vector<Finding>{{3, FindingText("$dod_non_ansi_texture", "wood.texture.txt").c_str()}}));
}

TEST_F(TextureCheckTest, AnUnfinishedConversionIsReportedWithoutFailingTheWalk)
{
    WriteFile(folder_ + "wood.convert-tex.txt", "Primary=wood.bmp\r\n");
    EXPECT_TRUE(Check());
    EXPECT_EQ(Findings(),
              (std::vector<Finding>{{3, FindingText("$dod_texture_failedload", "wood.convert-tex.txt").c_str()}}));
}

TEST_F(TextureCheckTest, OutsideEditingEveryDescriptionNeedsItsCompiledTexture)
{
    WriteFile(folder_ + "wood.bmp", TestImages::Bmp24(16, 16));
    Describe("wood.texture.txt", "wood.bmp");
    manager().SetOutsideEditing(true);
    EXPECT_FALSE(Check());
    EXPECT_EQ(Findings(), (std::vector<Finding>{
                              {3, FindingText("$dod_binary_texture_conversion_failed", "wood.texture.txt").c_str()}}));
    WriteFile(folder_ + "wood.texture", "MMTF");
    EXPECT_TRUE(Check());
    manager().SetOutsideEditing(false);
}

TEST_F(TextureCheckTest, SubFoldersAreWalkedAndAFolderLoopEnds)
{
    ASSERT_EQ(std::system(("mkdir -p '" + folder_ + "sub/deeper'").c_str()), 0);
    WriteFile(folder_ + "sub/deeper/odd.bmp", TestImages::Bmp24(3, 4));
    Describe("sub/deeper/odd.texture.txt", "odd.bmp");
    ASSERT_EQ(symlink("..", (folder_ + "sub/deeper/loop").c_str()), 0);
    EXPECT_FALSE(Check());
    EXPECT_EQ(Findings(),
              (std::vector<Finding>{{3, FindingText("$dod_texture_notpower2", "sub/deeper/odd.bmp").c_str()}}));
}

// Assets of many textures: a thousand descriptions are all checked, and one
// bad image among them is found.
TEST_F(TextureCheckTest, AThousandTexturesAreCheckedAndOneBadOneFound)
{
    const std::string image = TestImages::Bmp24(32, 32);
    for (int i = 0; i < 1000; ++i) {
        const std::string name = "t" + std::to_string(i);
        WriteFile(folder_ + name + ".bmp", i == 617 ? image.substr(0, 100) : image);
        Describe(name + ".texture.txt", name + ".bmp");
    }
    EXPECT_FALSE(Check());
    EXPECT_EQ(Findings(), (std::vector<Finding>{{3, FindingText("$dod_texture_failedload", "t617.bmp").c_str()}}));
}

}  // namespace
}  // namespace TemplateTests
