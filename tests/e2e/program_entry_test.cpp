// The process from outside: help, start-up failures, batch files, fatal errors and the crash guard.
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "e2e/harness/e2e_harness.h"

namespace {

using E2E::Installation;
using E2E::RunResult;

std::string GoldenHelp()
{
    std::ifstream file(std::string(KORVEL_E2E_GOLDEN_DIR) + "/help.txt", std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

const char* const missingBatchMessage =
    "-The file \"missing.txt\" does not exist, please specify a valid filename\n";

TEST(ProgramEntry, NoArgumentPrintsHelpExits255AndTouchesNothing)
{
    Installation install;
    std::vector<std::string> before = install.ListTree();
    RunResult run = install.Run({});
    EXPECT_EQ(run.exitStatus, 255);
    EXPECT_EQ(run.out, GoldenHelp());
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(install.ListTree(), before);
}

TEST(ProgramEntry, HelpInAnyCaseExitsZeroAndTouchesNothing)
{
    Installation install;
    std::vector<std::string> before = install.ListTree();
    for (const char* word : {"help", "HELP", "hElP"}) {
        RunResult run = install.Run({word, "ignored"});
        EXPECT_EQ(run.exitStatus, 0) << word;
        EXPECT_EQ(run.out, GoldenHelp()) << word;
        EXPECT_EQ(run.err, "") << word;
    }
    EXPECT_EQ(install.ListTree(), before);
}

TEST(ProgramEntry, MissingBatchFileIsReportedAfterStartUp)
{
    Installation install;
    RunResult run = install.Run({"@missing.txt"});
    EXPECT_EQ(run.exitStatus, 255);
    EXPECT_EQ(run.err, missingBatchMessage);
    EXPECT_EQ(run.out, "");
    // The start-up ran in full: the user-data tree exists.
    EXPECT_TRUE(install.Exists("UserData/cache/water"));
}

TEST(ProgramEntry, BatchFileThatIsAFolderIsReportedLikeAMissingOne)
{
    Installation install;
    install.WriteFile("bin/batches/placeholder", "");
    RunResult run = install.Run({"@batches"});
    EXPECT_EQ(run.exitStatus, 255);
    EXPECT_EQ(run.err, "-The file \"batches\" does not exist, please specify a valid filename\n");
    EXPECT_EQ(run.out, "");
}

TEST(ProgramEntry, BatchRunsEachLineWithItsOwnBlock)
{
    Installation install;
    // An empty line with its terminator runs nothing; two blanks pass an
    // empty word; quotes keep blanks; a failing line makes the result -1
    // and the batch goes on.
    install.WriteFile("bin/batch.txt", "echo one\n\r\necho  two\nnosuchcommand\necho \"three four\" five\n");
    RunResult run = install.Run({"@batch.txt"});
    EXPECT_EQ(run.exitStatus, 255);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out,
              "one \nOK (0 Errors, 0 Warnings)\n\n"
              " two \nOK (0 Errors, 0 Warnings)\n\n"
              "- <NULL> : Invalid argument, please check the help for the list of valid argument\n\n"
              "OK (1 Errors, 0 Warnings)\n\n"
              "three four five \nOK (0 Errors, 0 Warnings)\n\n");
}

TEST(ProgramEntry, BatchLastLineWithTerminatorRunsOnce)
{
    Installation install;
    install.WriteFile("bin/batch.txt", "echo last\n");
    RunResult run = install.Run({"@batch.txt"});
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(run.out, "last \nOK (0 Errors, 0 Warnings)\n\n");
}

TEST(ProgramEntry, BatchLineTooLongRunsNoneOfItsParts)
{
    Installation install;
    std::string longLine = "echo " + std::string(600, 'x') + " echo tail";
    install.WriteFile("bin/batch.txt", longLine + "\necho after\n");
    RunResult run = install.Run({"@batch.txt"});
    EXPECT_EQ(run.exitStatus, 255);
    EXPECT_EQ(run.out,
              "- <NULL> : Line too long.\nOK (1 Errors, 0 Warnings)\n\n"
              "after \nOK (0 Errors, 0 Warnings)\n\n");
}

TEST(ProgramEntry, SingleCommandResultIsTheExitCode)
{
    Installation install;
    RunResult version = install.Run({"version"});
    EXPECT_EQ(version.exitStatus, 0);
    EXPECT_EQ(version.out, "Build 44088\nOK (0 Errors, 0 Warnings)\n");
    // 330 does not fit the 8-bit exit status: 330 & 0xFF = 74.
    RunResult installed = install.Run({"installedversion"});
    EXPECT_EQ(installed.exitStatus, 74);
}

TEST(ProgramEntry, StartUpFailsWithoutADaemonToStart)
{
    Installation install;
    install.Remove("bin/kaddaemon.exe");
    RunResult run = install.Run({"version"});
    EXPECT_EQ(run.exitStatus, 255);
    EXPECT_EQ(run.out, "");
    ASSERT_GE(run.err.size(), 14u);
    EXPECT_EQ(run.err.substr(run.err.size() - 14), "- Init failed\n");
}

TEST(ProgramEntry, ZelLogSendsEngineLinesToStdoutAndStaysAnArgument)
{
    Installation install;
    RunResult quiet = install.Run({"echo", "hello"});
    EXPECT_EQ(quiet.out, "hello \nOK (0 Errors, 0 Warnings)\n");
    RunResult logged = install.Run({"echo", "hello", "-ZelLog"});
    EXPECT_EQ(logged.exitStatus, 0);
    // The option word is also an ordinary argument of the command.
    EXPECT_NE(logged.out.find("hello -ZelLog \nOK (0 Errors, 0 Warnings)\n"), std::string::npos) << logged.out;
    EXPECT_GT(logged.out.size(), std::string("hello -ZelLog \nOK (0 Errors, 0 Warnings)\n").size());
}

TEST(ProgramEntry, UserDataThatIsAFileIsFatal)
{
    Installation install;
    install.WriteFile("UserData", "not a folder");
    RunResult run = install.Run({"version"});
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(run.err, "Error: Unable to acquire write access to UserData folder.\n");
    EXPECT_EQ(run.out.find("OK ("), std::string::npos);
}

#ifdef KORVEL_TEST_HOOKS
struct EngineFailureCase {
    const char* environment;
    const char* expectedErrors;
    int exitStatus;
};

TEST(ProgramEntry, EngineStartFailuresRetryOnceWithTheNullRenderer)
{
    const char* const retry = "Unable to load render kernel. Retrying with -NullRender.\n";
    const EngineFailureCase cases[] = {
        {"KORVEL_TEST_ForceOSFailure=1", "", 0},
        {"KORVEL_TEST_ForceRenderFailure=1", "", 0},
        {"KORVEL_TEST_ForceOSFailure=always", "- Zel OS initialisation failed.\n- Init failed\n", 255},
        {"KORVEL_TEST_ForceRenderFailure=always", "- Unable to initialize render system\n- Init failed\n", 255},
    };
    Installation install;
    for (const EngineFailureCase& c : cases) {
        E2E::RunOptions options;
        options.environment = {c.environment};
        RunResult run = install.Run({"version"}, options);
        EXPECT_EQ(run.exitStatus, c.exitStatus) << c.environment;
        EXPECT_EQ(run.err, std::string(retry) + c.expectedErrors) << c.environment;
    }
}

TEST(ProgramEntry, FaultOrExceptionInAGuardedCommandExits156)
{
    Installation install;
    for (const char* word : {"testfault", "testthrow"}) {
        RunResult run = install.Run({word});
        EXPECT_EQ(run.exitStatus, 156) << word << run.err;
        EXPECT_EQ(run.signal, 0) << word;
        // The command's results log is not printed.
        EXPECT_EQ(run.out.find("OK ("), std::string::npos) << word;
    }
}

TEST(ProgramEntry, FaultInABatchLineEndsTheWholeBatch)
{
    Installation install;
    install.WriteFile("bin/batch.txt", "echo first\ntestfault\necho never\n");
    RunResult run = install.Run({"@batch.txt"});
    EXPECT_EQ(run.exitStatus, 156);
    EXPECT_EQ(run.out, "first \nOK (0 Errors, 0 Warnings)\n\n");
}
#endif

}  // namespace
