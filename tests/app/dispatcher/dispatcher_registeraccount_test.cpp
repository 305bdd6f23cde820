// registeraccount: the user name and password go into the "internet" settings group.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "dispatcher_test_support.h"
#include "fake_kad_client.h"

using Tags = std::vector<std::pair<std::string, std::string>>;

class RegisterAccount : public testing::Test {
protected:
    void SetUp() override
    {
        FakeKADClientCalls().clear();
        FakeKADClientSettings() = FakeSettings();
    }
};

TEST_F(RegisterAccount, SetsBothTagsAsTypedAndKeepsTheOtherSettings)
{
    FakeKADClientSettings().internet = {{"language", "fr"}, {"username", "old"}};
    DispatchOutcome outcome = RunCommandLine({"RegisterAccount", "Jane.Doe", "S3cret Word"});
    EXPECT_EQ(outcome.output, "OK (0 Errors, 0 Warnings)\n");
    EXPECT_EQ(outcome.result, 0);
    // A re-set tag moves to the end of the soup.
    EXPECT_EQ(FakeKADClientSettings().internet,
              (Tags{{"language", "fr"}, {"username", "Jane.Doe"}, {"password", "S3cret Word"}}));
    EXPECT_EQ(FakeKADClientCalls(),
              (std::vector<std::string>{"GetSettingsSection(internet)", "SetSettingsSection(internet)"}));
}

TEST_F(RegisterAccount, ReadFailure)
{
    FakeKADClientSettings().readSucceeds = false;
    DispatchOutcome outcome = RunCommandLine({"registeraccount", "user", "pass"});
    EXPECT_EQ(outcome.output, "- <NULL> : Unable to read internet settings.\nOK (1 Errors, 0 Warnings)\n");
    EXPECT_EQ(outcome.result, -1);
    EXPECT_EQ(FakeKADClientCalls(), std::vector<std::string>{"GetSettingsSection(internet)"});
}

TEST_F(RegisterAccount, WriteFailure)
{
    FakeKADClientSettings().writeSucceeds = false;
    DispatchOutcome outcome = RunCommandLine({"registeraccount", "user", "pass", "extra"});
    EXPECT_EQ(outcome.output, "- <NULL> : Unable to write internet settings.\nOK (1 Errors, 0 Warnings)\n");
    EXPECT_EQ(outcome.result, -1);
}
