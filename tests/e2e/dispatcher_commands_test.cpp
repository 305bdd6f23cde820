// The command dispatcher end to end: real KorvelUtil processes against the real daemon, exact output and exit status.
#include "e2e/harness/e2e_harness.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct CommandCase {
    std::vector<std::string> words;
    std::string out;
    int exitStatus;
};

std::string ErrorLine(const std::string& text)
{
    return "- <NULL> : " + text + "\nOK (1 Errors, 0 Warnings)\n";
}

const char NoErrors[] = "OK (0 Errors, 0 Warnings)\n";

std::string Describe(const std::vector<std::string>& words)
{
    std::string line;
    for (const std::string& word : words)
        line += "[" + word + "]";
    return line;
}

}  // namespace

// One installation, so one daemon serves the whole table.
TEST(DispatcherCommands, CommandLinesGiveTheirExactOutputAndExitStatus)
{
    const std::string missingAssetID = ErrorLine("Missing AssetID parameter.");
    const std::string invalidArgument =
        "- <NULL> : Invalid argument, please check the help for the list of valid argument\n\n"
        "OK (1 Errors, 0 Warnings)\n";
    const CommandCase cases[] = {
        {{"version"}, std::string("Build 44088\n") + NoErrors, 0},
        {{"VERSION"}, std::string("Build 44088\n") + NoErrors, 0},
        // The exit status keeps the low byte of the result.
        {{"installedversionlo"}, NoErrors, 74},
        {{"installedversionhi"}, NoErrors, 1},
        {{"installedbuildnumberlo"}, NoErrors, 56},
        {{"installedbuildnumberhi"}, NoErrors, 172},
        {{"installedversion"}, NoErrors, 330 & 0xFF},
        {{"installedbuildnumber"}, NoErrors, 44088 & 0xFF},
        {{"echo", "Hello", "World"}, std::string("Hello World \n") + NoErrors, 0},
        {{"frobnicate"}, invalidArgument, 255},
        {{"registeraccount", "onlyuser"}, invalidArgument, 255},
        {{"setlanguage"}, ErrorLine("Missing input langauge id parameter."), 255},
        {{"setlanguage", "xx"}, ErrorLine("Unknown language code."), 255},
        {{"installcdp"}, ErrorLine("Missing input filepath parameter."), 255},
        {{"installfrompath", "/no/such/folder"}, ErrorLine("Invalid input path."), 255},
        {{"installfromchb", "<kuid:12"}, missingAssetID, 255},
        {{"edit"}, missingAssetID, 255},
        {{"commit", ""}, missingAssetID, 255},
        {{"compresstexture"}, missingAssetID, 255},
        {{"compile"}, ErrorLine("Invalid file path."), 255},
        {{"listbuilds"}, ErrorLine("Missing path parameter."), 255},
        {{"searchbycategory", "-a"}, ErrorLine("Missing category parameter."), 255},
        {{"createcdp"}, ErrorLine("Missing output path parameter."), 255},
        {{"createcdp", "out.zip", "<kuid:1:2>"}, ErrorLine("The output filename must have a .cdp extension."), 255},
        {{"chbparse"}, ErrorLine("Missing CDP filepath."), 255},
        {{"registeraccount", "user", "secret"}, NoErrors, 0},
    };
    E2E::Installation installation;
    for (const CommandCase& c : cases) {
        E2E::RunResult run = installation.Run(c.words);
        EXPECT_EQ(run.out, c.out) << Describe(c.words) << "\nstderr: " << run.err;
        EXPECT_EQ(run.exitStatus, c.exitStatus) << Describe(c.words);
    }
}

TEST(DispatcherCommands, BatchLinesEachPrintTheirLogAndAnyFailureFailsTheBatch)
{
    E2E::Installation installation;
    installation.WriteFile("bin/commands.txt", "echo \"two words\" x\n"
                                               "HELP\n"
                                               "version\n");
    E2E::RunResult run = installation.Run({"@commands.txt"});
    EXPECT_EQ(run.out, "two words x \nOK (0 Errors, 0 Warnings)\n\n"
                       "- <NULL> : Invalid argument, please check the help for the list of valid argument\n\n"
                       "OK (1 Errors, 0 Warnings)\n\n"
                       "Build 44088\nOK (0 Errors, 0 Warnings)\n\n");
    EXPECT_EQ(run.exitStatus, 255);
}
