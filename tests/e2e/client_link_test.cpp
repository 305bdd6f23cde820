// The utility's daemon link end to end: real KorvelUtil processes and the real daemon in temporary trees.
#include "e2e/harness/e2e_harness.h"

#include "assetdb/protocol/kad_ipc_block_view.h"
#include "assetdb/protocol/kad_ipc_names.h"
#include "assetdb/protocol/kad_protocol.h"
#include "assetdb/protocol/kad_wire.h"
#include "platform/ipc.h"
#include "support/temp_folder.h"

#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <dirent.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

std::string LowerCase(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

// The process ids of the daemons started from this installation root.
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

template <class Predicate>
bool Eventually(Predicate predicate, int milliseconds = 15000)
{
    for (int waited = 0; waited < milliseconds; waited += 20) {
        if (predicate())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return predicate();
}

// A raw client of the real daemon: finds its port as the utility does and
// asks one request, to look at what a command stored.
class DaemonProbe {
public:
    explicit DaemonProbe(const std::string& root)
    {
        databasePath = LowerCase(root) + "/UserData/assets.tdx";
        KADIpcNameSet names;
        if (!KADIpcNames(databasePath, names))
            return;
        Platform::SharedBlock block;
        if (!block.Open(names.mutexName + "-ipc2", KADIpcBlockView::Size, false))
            return;
        int32_t port = KADIpcBlockView(block.Data()).Port();
        fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
            return;
        Send(KADEncodeHandshake(1, databasePath));
        uint8_t reply[12];
        connected = Receive(reply, 12) && KADLoadInt32(reply) == KADProtocol::DaemonCode;
    }
    ~DaemonProbe()
    {
        if (fd >= 0)
            ::close(fd);
    }

    // GetSetting; the value as text, "<failed>" when no reply came.
    std::string GetSetting(const std::string& section, const std::string& key)
    {
        KADBytes payload;
        AppendPString(payload, section);
        AppendPString(payload, key);
        Send(KADEncodeRequest(KADRequestNumber(KADRequestCode::GetSetting), 1, payload.data(), payload.size()));
        uint8_t header[12];
        if (!Receive(header, 12) || KADLoadInt32(header) != KADProtocol::ReplyTag)
            return "<failed>";
        std::vector<uint8_t> body(static_cast<size_t>(KADLoadInt32(header + 8)));
        if (!Receive(body.data(), body.size()) || body.size() < 4)
            return "<failed>";
        int32_t count = KADLoadInt32(body.data());
        if (count <= 1 || static_cast<size_t>(count) + 4 > body.size())
            return "";
        return std::string(reinterpret_cast<char*>(body.data()) + 4, static_cast<size_t>(count - 1));
    }

    bool connected = false;

private:
    static void AppendPString(KADBytes& out, const std::string& text)
    {
        KADAppendInt32(out, static_cast<int32_t>(text.size() + 1));
        KADAppendBytes(out, text.c_str(), text.size() + 1);
    }
    void Send(const KADBytes& bytes) { ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL); }
    bool Receive(uint8_t* buffer, size_t count)
    {
        while (count > 0) {
            ssize_t got = ::recv(fd, buffer, count, 0);
            if (got <= 0)
                return false;
            buffer += got;
            count -= static_cast<size_t>(got);
        }
        return true;
    }

    std::string databasePath;
    int fd = -1;
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
    EXPECT_TRUE(Eventually([&] { return DaemonsOf(installation.Root()).empty(); }));
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
    ASSERT_TRUE(Eventually([&] { return DaemonsOf(installation.Root()).empty(); }));
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
    Eventually([&] { return DaemonsOf(root).empty(); });
    for (int pid : DaemonsOf(root))
        ::kill(pid, SIGKILL);
}
