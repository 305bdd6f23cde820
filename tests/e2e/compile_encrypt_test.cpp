// The compile and encrypt commands end to end: real KorvelUtil processes (and daemon), sources in the caller's folder.
#include "e2e/harness/e2e_harness.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

const char NoErrors[] = "OK (0 Errors, 0 Warnings)\n";

std::string ErrorLine(const std::string& text)
{
    return "- <NULL> : " + text + "\nOK (1 Errors, 0 Warnings)\n";
}

std::string SampleScript(const std::string& name)
{
    std::ifstream file(std::string(KORVEL_E2E_GOLDEN_DIR) + "/../scripts/" + name, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

uint32_t WordAt(const std::string& bytes, size_t at)
{
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value |= uint32_t(uint8_t(bytes[at + i])) << (8 * i);
    return value;
}

// The sample scripts in a folder of their own, which the commands run in.
class CompileCommands : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* name : {"vehicle.gs", "train.gs", "broken.gs", "lonely.gs"})
            installation.WriteFile("work/" + std::string(name), SampleScript(name));
        options.workingFolder = installation.PathOf("work");
    }

    E2E::RunResult Run(const std::vector<std::string>& words) const { return installation.Run(words, options); }

    E2E::Installation installation;
    E2E::RunOptions options;
};

TEST_F(CompileCommands, CompileWritesTheLibraryOrReportsTheCompilerLog)
{
    struct Case {
        std::vector<std::string> words;
        std::string out;
        int exitStatus;
        std::string library;  // made in work/, or "" for none
    };
    const Case cases[] = {
        {{"compile", "train.gs"}, NoErrors, 0, "train.gsl"},
        // Start-up option words are not taken for the source.
        {{"compile", "vehicle.gs", "norender", "-NoKADClient"}, NoErrors, 0, "vehicle.gsl"},
        {{"compile", "broken.gs"}, std::string("broken.gs(5) : parse error, line 5\n") + NoErrors, 255, ""},
        {{"compile", "missing.gs"}, std::string("Could not read file (null) missing.gs.\n") + NoErrors, 255, ""},
        {{"compile", "lonely.gs"}, std::string("Could not read file (null) nowhere.gs.\n") + NoErrors, 255, ""},
        {{"compile", "broken.gs", "-s"}, NoErrors, 255, ""},
        {{"compile", "-p../out/", "train.gs"}, NoErrors, 0, "../out/train.gsl"},
        {{"compile"}, ErrorLine("Invalid file path."), 255, ""},
    };
    std::filesystem::create_directories(installation.PathOf("out"));
    for (const Case& c : cases) {
        E2E::RunResult run = Run(c.words);
        EXPECT_EQ(run.out, c.out) << c.words[1] << "\nstderr: " << run.err;
        EXPECT_EQ(run.exitStatus, c.exitStatus) << c.words[1];
        if (!c.library.empty()) {
            EXPECT_TRUE(installation.Exists("work/" + c.library)) << c.library;
            installation.Remove("work/" + c.library);
        }
    }
    EXPECT_FALSE(installation.Exists("work/broken.gsl"));
    EXPECT_FALSE(installation.Exists("work/lonely.gsl"));
}

TEST_F(CompileCommands, CompileSwitchesReachTheCompiler)
{
    // -s alone is no source: the usage, and the compiler's 1 becomes -1.
    E2E::RunResult usage = Run({"compile", "-s"});
    EXPECT_EQ(usage.exitStatus, 255);
    EXPECT_EQ(usage.out.rfind("QUELM DudoRazuzu Compiler V1.02\n\nKorvelUtil returns number of compile errors\n", 0),
              0u)
        << usage.out;

    E2E::RunResult manual = Run({"compile", "-d"});
    EXPECT_EQ(manual.exitStatus, 0);
    EXPECT_EQ(manual.out.rfind("QUELM GAME SCRIPT COMPILER\n", 0), 0u);
    EXPECT_NE(manual.out.find("9.0 Using QUELM DudoRazuzu"), std::string::npos);

    // -b appends the log to a file in the caller's folder; -s keeps it off the screen.
    for (int i = 0; i < 2; ++i) {
        E2E::RunResult logged = Run({"compile", "lonely.gs", "-s", "-bbuild.log"});
        EXPECT_EQ(logged.exitStatus, 255);
        EXPECT_EQ(logged.out, NoErrors);
    }
    EXPECT_EQ(installation.ReadFile("work/build.log"),
              "Could not read file (null) nowhere.gs.\nCould not read file (null) nowhere.gs.\n");
}

