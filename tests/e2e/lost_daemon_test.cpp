// A daemon that goes away while the utility runs: each batch line connects again, and a request lost with the daemon is an error.
#include "e2e/harness/e2e_harness.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <string>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr char StoppedAnswering[] = "The asset database daemon stopped answering.";
constexpr char Daemon[] = "bin/kaddaemon.exe";

std::string AssetTag(int content)
{
    return "<kuid:424242:" + std::to_string(content) + ">";
}

// "+ <tag> : " opens the line `status` prints for an asset the daemon knows.
bool HasStatusLine(const std::string& out, int content)
{
    return out.find("+ " + AssetTag(content) + " : ") != std::string::npos;
}

class LostDaemon : public ::testing::Test {
protected:
    // An asset folder below "Incoming/"; its absolute path.
    std::string WriteAsset(const std::string& folder, int content)
    {
        std::string relative = "Incoming/" + folder;
        installation.WriteFile(relative + "/config.txt", "kuid " + AssetTag(content) +
                                                             "\nkind \"scenery\"\nusername \"Lost " +
                                                             std::to_string(content) + "\"\nkorvel-build 3.5\n");
        installation.WriteFile(relative + "/mesh.im", "mesh bytes " + std::to_string(content));
        return installation.PathOf(relative);
    }

    // The batch argument ("@" and the file's absolute path).
    std::string WriteBatch(const std::vector<std::string>& lines)
    {
        std::string text;
        for (const std::string& line : lines)
            text += line + "\n";
        installation.WriteFile("batch.txt", text);
        return "@" + installation.PathOf("batch.txt");
    }

    int OnlyDaemon()
    {
        std::vector<int> daemons = installation.ProcessesOf(Daemon);
        return daemons.size() == 1 ? daemons[0] : -1;
    }

    E2E::Installation installation;
};

// A FIFO a batch waits at ("testgate <path>") while the test acts between
// two of its lines.
class BatchGate {
public:
    explicit BatchGate(std::string path) : path_(std::move(path)) { mkfifo(path_.c_str(), 0600); }

    const std::string& Path() const { return path_; }

    // Returns once the batch stands at the gate: opening for writing waits
    // for the reader. Release() lets a batch that ended early free this wait.
    bool WaitForArrival()
    {
        fd_ = open(path_.c_str(), O_WRONLY | O_CLOEXEC);
        return fd_ >= 0 && !released_.load();
    }
    void Open()
    {
        if (fd_ >= 0) {
            (void)!write(fd_, "x", 1);
            close(fd_);
            fd_ = -1;
        }
    }
    // Called when the batch has ended: a test still waiting for its arrival
    // is let go (and sees that the batch never came).
    void Release()
    {
        released_.store(true);
        int fd = open(path_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd >= 0)
            close(fd);
    }

private:
    std::string path_;
    int fd_ = -1;
    std::atomic<bool> released_{false};
};

// The number of entries of a folder.
size_t EntryCount(const std::string& folder)
{
    std::error_code error;
    size_t count = 0;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        ++count;
    return count;
}

// Waits until a folder holds at least `wanted` entries, woken by inotify;
// false when `stop` is set first.
bool WaitForEntries(const std::string& folder, size_t wanted, const std::atomic<bool>& stop)
{
    int watch = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    if (watch < 0 || inotify_add_watch(watch, folder.c_str(), IN_CREATE | IN_MOVED_TO) < 0) {
        if (watch >= 0)
            close(watch);
        return false;
    }
    bool reached = false;
    while (!(reached = EntryCount(folder) >= wanted) && !stop.load()) {
        pollfd ready{watch, POLLIN, 0};
        // The time limit only lets the loop see `stop`; entries wake it.
        if (poll(&ready, 1, 200) > 0) {
            char events[4096];
            while (read(watch, events, sizeof events) > 0) {}
        }
    }
    close(watch);
    return reached;
}

}  // namespace

TEST_F(LostDaemon, LinesAfterCloseKADDaemonStartTheDaemonAgainAndReallyWork)
{
    std::string first = WriteAsset("First", 1);
    std::string second = WriteAsset("Second", 2);
    E2E::RunResult batch = installation.Run({WriteBatch({
        "installfrompath " + first,
        "closekaddaemon",
        "status " + AssetTag(1),
        "installfrompath " + second,
        "delete " + AssetTag(1),
        "status " + AssetTag(2),
    })});
    EXPECT_EQ(batch.exitStatus, 0) << batch.out << batch.err;
    EXPECT_TRUE(HasStatusLine(batch.out, 1)) << batch.out;
    EXPECT_TRUE(HasStatusLine(batch.out, 2)) << batch.out;
    EXPECT_EQ(batch.out.find("- "), std::string::npos) << batch.out;

    // What the lines after the close did is in the store.
    E2E::RunResult deleted = installation.Run({"status", AssetTag(1)});
    EXPECT_EQ(deleted.exitStatus, 255) << deleted.out;
    EXPECT_NE(deleted.out.find("Unknown AssetID."), std::string::npos) << deleted.out;
    E2E::RunResult installed = installation.Run({"status", AssetTag(2)});
    EXPECT_EQ(installed.exitStatus, 0) << installed.out;
    EXPECT_TRUE(HasStatusLine(installed.out, 2)) << installed.out;
}

