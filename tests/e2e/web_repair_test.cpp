// repairdatabase end to end: the real daemon reconciles asset folders with its index.
#include "e2e/harness/e2e_harness.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const char* const AssetFolder = "UserData/local/kuid_123_456_0/r1/bridge/config.txt";

std::string Config(const char* kuid, const char* name)
{
    return std::string("kuid ") + kuid + "\nkind \"scenery\"\nusername \"" + name + "\"\nkorvel-build 3.5\n";
}

// Lines of the printed log that carry the given prefix ("- " for errors).
int CountLines(const std::string& out, const std::string& prefix)
{
    int count = 0;
    std::size_t start = 0;
    while (start < out.size()) {
        std::size_t end = out.find('\n', start);
        if (end == std::string::npos)
            end = out.size();
        if (out.compare(start, prefix.size(), prefix) == 0)
            ++count;
        start = end + 1;
    }
    return count;
}

class WebRepairTest : public ::testing::Test {
protected:
    E2E::RunResult Repair(const char* word = nullptr)
    {
        std::vector<std::string> arguments = {"repairdatabase"};
        if (word != nullptr)
            arguments.push_back(word);
        return installation.Run(arguments);
    }
    // The asset is known when its config can be printed.
    bool IsKnown(const char* kuid)
    {
        return installation.Run({"printconfig", kuid}).exitStatus == 0;
    }

    E2E::Installation installation;
};

TEST_F(WebRepairTest, AConsistentStoreRepairsCleanly)
{
    installation.WriteFile(AssetFolder, Config("<kuid:123:456>", "Bridge"));
    E2E::RunResult first = Repair();
    EXPECT_EQ(first.exitStatus, 0) << first.out << first.err;
    EXPECT_NE(first.out.find("Repairing asset database (this may take some time)\n"), std::string::npos);
    EXPECT_TRUE(IsKnown("<kuid:123:456>"));

    E2E::RunResult second = Repair("extended");
    EXPECT_EQ(second.exitStatus, 0) << second.out;
    EXPECT_EQ(CountLines(second.out, "- "), 0) << second.out;
    EXPECT_NE(second.out.find("OK (0 Errors, 0 Warnings)"), std::string::npos) << second.out;
}

TEST_F(WebRepairTest, ALostIndexIsRebuiltFromTheFolders)
{
    installation.WriteFile(AssetFolder, Config("<kuid:123:456>", "Bridge"));
    ASSERT_EQ(Repair().exitStatus, 0);
    ASSERT_TRUE(IsKnown("<kuid:123:456>"));

    installation.Run({"closekaddaemon"});
    installation.StopDaemons();
    for (const char* file : {"index.sqlite", "index.sqlite-wal", "index.sqlite-shm"}) {
        std::string path = std::string("UserData/assets.tdx/") + file;
        if (installation.Exists(path))
            installation.Remove(path);
    }
    EXPECT_FALSE(IsKnown("<kuid:123:456>"));
    E2E::RunResult repaired = Repair();
    EXPECT_EQ(repaired.exitStatus, 0) << repaired.out;
    EXPECT_TRUE(IsKnown("<kuid:123:456>"));
    // The folder stays where it was.
    EXPECT_TRUE(installation.Exists(AssetFolder));
}

TEST_F(WebRepairTest, WhatCannotBeMendedIsAnErrorLine)
{
    installation.WriteFile(AssetFolder, Config("<kuid:123:456>", "Bridge"));
    // A folder whose config names another asset, and one without a config.
    installation.WriteFile("UserData/local/kuid_123_457_0/r1/wrong/config.txt", Config("<kuid:9:9>", "Wrong"));
    installation.WriteFile("UserData/local/kuid_123_458_0/r1/empty/readme.txt", "no config here");
    E2E::RunResult result = Repair();
    EXPECT_EQ(result.exitStatus, 255) << result.out;
    EXPECT_EQ(CountLines(result.out, "- "), 2) << result.out;
    EXPECT_TRUE(IsKnown("<kuid:123:456>"));
    // Nothing is deleted: the broken folders are still there to mend by hand.
    EXPECT_TRUE(installation.Exists("UserData/local/kuid_123_457_0/r1/wrong/config.txt"));
    EXPECT_TRUE(installation.Exists("UserData/local/kuid_123_458_0/r1/empty/readme.txt"));
}

TEST_F(WebRepairTest, ThePatcherModePrintsNothingOfItsOwn)
{
    E2E::RunResult result = Repair("patcher");
    EXPECT_EQ(result.exitStatus, 0) << result.out;
    EXPECT_EQ(result.out.find("Repairing asset database"), std::string::npos);
}

}  // namespace
