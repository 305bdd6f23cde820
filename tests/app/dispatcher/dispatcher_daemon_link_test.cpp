// Every command finds the daemon first, and a request lost with the daemon fails the command with a line saying so.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dispatcher_test_support.h"
#include "fake_kad_client.h"

class DaemonLink : public testing::Test {
protected:
    void SetUp() override
    {
        FakeKADClientCalls().clear();
        FakeKADClientSettings() = FakeSettings();
    }
};

TEST_F(DaemonLink, EachCommandChecksTheLinkBeforeItRuns)
{
    RunCommandLine({"version"});
    RunCommandLine({"setlanguage", "us"});
    EXPECT_EQ(FakeKADClientSettings().linkChecks, 2);
}

TEST_F(DaemonLink, ARequestLostWithTheDaemonFailsTheCommand)
{
    struct Case {
        std::vector<std::string> words;
        std::string output;
    };
    const std::string lost = "- <NULL> : The asset database daemon stopped answering.\n";
    // setlanguage does not look at its request's result: without the link
    // check it would report success for a setting that was never stored.
    const Case cases[] = {
        {{"setlanguage", "de"}, lost + "OK (1 Errors, 0 Warnings)\n"},
        {{"registeraccount", "user", "pass"},
         "- <NULL> : Unable to read internet settings.\n" + lost + "OK (2 Errors, 0 Warnings)\n"},
    };
    FakeKADClientSettings().daemonGone = true;
    for (const Case& test : cases) {
        DispatchOutcome outcome = RunCommandLine(test.words);
        EXPECT_EQ(outcome.output, test.output) << test.words[0];
        EXPECT_EQ(outcome.result, -1) << test.words[0];
    }
}

TEST_F(DaemonLink, CommandsThatAskNothingStillRunWithoutTheDaemon)
{
    FakeKADClientSettings().daemonGone = true;
    DispatchOutcome outcome = RunCommandLine({"echo", "a"});
    EXPECT_EQ(outcome.output, "a \nOK (0 Errors, 0 Warnings)\n");
    EXPECT_EQ(outcome.result, 0);
}