TEST_F(LostDaemon, DaemonKilledBetweenBatchLinesIsStartedAgainForTheNextLine)
{
    std::string first = WriteAsset("First", 1);
    std::string second = WriteAsset("Second", 2);
    BatchGate gate(installation.PathOf("gate.fifo"));
    E2E::RunResult batch;
    std::thread runner([&] {
        batch = installation.Run({WriteBatch({
            "installfrompath " + first,
            "testgate " + gate.Path(),
            "status " + AssetTag(1),
            "installfrompath " + second,
            "delete " + AssetTag(1),
            "status " + AssetTag(2),
        })});
        gate.Release();
    });
    bool arrived = gate.WaitForArrival();
    int killed = OnlyDaemon();
    bool ended = arrived && killed > 0 && E2E::KillAndWaitForEnd(killed);
    gate.Open();
    runner.join();
    ASSERT_TRUE(arrived) << batch.out << batch.err;
    ASSERT_TRUE(ended);

    EXPECT_EQ(batch.exitStatus, 0) << batch.out << batch.err;
    EXPECT_TRUE(HasStatusLine(batch.out, 1)) << batch.out;
    EXPECT_TRUE(HasStatusLine(batch.out, 2)) << batch.out;
    EXPECT_EQ(batch.out.find("- "), std::string::npos) << batch.out;
    std::vector<int> now = installation.ProcessesOf(Daemon);
    ASSERT_EQ(now.size(), 1u);
    EXPECT_NE(now[0], killed);
    EXPECT_EQ(installation.Run({"status", AssetTag(1)}).exitStatus, 255);
    EXPECT_EQ(installation.Run({"status", AssetTag(2)}).exitStatus, 0);
}

TEST_F(LostDaemon, InstallFromPathWhoseDaemonIsKilledMidwayEndsWithAnErrorLine)
{
    constexpr int assetCount = 400;
    constexpr size_t killAfter = 20;
    for (int i = 0; i < assetCount; ++i)
        WriteAsset("Tree/Group" + std::to_string(i % 10) + "/Asset" + std::to_string(i), 1000 + i);
    // The daemon and its folders exist before the install starts.
    ASSERT_EQ(installation.Run({"version"}).exitStatus, 0);
    std::string local = installation.PathOf("UserData/local");
    ASSERT_TRUE(fs::is_directory(local));

    std::atomic<bool> finished{false};
    E2E::RunResult install;
    std::thread runner([&] {
        install = installation.Run({"installfrompath", installation.PathOf("Incoming/Tree")});
        finished.store(true);
    });
    bool someIn = WaitForEntries(local, killAfter, finished);
    int killed = OnlyDaemon();
    bool ended = someIn && killed > 0 && E2E::KillAndWaitForEnd(killed);
    runner.join();
    ASSERT_TRUE(someIn) << "the install ended before " << killAfter << " assets were in: " << install.out;
    ASSERT_TRUE(ended);

    EXPECT_EQ(install.exitStatus, 255) << install.out << install.err;
    EXPECT_NE(install.out.find(std::string(" : ") + StoppedAnswering + "\n"), std::string::npos) << install.out;
    EXPECT_EQ(install.out.find("OK (0 Errors"), std::string::npos) << install.out;
    EXPECT_LT(EntryCount(local), static_cast<size_t>(assetCount));
}

TEST_F(LostDaemon, ARequestLostOnABatchLineFailsThatLineAndTheNextLineWorks)
{
    std::string tree = installation.PathOf("Incoming/Tree");
    for (int i = 0; i < 200; ++i)
        WriteAsset("Tree/Asset" + std::to_string(i), 1000 + i);
    std::string single = WriteAsset("Single", 7);
    ASSERT_EQ(installation.Run({"version"}).exitStatus, 0);
    std::string local = installation.PathOf("UserData/local");

    std::atomic<bool> finished{false};
    E2E::RunResult batch;
    std::thread runner([&] {
        batch = installation.Run(
            {WriteBatch({"installfrompath " + tree, "installfrompath " + single, "status " + AssetTag(7)})});
        finished.store(true);
    });
    bool someIn = WaitForEntries(local, 5, finished);
    int killed = OnlyDaemon();
    bool ended = someIn && killed > 0 && E2E::KillAndWaitForEnd(killed);
    runner.join();
    ASSERT_TRUE(someIn) << batch.out;
    ASSERT_TRUE(ended);

    EXPECT_EQ(batch.exitStatus, 255) << batch.out << batch.err;
    size_t lost = batch.out.find(std::string(" : ") + StoppedAnswering + "\n");
    ASSERT_NE(lost, std::string::npos) << batch.out;
    // The first line's block ends with its error count; the later lines ran
    // against a daemon started again.
    EXPECT_NE(batch.out.find("OK (1 Errors", lost), std::string::npos) << batch.out;
    EXPECT_TRUE(HasStatusLine(batch.out, 7)) << batch.out;
}