TEST_F(CompileCommands, AnOutputFolderThatCannotBeWrittenLeavesNoFile)
{
    installation.WriteFile("blocked", "a file where a folder should be");
    E2E::RunResult run = Run({"compile", "train.gs", "-p../blocked/"});
    EXPECT_EQ(run.exitStatus, 255);
    EXPECT_EQ(run.out, std::string("Unable to open output file.\n\n") + NoErrors);
    // The installed script API libraries aside.
    std::vector<std::string> left;
    for (const std::string& path : installation.ListTree())
        if ((path.find(".gsl") != std::string::npos && path.rfind("libraries/", 0) != 0) ||
            path.find(".part") != std::string::npos)
            left.push_back(path);
    EXPECT_TRUE(left.empty()) << left.front();
}

TEST_F(CompileCommands, EncryptedSourcesCompileToTheSameLibraryId)
{
    ASSERT_EQ(Run({"encrypt", "vehicle.gs"}).out, NoErrors);
    ASSERT_EQ(Run({"encrypt", "train.gs"}).exitStatus, 0);
    ASSERT_TRUE(installation.Exists("work/vehicle.gse"));
    ASSERT_TRUE(installation.Exists("work/train.gse"));
    EXPECT_EQ(installation.ReadFile("work/train.gse").find("isclass"), std::string::npos);

    // Beside the plain sources, the plain ones are compiled.
    ASSERT_EQ(Run({"compile", "train.gse"}).exitStatus, 0);
    const std::string beside = installation.ReadFile("work/train.gsl");

    // Alone: the plain sources gone, the compiler finds both protected files.
    installation.Remove("work/train.gs");
    installation.Remove("work/vehicle.gs");
    installation.Remove("work/train.gsl");
    E2E::RunResult alone = Run({"compile", "train.gse"});
    EXPECT_EQ(alone.out, NoErrors);
    ASSERT_EQ(alone.exitStatus, 0);
    const std::string protectedImage = installation.ReadFile("work/train.gsl");
    ASSERT_GE(beside.size(), 20u);
    ASSERT_GE(protectedImage.size(), 20u);
    EXPECT_EQ(WordAt(protectedImage, 12), WordAt(beside, 12));
    EXPECT_EQ(WordAt(protectedImage, 16), WordAt(beside, 16));
}

TEST_F(CompileCommands, EncryptRefusesWhatItCannotReadOrWrite)
{
    installation.WriteFile("work/notes.txt", "class A {};");
    std::filesystem::create_directories(installation.PathOf("work/taken.gse"));
    installation.WriteFile("work/taken.gs", "class Taken {};");
    struct Case {
        std::vector<std::string> words;
        std::string message;
    };
    const Case cases[] = {
        {{"encrypt"}, "Invalid file path."},
        {{"encrypt", "notes.txt"}, "Invalid file path."},
        {{"encrypt", "missing.gs"}, "Invalid file path."},
        {{"encrypt", "taken.gs"}, "Unable to write file."},
    };
    for (const Case& c : cases) {
        E2E::RunResult run = Run(c.words);
        EXPECT_EQ(run.out, ErrorLine(c.message)) << c.words.back();
        EXPECT_EQ(run.exitStatus, 255);
    }
    EXPECT_FALSE(installation.Exists("work/missing.gse"));
    EXPECT_FALSE(installation.Exists("work/notes.gse"));
}

}  // namespace
