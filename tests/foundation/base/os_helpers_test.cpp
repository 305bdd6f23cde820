// Operating-system helpers: launch modes, the URL-protocol command, Korvel.cfg and the simulator's command line.
#include "foundation/base/os_helpers.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "support/temp_folder.h"

namespace {

void WriteWords(const std::string& file, const std::vector<uint32_t>& words)
{
    std::ofstream out(file, std::ios::binary);
    for (uint32_t word : words) {
        const uint8_t bytes[4] = {uint8_t(word), uint8_t(word >> 8), uint8_t(word >> 16), uint8_t(word >> 24)};
        out.write(reinterpret_cast<const char*>(bytes), 4);
    }
}

uint32_t FloatBits(float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, 4);
    return bits;
}

const std::vector<uint32_t> Signature = {0x2B746B3E, 0x0A80C2BE, 0x168401F7, 0x01D1EE3C};

}  // namespace

TEST(OSHelpersTest, ShowModeOfTheLaunchFlags)
{
    struct Case {
        uint32_t flags;
        int32_t mode;
    } cases[] = {{0, 1}, {1, 7}, {2, 0}, {3, 0}};
    for (const Case& c : cases)
        EXPECT_EQ(LaunchShowMode(c.flags), c.mode) << c.flags;
}

TEST(OSHelpersTest, LaunchProcessStartsADetachedProgramInItsFolder)
{
    KorvelTest::TempFolder folder{"oshelpers"};
    std::string marker = folder.Root() + "/ran";
    std::string script = folder.Root() + "/probe.sh";
    {
        std::ofstream out(script);
        out << "pwd > \"$1\"\n";
    }
    std::string parameters = script + " " + marker;
    int pid = LaunchProcess("/bin/sh", parameters.c_str(), folder.Root().c_str(), LaunchHidden);
    ASSERT_GT(pid, 0);
    waitpid(pid, nullptr, 0);
    std::string workingFolder;
    for (int i = 0; i < 500 && workingFolder.empty(); ++i) {
        std::ifstream in(marker);
        std::getline(in, workingFolder);
        if (workingFolder.empty())
            usleep(10000);
    }
    EXPECT_EQ(workingFolder, folder.Root());
    EXPECT_EQ(LaunchProcess((folder.Root() + "/missing").c_str(), "", folder.Root().c_str(), LaunchHidden), 0);
}

TEST(OSHelpersTest, URLProtocolCommandQuotesAnUnquotedPath)
{
    EXPECT_EQ(BuildURLProtocolCommand("/opt/Korvel/bin/korvel.exe"), "\"/opt/Korvel/bin/korvel.exe\" \"%1\"");
    EXPECT_EQ(BuildURLProtocolCommand("\"/opt/k.exe\""), "\"/opt/k.exe\" \"%1\"");
    EXPECT_FALSE(RegisterURLProtocol("/opt/k.exe"));
}

TEST(OSHelpersTest, DefaultSettingsGiveTheDefaultCommandLine)
{
    DisplaySettings settings;
    EXPECT_EQ(BuildSimulatorCommandLine("-x", settings),
              "-x -Width=1024 -Height=768 -ColorBits=32 -fullscreen -multiSample=4 -Render=OpenGL");
}

TEST(OSHelpersTest, EveryOptionInItsPlace)
{
    DisplaySettings settings;
    settings.fullScreen = 0;
    settings.physicalScreenRatio = 1.25f;
    settings.multiSampling = 0;
    settings.openGLRenderer = 0;
    settings.stencil = 0;
    settings.noHardwareTransform = 1;
    settings.groundPolygonOffset = 1;
    settings.verticalSync = 2;
    settings.refreshChoice = 7;
    settings.offsetVertices = 1;
    settings.vertexOffset = 0.25f;
    EXPECT_EQ(BuildSimulatorCommandLine("", settings),
              " -Width=1024 -Height=768 -ColorBits=32 -windowed -PhysicalScreenRatio=1.250000 -Render=DirectX9"
              " -DisableStencil -nohwtnl -groundpolyoffset -Vsync=2 -Frequency=100 -offsetvertices=0.2");
}

TEST(OSHelpersTest, SettingsFileRoundTripsAsVersionThree)
{
    KorvelTest::TempFolder folder{"oshelpers"};
    DisplaySettings written;
    written.width = 1920;
    written.height = 1080;
    written.multiSampling = 8;
    written.vertexOffset = 1.5f;
    ASSERT_TRUE(WriteDisplaySettings(folder.Root().c_str(), written));
    EXPECT_EQ(std::filesystem::file_size(folder.Root() + "/Korvel.cfg"), 16u + 4u + 60u);
    DisplaySettings read;
    ASSERT_TRUE(ReadDisplaySettings(folder.Root().c_str(), read));
    EXPECT_EQ(read.width, 1920u);
    EXPECT_EQ(read.height, 1080u);
    EXPECT_EQ(read.multiSampling, 8u);
    EXPECT_EQ(read.vertexOffset, 1.5f);
}

TEST(OSHelpersTest, FileWithoutSignatureIsVersionZeroAndKeepsMultiSamplingFour)
{
    KorvelTest::TempFolder folder{"oshelpers"};
    // Version 0: fourteen fields, no multi-sampling.
    WriteWords(folder.Root() + "/Korvel.cfg",
               {800, 16, 1, 3, 1, 1, 0, 0, 0, 1, FloatBits(0.75f), 600, 0, FloatBits(0.0f)});
    DisplaySettings read;
    ASSERT_TRUE(ReadDisplaySettings(folder.Root().c_str(), read));
    EXPECT_EQ(read.width, 800u);
    EXPECT_EQ(read.colourBits, 16u);
    EXPECT_EQ(read.height, 600u);
    EXPECT_EQ(read.fullScreen, 0u);
    EXPECT_EQ(read.vertexOffset, 0.75f);
    EXPECT_EQ(read.multiSampling, 4u);
}

TEST(OSHelpersTest, VersionOneSkipsItsExtraWordAndForcesMultiSampling)
{
    KorvelTest::TempFolder folder{"oshelpers"};
    std::vector<uint32_t> words = Signature;
    words.push_back(1);
    for (uint32_t word : {1280u, 32u, 0u, 0u, 1u, 1u, 0u, 0u})
        words.push_back(word);
    words.push_back(0xDEADBEEF);  // the extra word of version 1
    for (uint32_t word : {0u, 0u, FloatBits(0.5f), 1024u, 1u, FloatBits(0.0f), 16u})
        words.push_back(word);
    WriteWords(folder.Root() + "/Korvel.cfg", words);
    DisplaySettings read;
    ASSERT_TRUE(ReadDisplaySettings(folder.Root().c_str(), read));
    EXPECT_EQ(read.width, 1280u);
    EXPECT_EQ(read.reserved, 0u);
    EXPECT_EQ(read.height, 1024u);
    EXPECT_EQ(read.multiSampling, 4u);
}

TEST(OSHelpersTest, MissingOrFutureFileLeavesTheDefaults)
{
    KorvelTest::TempFolder folder{"oshelpers"};
    DisplaySettings read;
    read.width = 1;
    EXPECT_FALSE(ReadDisplaySettings(folder.Root().c_str(), read));
    EXPECT_EQ(read.width, 1024u);
    std::vector<uint32_t> words = Signature;
    words.push_back(4);
    words.push_back(640);
    WriteWords(folder.Root() + "/Korvel.cfg", words);
    EXPECT_TRUE(ReadDisplaySettings(folder.Root().c_str(), read));
    EXPECT_EQ(read.width, 1024u);
}
