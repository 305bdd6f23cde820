// Images loaded by scripts from the folders of assets installed in a real daemon, and images made by the constructor.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "e2e/harness/e2e_harness.h"
#include "e2e/script_host_support.h"
#include "support/script_host_installation.h"
#include "support/temp_folder.h"
#include "zel/bitmap.h"
#include "zel/bitmap_png_write.h"

namespace {

using HostScripts::CallRow;

constexpr const char* Pictured = "<kuid:424242:4101>";
constexpr const char* Plain = "<kuid:424242:4102>";

const std::string Loaded = "$int@AssetImageProbe::Loaded(string,string)";

// Three by two pixels, every channel different, one of them half transparent.
Zel::Bitmap Picture()
{
    Zel::Bitmap picture;
    picture.Init(3, 2, Zel::Bitmap::FormatAlpha32, 3 * 2 * 4);
    const uint8_t bytes[] = {255, 0,  0,  255, 0,   255, 0,  255, 0, 0, 255, 255,
                             10,  20, 30, 128, 200, 100, 50, 255, 1, 2, 3,   0};
    picture.MutablePixels().assign(std::begin(bytes), std::end(bytes));
    return picture;
}

class ScriptHostAssetImage : public KorvelTest::ScriptHostInstallation {
protected:
    void SetUp() override
    {
        const std::string folder = installation.PathOf("Incoming/Pictured");
        installation.WriteFile("Incoming/Pictured/notes.png", "not a picture\n");
        ASSERT_TRUE(Zel::WritePng(Picture(), (folder + "/pic.png").c_str()));
        InstallNamedAsset("Pictured", Pictured, "Pictured", "kind \"scenery\"\n");
        InstallNamedAsset("Plain", Plain, "Plain", "kind \"scenery\"\n");
    }
};

std::vector<std::string> Args(const std::string& id, const std::string& file)
{
    return {"--str", id, "--str", file};
}

TEST_F(ScriptHostAssetImage, LoadsTheFileOfTheAssetsFolderOrGivesNull)
{
    HostScripts::ExpectCalls("asset_image_probe.gs", "AssetImageProbe",
                             {
                                 {Loaded, Args(Pictured, "pic.png"), "ok 3002"},
                                 // The name is lower-cased before it meets the folder.
                                 {Loaded, Args(Pictured, "PIC.PNG"), "ok 3002"},
                                 {Loaded, Args(Pictured, "missing.png"), "ok -1"},
                                 {Loaded, Args(Pictured, "notes.png"), "ok -1"},
                                 {Loaded, Args(Pictured, "config.txt"), "ok -1"},
                                 {Loaded, Args(Plain, "pic.png"), "ok -1"},
                                 // Names that leave the asset's folder are not followed.
                                 {Loaded, Args(Plain, "../Pictured/pic.png"), "ok -1"},
                                 {Loaded, Args(Plain, installation.PathOf("Incoming/Pictured/pic.png")), "ok -1"},
                                 // An asset the daemon does not know has no folder.
                                 {Loaded, Args("<kuid:424242:9999>", "pic.png"), "ok -1"},
                                 {Loaded, {"--str", Pictured, "--str", ""}, "fail", "empty string at parameter 1"},
                                 {Loaded, {"--str", Pictured, "--null"}, "fail", "null string at parameter 1"},
                                 {"$int@AssetImageProbe::Fresh()", {}, "ok 0"},
                                 {"$int@AssetImageProbe::Stamped(string,string)", Args(Pictured, "pic.png"), "ok 5004"},
                             },
                             Root());
}

TEST_F(ScriptHostAssetImage, TheLoadedImageHoldsTheFilesPixels)
{
    KorvelTest::TempFolder pictures;
    E2E::RunOptions options;
    options.environment = {"KORVEL_TEST_IMAGE_PNG_DIR=" + pictures.Root()};
    const HostScripts::HostRun run =
        HostScripts::RunHost("asset_image_probe.gs", "AssetImageProbe",
                             {"--call", Loaded, "--str", Pictured, "--str", "pic.png"}, Root(), options);
    HostScripts::ExpectCleanEnd(run);
    ASSERT_EQ(run.process.exitStatus, 0) << run.process.out << run.process.err;
    Zel::Bitmap dumped;
    ASSERT_TRUE(dumped.Load((pictures / "image-1.png").c_str())) << run.process.out;
    ASSERT_EQ(dumped.Width(), 3);
    ASSERT_EQ(dumped.Height(), 2);
    EXPECT_EQ(dumped.Pixels(), Picture().Pixels());
}

}  // namespace
