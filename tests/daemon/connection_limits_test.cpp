// The connection limits read from kaddaemon.cfg, and the connection count the descriptors allow.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "daemon/connection_limits.h"
#include "daemon/daemon_config.h"
#include "support/temp_folder.h"

namespace {

class ConnectionLimitsTest : public KorvelTest::TempFolderTest {
protected:
    KADConnectionLimits Load(const std::string& text)
    {
        std::ofstream(folder + "/kaddaemon.cfg") << text;
        return KADLoadDaemonConfig(folder).limits;
    }

    const std::string folder = folder_.Root();
};

}  // namespace

TEST_F(ConnectionLimitsTest, NoFileGivesTheDefaults)
{
    KADConnectionLimits limits = KADLoadDaemonConfig(folder).limits;
    EXPECT_EQ(limits.idleSeconds, 900);
    EXPECT_EQ(limits.maxConnections, 0u);
    EXPECT_EQ(limits.payloadBudget, 256u * 1024 * 1024);
}

TEST_F(ConnectionLimitsTest, KeysInRangeAreTaken)
{
    KADConnectionLimits limits =
        Load("connection-idle-timeout 60\nmax-connections 100\nrequest-memory-budget 33554432\n");
    EXPECT_EQ(limits.idleSeconds, 60);
    EXPECT_EQ(limits.maxConnections, 100u);
    EXPECT_EQ(limits.payloadBudget, 32u * 1024 * 1024);
}

TEST_F(ConnectionLimitsTest, ValuesOutOfRangeKeepTheDefaults)
{
    for (const char* text : {"connection-idle-timeout 0\nmax-connections 3\nrequest-memory-budget 1000\n",
                             "connection-idle-timeout -5\nmax-connections 70000\nrequest-memory-budget -1\n",
                             "connection-idle-timeout 99999999\nmax-connections -1\n", "garbage {"}) {
        KADConnectionLimits limits = Load(text);
        EXPECT_EQ(limits.idleSeconds, 900) << text;
        EXPECT_EQ(limits.maxConnections, 0u) << text;
        EXPECT_EQ(limits.payloadBudget, 256u * 1024 * 1024) << text;
    }
}

TEST(ConnectionCap, TheDescriptorsLeftAfterTheDaemonsOwnFilesBoundIt)
{
    EXPECT_EQ(KADConnectionCap(0, 20000), 4096u);
    EXPECT_EQ(KADConnectionCap(0, 1024), 768u);
    EXPECT_EQ(KADConnectionCap(100, 20000), 100u);
    EXPECT_EQ(KADConnectionCap(10000, 1024), 768u);
    EXPECT_GE(KADConnectionCap(0, 10), 8u);
}

TEST(ConnectionCap, TheSoftDescriptorLimitIsRaisedToTheHardOne)
{
    rlimit before{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &before), 0);
    if (before.rlim_max == RLIM_INFINITY || before.rlim_max < 512)
        GTEST_SKIP() << "no finite hard limit to raise to";
    // Run in a child, so this test process keeps its own limit.
    pid_t child = fork();
    if (child == 0) {
        rlimit lowered = before;
        lowered.rlim_cur = 256;
        if (setrlimit(RLIMIT_NOFILE, &lowered) != 0)
            _exit(2);
        std::size_t now = KADRaiseDescriptorLimit();
        rlimit after{};
        getrlimit(RLIMIT_NOFILE, &after);
        _exit(after.rlim_cur == before.rlim_max && now >= 512 ? 0 : 1);
    }
    ASSERT_GT(child, 0);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}
