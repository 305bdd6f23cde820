// ConvertFolderTextures when the job dispatcher drops a step: the walk reports it, waits for every record and gives every source its name back.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "results/results_log.h"
#include "foundation/base/install_paths.h"
#include "foundation/base/job_dispatcher.h"
#include "foundation/base/process_values.h"
#include "mesh/texture_conversion.h"
#include "support/temp_folder.h"
#include "support/test_images.h"

namespace {

// Stops the process's dispatcher for good: ctest runs each test in a process of its own.
TEST(TextureConversionTest, DroppedStepStopsTheWalkAndLeavesNoSourceRenamed)
{
    KorvelTest::TempFolder root;
    ASSERT_FALSE(root.Root().empty());
    SetMainThreadId();
    InitInstallPaths(Zel::File::Path(root.Root().c_str()));
    const std::string folder = root / "UserData/local/pack";
    std::filesystem::create_directories(folder);
    for (const char* name : {"a", "b", "c"}) {
        std::ofstream(folder + "/" + name + ".bmp", std::ios::binary) << TestImages::Bmp24(8, 8);
        std::ofstream(folder + "/" + name + ".texture.txt") << "Primary=" << name << ".bmp\n";
    }
    JobDispatcher::Instance().Stop();

    ResultsLog log;
    EXPECT_EQ(ConvertFolderTextures(Zel::PString(), Zel::File::Path(folder.c_str()), log), 1);
    ASSERT_FALSE(log.Lines().empty());
    EXPECT_NE(std::string(log.Lines().back().text.c_str()).find(".texture.txt)"), std::string::npos);
    for (const char* name : {"a", "b", "c"}) {
        EXPECT_TRUE(std::filesystem::exists(folder + "/" + name + ".texture.txt")) << name;
        EXPECT_FALSE(std::filesystem::exists(folder + "/" + name + ".convert-tex.txt")) << name;
    }
}

}  // namespace
