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

// The status letters of an asset, from the status line "+ <kuid> : letters : category : name".
std::string StatusLetters(const std::string& out)
{
    std::size_t at = out.find(" : ");
    return at == std::string::npos ? std::string() : out.substr(at + 3, 7);
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
    bool IsKnown(const char* kuid) { return installation.Run({"printconfig", kuid}).exitStatus == 0; }

    E2E::Installation installation;
};

TEST_F(WebRepairTest, AConsistentStoreRepairsCleanly)
{
    // A build the validator checks, and a config it finds nothing wrong with.
    std::string config = Config("<kuid:123:456>", "Bridge");
    config.replace(config.find("korvel-build 3.5"), 16, "korvel-build 3.3");
    installation.WriteFile(AssetFolder, config);
    E2E::RunResult first = Repair();
    EXPECT_EQ(first.exitStatus, 0) << first.out << first.err;
    EXPECT_NE(first.out.find("Repairing asset database (this may take some time)\n"), std::string::npos);
    EXPECT_TRUE(IsKnown("<kuid:123:456>"));

    // The extended repair validates the asset again, through a host, and
    // finds it sound.
    E2E::RunResult second = Repair("extended");
    EXPECT_EQ(second.exitStatus, 0) << second.out;
    EXPECT_EQ(CountLines(second.out, "- "), 0) << second.out;
    EXPECT_NE(second.out.find("OK (0 Errors, 0 Warnings)"), std::string::npos) << second.out;
    E2E::RunResult status = installation.Run({"status", "<kuid:123:456>"});
    EXPECT_EQ(StatusLetters(status.out), "eIadlmf") << status.out;
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

TEST(WebRepairFaulty, AnUnreadableFolderKeepsItsRowMarkedFaultyUntilItIsMended)
{
    struct Break {
        const char* name;
        bool removeConfig;  // else the config names another asset
    };
    for (const Break& broken : {Break{"names another asset", false}, Break{"config removed", true}}) {
        SCOPED_TRACE(broken.name);
        E2E::Installation installation;
        installation.WriteFile("Incoming/Bridge/config.txt", Config("<kuid:123:456>", "Bridge"));
        installation.WriteFile("Incoming/Bridge/body.im", "mesh");
        ASSERT_EQ(installation.Run({"installfrompath", installation.PathOf("Incoming/Bridge")}).exitStatus, 0);
        std::string config;
        for (const std::string& path : installation.ListTree()) {
            if (path.rfind("UserData/local/kuid_123_456_0/", 0) == 0 && path.ends_with("/config.txt"))
                config = path;
        }
        ASSERT_FALSE(config.empty());

        if (broken.removeConfig)
            installation.Remove(config);
        else
            installation.WriteFile(config, Config("<kuid:9:9>", "Intruder"));
        for (int pass = 0; pass < 2; ++pass) {
            E2E::RunResult repaired = installation.Run({"repairdatabase"});
            EXPECT_EQ(repaired.exitStatus, 255) << repaired.out;
            EXPECT_EQ(CountLines(repaired.out, "- <kuid:123:456> : Cannot repair "), 1) << repaired.out;
            E2E::RunResult status = installation.Run({"status", "<kuid:123:456>"});
            EXPECT_EQ(status.exitStatus, 0) << status.out;
            EXPECT_EQ(StatusLetters(status.out), "eIadLmF") << status.out;
            // Its files are still where they were.
            EXPECT_TRUE(installation.Exists(config.substr(0, config.size() - 10) + "body.im"));
        }

        installation.WriteFile(config, Config("<kuid:123:456>", "Bridge Mended"));
        E2E::RunResult mended = installation.Run({"repairdatabase"});
        EXPECT_EQ(mended.exitStatus, 0) << mended.out;
        E2E::RunResult status = installation.Run({"status", "<kuid:123:456>"});
        EXPECT_EQ(StatusLetters(status.out), "eIadLmf") << status.out;
        EXPECT_NE(status.out.find(" : Bridge Mended\n"), std::string::npos) << status.out;
    }
}

TEST_F(WebRepairTest, AFreshInstallOverAnUnreadableFolderIsNoLongerFaulty)
{
    installation.WriteFile(AssetFolder, Config("<kuid:123:456>", "Bridge"));
    // A file besides the config: a folder left without any file holds no
    // asset at all, which is not what this test is about.
    installation.WriteFile("UserData/local/kuid_123_456_0/r1/bridge/body.im", "mesh");
    ASSERT_EQ(Repair().exitStatus, 0);
    installation.Remove(AssetFolder);
    ASSERT_EQ(Repair().exitStatus, 255);
    ASSERT_EQ(StatusLetters(installation.Run({"status", "<kuid:123:456>"}).out), "eIadlmF");

    // A good copy installed over it reads fine: no repair is needed to say so.
    installation.WriteFile("Incoming/Bridge/config.txt", Config("<kuid:123:456>", "Bridge Again"));
    ASSERT_EQ(installation.Run({"installfrompath", installation.PathOf("Incoming/Bridge")}).exitStatus, 0);
    E2E::RunResult status = installation.Run({"status", "<kuid:123:456>"});
    EXPECT_EQ(StatusLetters(status.out), "eIadLmf") << status.out;
    EXPECT_NE(status.out.find(" : Bridge Again\n"), std::string::npos) << status.out;
}

#ifdef KORVEL_TEST_HOOKS
TEST_F(WebRepairTest, AValidatorThatCanJudgeLeavesItsVerdictInTheRow)
{
    // The asset's build is newer than the validator checks: every
    // validation fails it. (The daemon started by this first command would
    // also take a stand-in validator's verdicts as real.)
    E2E::RunOptions judging;
    judging.environment = {"KAD_TEST_VALIDATOR_JUDGES=1"};
    installation.WriteFile(AssetFolder, Config("<kuid:123:456>", "Bridge"));
    ASSERT_EQ(installation.Run({"repairdatabase"}, judging).exitStatus, 0);
    auto letters = [&] { return StatusLetters(installation.Run({"status", "<kuid:123:456>"}).out); };
    EXPECT_EQ(letters(), "eIadlmf");

    // validate: daemon -> host -> back, and the verdict stays with the asset.
    E2E::RunResult validated = installation.Run({"validate", "<kuid:123:456>"});
    EXPECT_NE(validated.out.find(
                  "- <kuid:123:456> : This asset was made for a newer version of the program and cannot be checked.\n"),
              std::string::npos)
        << validated.out;
    EXPECT_EQ(letters(), "eIadlmF");

    // The extended repair asks again for every installed asset.
    E2E::RunResult result = installation.Run({"repairdatabase", "extended"});
    EXPECT_EQ(result.exitStatus, 255) << result.out;
    EXPECT_NE(result.out.find(
                  "- <kuid:123:456> : This asset was made for a newer version of the program and cannot be checked.\n"),
              std::string::npos)
        << result.out;
    EXPECT_EQ(letters(), "eIadlmF");

    // A plain repair reads the folder fine and leaves the verdict alone.
    EXPECT_EQ(Repair().exitStatus, 0);
    EXPECT_EQ(letters(), "eIadlmF");
}
#endif

TEST_F(WebRepairTest, ThePatcherModePrintsNothingOfItsOwn)
{
    E2E::RunResult result = Repair("patcher");
    EXPECT_EQ(result.exitStatus, 0) << result.out;
    EXPECT_EQ(result.out.find("Repairing asset database"), std::string::npos);
}

}  // namespace
