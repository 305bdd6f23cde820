// The real daemon's start and end: stale blocks left by a crash, the idle exit, restarts.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "daemon_test_support.h"

namespace {

// A process id that surely names no live process: a child that has ended
// and been reaped.
pid_t DeadProcessId()
{
    pid_t child = fork();
    if (child == 0)
        _exit(0);
    waitpid(child, nullptr, 0);
    return child;
}

void ExpectAnswers(KADTestInstallation& installation, int port)
{
    KADTestClient client;
    ASSERT_TRUE(client.Connect(port));
    ASSERT_TRUE(client.Handshake(installation.ClientDatabasePath()));
    KADBytes reply = Int32Payload({1});
    ASSERT_TRUE(client.Call(UnknownRequestCode, {}, reply));
    EXPECT_TRUE(reply.empty());
}

}  // namespace

TEST(DaemonLifecycle, StaleBlocksOfACrashedDaemonAreTakenOver)
{
    struct Case {
        const char* name;
        KADTestInstallation::BlockState left;
    };
    const pid_t dead = DeadProcessId();
    // The test process is alive but is no daemon: a pid reused after a crash.
    const pid_t unrelated = getpid();
    const Case cases[] = {
        {"dead owner with its port", {dead, dead, 3, 0, 1}},
        {"dead owner while closing", {dead, dead, 3, 1, 4242}},
        {"owner pid reused by another program", {dead, unrelated, 3, 0, 4242}},
        {"never set up", {0, 0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        KADTestInstallation installation;
        installation.WriteBlock(c.left);
        pid_t daemon = installation.StartDaemon();
        int port = installation.WaitForPort(daemon);
        ASSERT_NE(port, 0) << c.name;
        EXPECT_NE(port, c.left.port) << c.name;
        KADTestInstallation::BlockState state;
        ASSERT_TRUE(installation.ReadBlock(state));
        EXPECT_EQ(state.owner, daemon) << c.name;
        EXPECT_EQ(state.version, 3) << c.name;
        ExpectAnswers(installation, port);
    }
}

TEST(DaemonLifecycle, IdleDaemonLeavesAndReleasesTheBlock)
{
    KADTestInstallation installation;
    pid_t daemon = installation.StartDaemon({"-idle=1"});
    int port = installation.WaitForPort(daemon);
    ASSERT_NE(port, 0);
    ExpectAnswers(installation, port);
    // A command host connects with client flag 0: it does not keep the
    // daemon alive, and is disconnected when the daemon leaves.
    KADTestClient host;
    ASSERT_TRUE(host.Connect(port));
    ASSERT_TRUE(host.Handshake(installation.ClientDatabasePath(), 0));
    EXPECT_TRUE(host.WaitForClose());
    EXPECT_EQ(installation.WaitForExit(daemon), std::optional<int>(0));
    EXPECT_TRUE(installation.IsBlockReleased());
}

TEST(DaemonLifecycle, NextStartServesAfterAnOrderlyCloseOrAKill)
{
    // SIGTERM closes in order; SIGKILL leaves the block as a crash does.
    for (int signal : {SIGTERM, SIGKILL}) {
        KADTestInstallation installation;
        pid_t first = installation.StartDaemon();
        ASSERT_NE(installation.WaitForPort(first), 0) << signal;
        ASSERT_EQ(kill(first, signal), 0);
        ASSERT_TRUE(installation.WaitForExit(first).has_value()) << signal;
        pid_t second = installation.StartDaemon();
        int port = installation.WaitForPort(second);
        ASSERT_NE(port, 0) << signal;
        ExpectAnswers(installation, port);
    }
}

TEST(DaemonLifecycle, BadCommandLineIsRefused)
{
    KADTestInstallation installation;
    for (const char* word : {"-idle=0", "-idle=x", "--bogus"}) {
        pid_t daemon = installation.StartDaemon({word});
        EXPECT_EQ(installation.WaitForExit(daemon), std::optional<int>(2)) << word;
    }
}

TEST(DaemonLifecycle, TwoDaemonsStartedTogetherLeaveOneOwner)
{
    KADTestInstallation installation;
    pid_t first = installation.StartDaemon();
    pid_t second = installation.StartDaemon();
    ASSERT_GT(first, 0);
    ASSERT_GT(second, 0);
    // Whichever took the lock first owns the database; the other leaves with 0.
    KADTestInstallation::BlockState state;
    int port = 0;
    for (int attempt = 0; attempt < 2 && port == 0; ++attempt) {
        pid_t candidate = attempt == 0 ? first : second;
        port = installation.WaitForPort(candidate);
    }
    ASSERT_NE(port, 0);
    ASSERT_TRUE(installation.ReadBlock(state));
    pid_t loser = state.owner == first ? second : first;
    EXPECT_EQ(installation.WaitForExit(loser), std::optional<int>(0));
    EXPECT_TRUE(installation.IsRunning(state.owner));
    ExpectAnswers(installation, port);
}
