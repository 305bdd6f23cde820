// The process from outside: help, start-up failures, batch files, fatal errors and the crash guard.
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "e2e/harness/e2e_harness.h"
#include "support/run_table.h"

namespace {

using KorvelTest::RunRow;

std::string GoldenHelp()
{
    std::ifstream file(std::string(KORVEL_E2E_GOLDEN_DIR) + "/help.txt", std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

std::vector<RunRow> Rows()
{
    const std::string ok = "OK (0 Errors, 0 Warnings)\n";
    const std::string retry = "Unable to load render kernel. Retrying with -NullRender.\n";
    std::vector<RunRow> rows = {
        {.name = "NoArgumentPrintsHelpExits255AndTouchesNothing",
         .arguments = {},
         .exitStatus = 255,
         .out = GoldenHelp(),
         .err = "",
         .touchesNothing = true},
        {.name = "HelpExitsZeroAndTouchesNothing",
         .arguments = {"help", "ignored"},
         .exitStatus = 0,
         .out = GoldenHelp(),
         .err = "",
         .touchesNothing = true},
        {.name = "HelpInCapitalsExitsZeroAndTouchesNothing",
         .arguments = {"HELP", "ignored"},
         .exitStatus = 0,
         .out = GoldenHelp(),
         .err = "",
         .touchesNothing = true},
        {.name = "HelpInMixedCaseExitsZeroAndTouchesNothing",
         .arguments = {"hElP", "ignored"},
         .exitStatus = 0,
         .out = GoldenHelp(),
         .err = "",
         .touchesNothing = true},
        // The start-up runs in full before the batch file is looked for: the user-data tree exists.
        {.name = "MissingBatchFileIsReportedAfterStartUp",
         .arguments = {"@missing.txt"},
         .exitStatus = 255,
         .out = "",
         .err = "-The file \"missing.txt\" does not exist, please specify a valid filename\n",
         .existing = {"UserData/cache/water"}},
        {.name = "BatchFileThatIsAFolderIsReportedLikeAMissingOne",
         .arguments = {"@batches"},
         .files = {{"bin/batches/placeholder", ""}},
         .exitStatus = 255,
         .out = "",
         .err = "-The file \"batches\" does not exist, please specify a valid filename\n"},
        // An empty line with its terminator runs nothing; two blanks pass an empty word; quotes keep
        // blanks; a failing line makes the result -1 and the batch goes on.
        {.name = "BatchRunsEachLineWithItsOwnBlock",
         .arguments = {"@batch.txt"},
         .files = {{"bin/batch.txt", "echo one\n\r\necho  two\nnosuchcommand\necho \"three four\" five\n"}},
         .exitStatus = 255,
         .out = "one \n" + ok + "\n" + " two \n" + ok + "\n" +
                "- <NULL> : Invalid argument, please check the help for the list of valid argument\n\n"
                "OK (1 Errors, 0 Warnings)\n\n" +
                "three four five \n" + ok + "\n",
         .err = ""},
        {.name = "BatchLastLineWithTerminatorRunsOnce",
         .arguments = {"@batch.txt"},
         .files = {{"bin/batch.txt", "echo last\n"}},
         .exitStatus = 0,
         .out = "last \n" + ok + "\n"},
        {.name = "BatchLineTooLongRunsNoneOfItsParts",
         .arguments = {"@batch.txt"},
         .files = {{"bin/batch.txt", "echo " + std::string(600, 'x') + " echo tail\necho after\n"}},
         .exitStatus = 255,
         .out = "- <NULL> : Line too long.\nOK (1 Errors, 0 Warnings)\n\n" + std::string("after \n") + ok + "\n"},
        {.name = "SingleCommandResultIsTheExitCode",
         .arguments = {"version"},
         .exitStatus = 0,
         .out = "Build 44088\n" + ok},
        // 330 does not fit the 8-bit exit status: 330 & 0xFF = 74.
        {.name = "InstalledVersionExitsWithItsLowByte", .arguments = {"installedversion"}, .exitStatus = 74},
        {.name = "StartUpFailsWithoutADaemonToStart",
         .arguments = {"version"},
         .removed = {"bin/kaddaemon.exe"},
         .exitStatus = 255,
         .out = "",
         .errEndsWith = "- Init failed\n"},
        {.name = "UserDataThatIsAFileIsFatal",
         .arguments = {"version"},
         .files = {{"UserData", "not a folder"}},
         .exitStatus = 1,
         .err = "Error: Unable to acquire write access to UserData folder.\n",
         .outLacks = "OK ("},
#ifdef KORVEL_TEST_HOOKS
        // Engine start failures retry once with the null renderer.
        {.name = "OneOSFailureRetriesWithTheNullRenderer",
         .arguments = {"version"},
         .environment = {"KORVEL_TEST_ForceOSFailure=1"},
         .exitStatus = 0,
         .err = retry},
        {.name = "OneRenderFailureRetriesWithTheNullRenderer",
         .arguments = {"version"},
         .environment = {"KORVEL_TEST_ForceRenderFailure=1"},
         .exitStatus = 0,
         .err = retry},
        {.name = "OSFailureOnTheRetryToo",
         .arguments = {"version"},
         .environment = {"KORVEL_TEST_ForceOSFailure=always"},
         .exitStatus = 255,
         .err = retry + "- Zel OS initialisation failed.\n- Init failed\n"},
        {.name = "RenderFailureOnTheRetryToo",
         .arguments = {"version"},
         .environment = {"KORVEL_TEST_ForceRenderFailure=always"},
         .exitStatus = 255,
         .err = retry + "- Unable to initialize render system\n- Init failed\n"},
        // A fault or an exception in a guarded command exits 156; its results log is not printed.
        {.name = "FaultInAGuardedCommandExits156", .arguments = {"testfault"}, .exitStatus = 156, .outLacks = "OK ("},
        {.name = "ExceptionInAGuardedCommandExits156",
         .arguments = {"testthrow"},
         .exitStatus = 156,
         .outLacks = "OK ("},
        {.name = "FaultInABatchLineEndsTheWholeBatch",
         .arguments = {"@batch.txt"},
         .files = {{"bin/batch.txt", "echo first\ntestfault\necho never\n"}},
         .exitStatus = 156,
         .out = "first \n" + ok + "\n"},
#endif
    };
    return rows;
}

class ProgramEntry : public ::testing::TestWithParam<RunRow> {};

TEST_P(ProgramEntry, Runs)
{
    KorvelTest::ExpectRun(GetParam());
}

INSTANTIATE_TEST_SUITE_P(Table, ProgramEntry, ::testing::ValuesIn(Rows()), KorvelTest::RunRowName);

// Not a row: the engine's own lines vary, so only their presence is checked.
TEST(ProgramEntryLog, ZelLogSendsEngineLinesToStdoutAndStaysAnArgument)
{
    E2E::Installation install;
    E2E::RunResult quiet = install.Run({"echo", "hello"});
    EXPECT_EQ(quiet.out, "hello \nOK (0 Errors, 0 Warnings)\n");
    E2E::RunResult logged = install.Run({"echo", "hello", "-ZelLog"});
    EXPECT_EQ(logged.exitStatus, 0);
    // The option word is also an ordinary argument of the command.
    EXPECT_NE(logged.out.find("hello -ZelLog \nOK (0 Errors, 0 Warnings)\n"), std::string::npos) << logged.out;
    EXPECT_GT(logged.out.size(), std::string("hello -ZelLog \nOK (0 Errors, 0 Warnings)\n").size());
}

}  // namespace
