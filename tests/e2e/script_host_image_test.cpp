// The Image native class through scripts in the script host: a drawn picture against its golden, text, sizes and bad arguments.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "e2e/script_host_support.h"
#include "support/golden_image.h"
#include "support/temp_folder.h"
#include "zel/bitmap.h"

namespace {

using HostScripts::CallRow;

// The file of Debian's fonts-dejavu-core the goldens are drawn from.
constexpr const char* DejaVuSans = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

std::string Sig(const std::string& text)
{
    return "$" + text.substr(0, text.find(' ')) + "@ImageProbe::" + text.substr(text.find(' ') + 1);
}

TEST(ScriptHostImage, ADrawnPictureMatchesItsGolden)
{
    struct stat info;
    if (stat(DejaVuSans, &info) != 0)
        GTEST_SKIP() << DejaVuSans << " is missing (make deps installs fonts-dejavu-core)";
    KorvelTest::TempFolder pictures;
    E2E::RunOptions options;
    options.environment = {"KORVEL_TEST_IMAGE_PNG_DIR=" + pictures.Root(),
                           std::string("KORVEL_TEST_FONT_FILE=") + DejaVuSans};
    const E2E::RunResult run = E2E::RunProcess(
        KORVEL_GSRUN, {"--host", HostScripts::ScriptPath("image_probe.gs"), "ImageProbe", "--call", Sig("int Draw()")},
        options);
    EXPECT_NE(run.out.find("CALL $int@ImageProbe::Draw() -> ok 180064"), std::string::npos) << run.out << run.err;
    EXPECT_NE(run.out.find("LIVE 0"), std::string::npos) << run.out;
    // The probe's first image is the picture, its second the stamp.
    Zel::Bitmap picture;
    ASSERT_TRUE(picture.Load((pictures / "image-1.png").c_str())) << run.out << run.err;
    EXPECT_TRUE(KorvelTest::MatchesGolden(picture, KORVEL_E2E_GOLDEN_DIR, "script_image"));
}

TEST(ScriptHostImage, TextSizesSoupsAndBadArguments)
{
    HostScripts::ExpectCalls(
        "image_probe.gs", "ImageProbe",
        {
            {Sig("int Measure(string,int,string)"), {"--str", "DejaVu Sans", "--int", "12", "--str", "  "}, "ok 0"},
            {Sig("int Measure(string,int,string)"),
             {"--str", "swiss", "--int", "12", "--null"},
             "fail",
             "null string at parameter 1"},
            {Sig("void Words(string)"), {"--str", ""}, "fail", "empty string at parameter 3"},
            {Sig("void Face(string)"), {"--null"}, "fail", "null string at parameter 1"},
            {Sig("int NoPixels(int,int)"), {"--int", "0", "--int", "10"}, "ok 0"},
            {Sig("int NoPixels(int,int)"), {"--int", "7", "--int", "-1"}, "ok 0"},
            {Sig("int NoPixels(int,int)"), {"--int", "7", "--int", "3"}, "ok 7003"},
            {Sig("int Resized(int,int,bool)"), {"--int", "10", "--int", "10", "--int", "0"}, "ok 10010"},
            {Sig("int Resized(int,int,bool)"), {"--int", "20", "--int", "5", "--int", "1"}, "ok 20005"},
            {Sig("int Resized(int,int,bool)"), {"--int", "0", "--int", "5", "--int", "1"}, "ok 0"},
            {Sig("bool ExportIsEmptyAndLocked()"), {}, "ok 1"},
            {Sig("void Import(bool)"), {"--int", "0"}, "ok void"},
            {Sig("void Import(bool)"), {"--int", "1"}, "fail", "null object at parameter 1"},
            {Sig("void DrawNone()"), {}, "fail", "null object at parameter 3"},
        });
}

}  // namespace
