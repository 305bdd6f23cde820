// Validation through a command host end to end: the real daemon starts a real host, asks it and passes its lines on.
#include "e2e/harness/e2e_harness.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <future>
#include <regex>
#include <string>
#include <thread>

namespace {

namespace fs = std::filesystem;

const char AssetTag[] = "<kuid:424242:3001>";

class CommandHostValidate : public ::testing::Test {
protected:
    // Installs one asset from a folder written here; false when the daemon's
    // store does not install it.
    bool InstallAsset(const E2E::RunOptions& options = {})
    {
        installation.WriteFile("Incoming/Lamp/config.txt", std::string("kuid ") + AssetTag +
                                                               "\nkind \"scenery\"\nusername \"Host Lamp\"\n"
                                                               "korvel-build 3.5\n");
        installation.WriteFile("Incoming/Lamp/Lamp.im", "mesh bytes");
        return installation.Run({"installfrompath", installation.PathOf("Incoming/Lamp")}, options).exitStatus == 0;
    }

    // The command-host logs the daemon opened, one per host it started.
    int HostLogCount() const
    {
        int count = 0;
        std::string folder = installation.PathOf("UserData/cache/logs");
        if (!fs::is_directory(folder))
            return 0;
        for (const auto& entry : fs::directory_iterator(folder))
            if (std::regex_match(entry.path().filename().string(), std::regex(R"(commandhost-\d+\.log)")))
                ++count;
        return count;
    }

    // The last host the daemon's log says was sent a question, unless it is
    // the one given; 0 while there is none.
    int HostWithQuestion(int besides = 0) const
    {
        const std::string log = "UserData/assets.tdx/kaddaemon.log";
        if (!installation.Exists(log))
            return 0;
        std::string text = installation.ReadFile(log);
        std::regex sent(R"(question 0 sent to command host (\d+))");
        int last = 0;
        for (auto at = std::sregex_iterator(text.begin(), text.end(), sent); at != std::sregex_iterator(); ++at)
            last = std::stoi((*at)[1].str());
        return last == besides ? 0 : last;
    }

    // Runs validate while a stalling host holds the question, kills that host
    // and returns what validate printed, and the host's id.
    E2E::RunResult ValidateAndKillTheHost(const E2E::RunOptions& options, int& host, int previousHost)
    {
        std::future<E2E::RunResult> waiting = std::async(std::launch::async, [&] {
            return installation.Run({"validate", AssetTag}, options);
        });
        host = 0;
        while (host == 0 && waiting.wait_for(std::chrono::milliseconds(20)) != std::future_status::ready)
            host = HostWithQuestion(previousHost);
        if (host != 0)
            kill(host, SIGKILL);
        return waiting.get();
    }

    E2E::Installation installation;
};

TEST_F(CommandHostValidate, ValidationGoesThroughAHostAndPrintsItsLinesForTheAsset)
{
    ASSERT_TRUE(InstallAsset());
    E2E::RunResult result = installation.Run({"validate", AssetTag});
    // The asset's build is newer than the validator checks: the host says
    // so, and the line comes back naming the asset, as an error. The command
    // itself succeeded (it could open the asset and ask): its lines tell the
    // outcome, its exit code does not.
    EXPECT_EQ(result.out, std::string("- ") + AssetTag +
                              " : This asset was made for a newer version of the program and cannot be checked.\n"
                              "OK (1 Errors, 0 Warnings)\n");
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(HostLogCount(), 1);

    // The idle host serves the next question; no second host is started.
    E2E::RunResult again = installation.Run({"validate", AssetTag});
    EXPECT_EQ(again.out, result.out);
    EXPECT_EQ(HostLogCount(), 1);
}

#ifdef KORVEL_TEST_HOOKS
TEST_F(CommandHostValidate, HostKilledMidQuestionGivesAnErrorLineAndTheNextQuestionANewHost)
{
    // The daemon, started by the first command, hands its environment on to the host.
    E2E::RunOptions stalling;
    stalling.environment = {"KORVEL_TEST_HOST_VALIDATE=stall"};
    ASSERT_TRUE(InstallAsset(stalling));
    int host = 0;
    E2E::RunResult result = ValidateAndKillTheHost(stalling, host, 0);
    ASSERT_NE(host, 0) << "validate ended before its question reached a host: " << result.out;
    const std::string failed =
        std::string("- ") + AssetTag + " : The command host ended before it answered.\nOK (1 Errors, 0 Warnings)\n";
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.out, failed);
    EXPECT_EQ(result.exitStatus, 0);

    // The dead host is forgotten: the next question starts another one.
    int second = 0;
    E2E::RunResult again = ValidateAndKillTheHost(stalling, second, host);
    ASSERT_NE(second, 0) << again.out;
    EXPECT_NE(second, host);
    EXPECT_EQ(again.out, failed);
    EXPECT_EQ(HostLogCount(), 2);
}

TEST_F(CommandHostValidate, HostFaultingMidQuestionGivesAnErrorLine)
{
    E2E::RunOptions faulting;
    faulting.environment = {"KORVEL_TEST_HOST_VALIDATE=fault"};
    ASSERT_TRUE(InstallAsset(faulting));
    E2E::RunResult result = installation.Run({"validate", AssetTag}, faulting);
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.out, std::string("- ") + AssetTag +
                              " : The command host ended before it answered.\nOK (1 Errors, 0 Warnings)\n");
    EXPECT_EQ(result.exitStatus, 0);
}
#endif

}  // namespace
