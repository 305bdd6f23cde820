// The texture compression module: found for the programs of this build, and a clear refusal when it is missing or foreign.
#include <gtest/gtest.h>

#include "mesh/texture_compress_module.h"
#include "support/temp_folder.h"

namespace {

TEST(TextureCompressModuleTest, TheBuiltModuleIsFound)
{
    std::string error;
    EXPECT_NE(TextureCompressModule::Entry(&error), nullptr) << error;
}

TEST(TextureCompressModuleTest, MissingOrForeignModulesAreRefusedNamingEachPlace)
{
    KorvelTest::TempFolder folder;
    const std::string missing = folder / "modules/" KORVEL_NVTT_MODULE_FILE;
    folder.MakeFile("junk.so", "not a library");
    const std::string notLibrary = folder / "junk.so";
    // A real shared library without the module's entry points.
    const std::string foreign = "libm.so.6";

    std::string error;
    EXPECT_EQ(TextureCompressModule::OpenFirst({missing, notLibrary, foreign}, &error), nullptr);
    EXPECT_NE(error.find("texture compression module " KORVEL_NVTT_MODULE_FILE " could not be loaded"), std::string::npos)
        << error;
    for (const std::string& place : {missing, notLibrary, foreign})
        EXPECT_NE(error.find(place), std::string::npos) << place << " in " << error;

    EXPECT_EQ(TextureCompressModule::OpenFirst({}, &error), nullptr);
    EXPECT_NE(error.find("no place"), std::string::npos) << error;
}

}  // namespace
