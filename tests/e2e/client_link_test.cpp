// The utility's daemon link end to end: real KorvelUtil processes and the real daemon in temporary trees.
#include "e2e/harness/e2e_harness.h"

#include "assetdb/protocol/kad_ipc_block_view.h"
#include "assetdb/protocol/kad_ipc_names.h"
#include "assetdb/protocol/kad_protocol.h"
#include "assetdb/protocol/kad_wire.h"
#include "platform/ipc.h"
#include "support/eventually.h"
#include "support/kad_test_client.h"
#include "support/kad_wire_bytes.h"
#include "support/temp_folder.h"
#include "zel/ascii.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <dirent.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

std::vector<int> DaemonsOf(const std::string& root)
{
    std::vector<int> found;
    std::string program = std::filesystem::weakly_canonical(root + "/bin/kaddaemon.exe").string();
    DIR* processes = opendir("/proc");
    if (!processes)
        return found;
    while (dirent* entry = readdir(processes)) {
        int pid = atoi(entry->d_name);
        if (pid <= 0)
            continue;
        char target[4096];
        std::string link = "/proc/" + std::string(entry->d_name) + "/exe";
        ssize_t length = readlink(link.c_str(), target, sizeof target - 1);
        if (length <= 0)
            continue;
        target[length] = '\0';
        if (program == target)
            found.push_back(pid);
    }
    closedir(processes);
    return found;
}

// Bounds the wait for the daemons of a tree to end; a healthy one needs a fraction.
constexpr std::chrono::seconds DaemonEndBound(15);

// A raw client of the real daemon: finds its port as the utility does and
// asks one request, to look at what a command stored.
class DaemonProbe {
public:
    explicit DaemonProbe(const std::string& root)
    {
        const std::string databasePath = Zel::AsciiLowerCopy(root) + "/UserData/assets.tdx";
        KADIpcNameSet names;
        if (!KADIpcNames(databasePath, names))
            return;
        Platform::SharedBlock block;
        if (!block.Open(names.mutexName + "-ipc2", KADIpcBlockView::Size, false))
            return;
        connected = client.Connect(KADIpcBlockView(block.Data()).Port()) && client.Handshake(databasePath);
    }

    // GetSetting; the value as text, "<failed>" when no reply came.
    std::string GetSetting(const std::string& section, const std::string& key)
    {
        KADBytes payload;
        KorvelTest::AppendPStr(payload, section);
        KorvelTest::AppendPStr(payload, key);
        KADBytes body;
        if (!client.Call(KADRequestCode::GetSetting, payload, body) || body.size() < 4)
            return "<failed>";
        int32_t count = KADLoadInt32(body.data());
        if (count <= 1 || static_cast<size_t>(count) + 4 > body.size())
            return "";
        return std::string(reinterpret_cast<char*>(body.data()) + 4, static_cast<size_t>(count - 1));
    }

    bool connected = false;

private:
    KADTestClient client;
};

void ExpectVersion(const E2E::RunResult& result)
{
    EXPECT_EQ(result.exitStatus, 0) << result.out << result.err;
    EXPECT_NE(result.out.find("Build 44088"), std::string::npos) << result.out;
}

}  // namespace

TEST(ClientLinkTest, FreshInstallStartsTheDaemonOnceAndLaterCommandsReuseIt)
{
    E2E::Installation installation;
    EXPECT_TRUE(DaemonsOf(installation.Root()).empty());
    ExpectVersion(installation.Run({"version"}));
    std::vector<int> first = DaemonsOf(installation.Root());
    ASSERT_EQ(first.size(), 1u);
    ExpectVersion(installation.Run({"version"}));
    EXPECT_EQ(DaemonsOf(installation.Root()), first);
}

TEST(ClientLinkTest, SetLanguageStoresTheLowerCasedCode)
{
    E2E::Installation installation;
    E2E::RunResult result = installation.Run({"setlanguage", "FR"});
    EXPECT_EQ(result.exitStatus, 0) << result.out << result.err;
    DaemonProbe probe(installation.Root());
    ASSERT_TRUE(probe.connected);
    EXPECT_EQ(probe.GetSetting("internet", "language"), "fr");
}

TEST(ClientLinkTest, CloseDaemonEndsTheDaemonAndTheNextCommandStartsANewOne)
{
    E2E::Installation installation;
    ExpectVersion(installation.Run({"version"}));
    std::vector<int> first = DaemonsOf(installation.Root());
    ASSERT_EQ(first.size(), 1u);
    E2E::RunResult closed = installation.Run({"closekaddaemon"});
    EXPECT_EQ(closed.exitStatus, 0) << closed.out << closed.err;
    EXPECT_TRUE(KorvelTest::Eventually([&] { return DaemonsOf(installation.Root()).empty(); }, DaemonEndBound));
    ExpectVersion(installation.Run({"version"}));
    std::vector<int> second = DaemonsOf(installation.Root());
    ASSERT_EQ(second.size(), 1u);
    EXPECT_NE(second, first);
}

TEST(ClientLinkTest, DaemonKilledBetweenCommandsIsStartedAgain)
{
    E2E::Installation installation;
    ExpectVersion(installation.Run({"version"}));
    std::vector<int> first = DaemonsOf(installation.Root());
    ASSERT_EQ(first.size(), 1u);
    ::kill(first[0], SIGKILL);
    // The harness adopts orphans: reap it, or its zombie still counts as a
    // live owner of the database.
    ::waitpid(first[0], nullptr, 0);
    ASSERT_TRUE(KorvelTest::Eventually([&] { return DaemonsOf(installation.Root()).empty(); }, DaemonEndBound));
    ExpectVersion(installation.Run({"version"}));
    EXPECT_EQ(DaemonsOf(installation.Root()).size(), 1u);
}

TEST(ClientLinkTest, TwoClientsAtOnceShareOneDaemon)
{
    E2E::Installation installation;
    E2E::RunResult results[2];
    std::thread other([&] { results[1] = installation.Run({"setlanguage", "de"}); });
    results[0] = installation.Run({"version"});
    other.join();
    ExpectVersion(results[0]);
    EXPECT_EQ(results[1].exitStatus, 0) << results[1].out << results[1].err;
    EXPECT_EQ(DaemonsOf(installation.Root()).size(), 1u);
}

TEST(ClientLinkTest, MixedCaseInstallationRootConnects)
{
    KorvelTest::TempFolder base("KorvelE2E");
    ASSERT_FALSE(base.Root().empty());
    std::string root = base / "Mixed Case/KorvelRoot";
    std::filesystem::create_directories(root);
    std::filesystem::copy(E2E::StagedTree(), root, std::filesystem::copy_options::recursive);
    E2E::RunOptions options;
    options.workingFolder = root + "/bin";
    ExpectVersion(E2E::RunProcess(root + "/bin/KorvelUtil", {"version"}, options));
    std::vector<int> daemons = DaemonsOf(root);
    EXPECT_EQ(daemons.size(), 1u);
    EXPECT_EQ(E2E::RunProcess(root + "/bin/KorvelUtil", {"closekaddaemon"}, options).exitStatus, 0);
    KorvelTest::Eventually([&] { return DaemonsOf(root).empty(); }, DaemonEndBound);
    for (int pid : DaemonsOf(root))
        ::kill(pid, SIGKILL);
}
