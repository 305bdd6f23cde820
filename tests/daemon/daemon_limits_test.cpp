// What one user's clients may hold of the real daemon: connections, idle time, payload memory, the peer check.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <linux/sockios.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "foundation/streams/t_buffer.h"
#include "assetdb/protocol/kad_protocol.h"
#include "assetdb/protocol/kad_requests.h"
#include "asset_test_support.h"
#include "daemon_test_support.h"
#include "soup/binary_soup.h"
#include "soup/soup_handle.h"

namespace {

constexpr std::int32_t SearchAssets = KADRequestNumber(KADRequestCode::SearchAssets);
constexpr std::int32_t StartWebQuery = KADRequestNumber(KADRequestCode::StartWebQuery);
constexpr std::int32_t CloseWebQuery = KADRequestNumber(KADRequestCode::CloseWebQuery);
constexpr std::int32_t MiB = 1024 * 1024;

KADBytes BytesOf(TBuffer& buffer)
{
    return KADBytes(buffer.Data(), buffer.Data() + buffer.DataLength());
}

// A frame header alone: the code, an id and the announced payload length.
KADBytes FrameHeader(std::int32_t code, std::int32_t id, std::int32_t length)
{
    return Int32Payload({code, id, length});
}

// The resident memory of a process, in bytes; 0 when unknown.
std::size_t ResidentBytes(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return static_cast<std::size_t>(std::strtoull(line.c_str() + 6, nullptr, 10)) * 1024;
    return 0;
}

// Room for hundreds of sockets in this process too.
bool RaiseOwnDescriptorLimit(rlim_t wanted)
{
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return false;
    if (limit.rlim_cur >= wanted)
        return true;
    if (limit.rlim_max != RLIM_INFINITY && limit.rlim_max < wanted)
        return false;
    limit.rlim_cur = wanted;
    return setrlimit(RLIMIT_NOFILE, &limit) == 0;
}

// True once the daemon has read every byte the client sent: none waits in
// the client's send queue nor in the receive queue of the daemon's socket.
bool DaemonHasRead(int socket)
{
    int unsent = 0;
    if (ioctl(socket, SIOCOUTQ, &unsent) != 0 || unsent != 0)
        return false;
    sockaddr_in ours{};
    sockaddr_in theirs{};
    socklen_t length = sizeof ours;
    getsockname(socket, reinterpret_cast<sockaddr*>(&ours), &length);
    length = sizeof theirs;
    getpeername(socket, reinterpret_cast<sockaddr*>(&theirs), &length);
    char wanted[64];
    std::snprintf(wanted, sizeof wanted, "%08X:%04X %08X:%04X", theirs.sin_addr.s_addr, ntohs(theirs.sin_port),
                  ours.sin_addr.s_addr, ntohs(ours.sin_port));
    std::ifstream table("/proc/net/tcp");
    std::string line;
    while (std::getline(table, line)) {
        std::string::size_type at = line.find(wanted);
        if (at == std::string::npos)
            continue;
        // "... st tx_queue:rx_queue ..."
        std::istringstream fields(line.substr(at + std::strlen(wanted)));
        std::string state;
        std::string queues;
        fields >> state >> queues;
        std::string::size_type colon = queues.find(':');
        return colon != std::string::npos && std::strtoul(queues.c_str() + colon + 1, nullptr, 16) == 0;
    }
    return false;
}

bool WaitUntilDaemonHasRead(KADTestClient& client)
{
    for (int i = 0; i < 1500; ++i) {
        if (DaemonHasRead(client.Socket()))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

class DaemonLimitsTest : public ::testing::Test {
protected:
    void Start(const std::string& config = std::string())
    {
        if (!config.empty()) {
            std::filesystem::create_directories(installation.DatabasePath());
            std::ofstream(installation.DatabasePath() + "/kaddaemon.cfg") << config;
        }
        daemon = installation.StartDaemon();
        port = installation.WaitForPort(daemon);
        ASSERT_NE(port, 0);
    }

    std::unique_ptr<KADTestClient> Join()
    {
        auto client = std::make_unique<KADTestClient>();
        if (!client->Connect(port) || !client->Handshake(installation.ClientDatabasePath()))
            return nullptr;
        return client;
    }

    // One ordinary request, as every utility command starts with.
    static bool Answers(KADTestClient& client)
    {
        TBuffer payload;
        payload.WritePString(Zel::PString("internet"));
        payload.WritePString(Zel::PString("language"));
        KADBytes reply;
        return client.Call(KADRequestNumber(KADRequestCode::GetSetting), BytesOf(payload), reply);
    }

    KADTestInstallation installation;
    pid_t daemon = 0;
    int port = 0;
};

}  // namespace

TEST_F(DaemonLimitsTest, SixHundredIdleConnectionsDoNotKeepOutARealClient)
{
    constexpr int Idle = 600;
    if (!RaiseOwnDescriptorLimit(Idle + 64))
        GTEST_SKIP() << "this process may not open " << Idle << " sockets";
    Start();
    std::vector<std::unique_ptr<KADTestClient>> idle;
    for (int i = 0; i < Idle; ++i) {
        idle.push_back(std::make_unique<KADTestClient>());
        ASSERT_TRUE(idle.back()->Connect(port)) << i;
        ASSERT_TRUE(idle.back()->Handshake(installation.ClientDatabasePath())) << i;
    }
    auto real = Join();
    ASSERT_NE(real, nullptr);
    EXPECT_TRUE(Answers(*real));
    // The idle ones were not thrown out to make room either.
    EXPECT_TRUE(Answers(*idle.front()));
    EXPECT_TRUE(Answers(*idle.back()));
}

TEST_F(DaemonLimitsTest, AtTheLimitTheQuietestConnectionGoesAndBusyOnesStay)
{
    Start("max-connections 16\n");
    // Connected first, so the one heard from longest ago, but waiting for a
    // reply: never the one to go.
    auto busy = Join();
    ASSERT_NE(busy, nullptr);
    std::int32_t sleepId = busy->SendRequest(KADRequestCode::TestSleep, Int32Payload({8000}));
    std::vector<std::unique_ptr<KADTestClient>> quiet;
    for (int i = 0; i < 9; ++i) {
        quiet.push_back(Join());
        ASSERT_NE(quiet.back(), nullptr);
        ASSERT_TRUE(Answers(*quiet.back()));
    }
    // Connected but not yet through the handshake: these go first.
    std::vector<std::unique_ptr<KADTestClient>> unknown;
    for (int i = 0; i < 6; ++i) {
        unknown.push_back(std::make_unique<KADTestClient>());
        ASSERT_TRUE(unknown.back()->Connect(port));
    }
    std::vector<std::unique_ptr<KADTestClient>> newcomers;
    for (int i = 0; i < 7; ++i) {
        newcomers.push_back(Join());
        ASSERT_NE(newcomers.back(), nullptr) << i;
        EXPECT_TRUE(Answers(*newcomers.back())) << i;
    }
    for (auto& client : unknown)
        EXPECT_TRUE(client->WaitForClose());
    EXPECT_TRUE(quiet.front()->WaitForClose());
    for (std::size_t i = 1; i < quiet.size(); ++i)
        EXPECT_TRUE(Answers(*quiet[i])) << i;
    KADTestMessage reply;
    ASSERT_TRUE(busy->ReadMessage(reply));
    EXPECT_EQ(reply.tag, KADProtocol::ReplyTag);
    EXPECT_EQ(reply.word, sleepId);
}

TEST_F(DaemonLimitsTest, APayloadTooLongForItsKindClosesTheConnectionBeforeItIsKept)
{
    Start();
    std::size_t before = ResidentBytes(daemon);
    // Four announced 256 MiB payloads, each followed by 16 MiB of it: none of
    // these kinds carries anything near that.
    const std::int32_t codes[] = {KADRequestNumber(KADRequestCode::GetSetting), SearchAssets,
                                  KADRequestNumber(KADRequestCode::CommandHostAnswer), UnknownRequestCode};
    std::vector<std::unique_ptr<KADTestClient>> senders;
    for (std::int32_t code : codes) {
        senders.push_back(Join());
        ASSERT_NE(senders.back(), nullptr);
        ASSERT_TRUE(senders.back()->SendRaw(FrameHeader(code, 1, 256 * MiB)));
        // The daemon may close while this is on its way; that is the point.
        senders.back()->SendRaw(KADBytes(16 * MiB, 'x'));
    }
    for (auto& sender : senders)
        EXPECT_TRUE(sender->WaitForClose());
    // A fixed-layout request announcing a few kilobytes is refused too.
    auto small = Join();
    ASSERT_NE(small, nullptr);
    ASSERT_TRUE(small->SendRaw(FrameHeader(KADRequestNumber(KADRequestCode::HostKeepAlive), 1, 4096)));
    EXPECT_TRUE(small->WaitForClose());

    auto real = Join();
    ASSERT_NE(real, nullptr);
    EXPECT_TRUE(Answers(*real));
    std::size_t after = ResidentBytes(daemon);
    if (before != 0 && after != 0) {
        EXPECT_LT(after, before + 64u * MiB) << "the refused payloads were kept";
    }
    EXPECT_TRUE(installation.IsRunning(daemon));
}

TEST_F(DaemonLimitsTest, PartialPayloadsShareOneBudgetAndGiveItBack)
{
    Start("request-memory-budget 20971520\n");
    // Each holder announces a 10 MiB search (a size a search may have) and
    // sends 6 MiB of it, which the daemon keeps in an 8 MiB buffer: the
    // 20 MiB budget holds two such, not three.
    auto hold = [&](KADTestClient& client) {
        EXPECT_TRUE(client.SendRaw(FrameHeader(SearchAssets, 1, 10 * MiB)));
        client.SendRaw(KADBytes(6 * MiB, 0));
    };
    auto first = Join();
    auto second = Join();
    auto third = Join();
    ASSERT_TRUE(first && second && third);
    hold(*first);
    ASSERT_TRUE(WaitUntilDaemonHasRead(*first));
    hold(*second);
    ASSERT_TRUE(WaitUntilDaemonHasRead(*second));
    hold(*third);
    EXPECT_TRUE(third->WaitForClose());

    // Small requests of a real client are never refused for the budget.
    auto real = Join();
    ASSERT_NE(real, nullptr);
    EXPECT_TRUE(Answers(*real));

    // The two held payloads are still being read: finished, they are answered.
    for (KADTestClient* holder : {first.get(), second.get()}) {
        ASSERT_TRUE(holder->SendRaw(KADBytes(4 * MiB, 0)));
        KADTestMessage reply;
        ASSERT_TRUE(holder->ReadMessage(reply));
        EXPECT_EQ(reply.tag, KADProtocol::ReplyTag);
        EXPECT_EQ(reply.word, 1);
    }
    // Answered requests gave their share back: a request larger than what
    // was left before fits again.
    KADBytes large(12 * MiB, 'y');
    KADBytes echoed;
    ASSERT_TRUE(real->Call(KADRequestCode::TestEcho, large, echoed));
#ifdef KORVEL_TEST_HOOKS
    EXPECT_TRUE(echoed == large);
#endif
}

TEST_F(DaemonLimitsTest, AnIdleConnectionIsClosedAndABusyOneIsNot)
{
    Start("connection-idle-timeout 1\n");
    auto busy = Join();
    ASSERT_NE(busy, nullptr);
    auto quiet = Join();
    ASSERT_NE(quiet, nullptr);
    // Waits three times the idle time for its reply, silent all along.
    std::int32_t sleepId = busy->SendRequest(KADRequestCode::TestSleep, Int32Payload({3000}));
    EXPECT_TRUE(quiet->WaitForClose());
    KADTestMessage reply;
    ASSERT_TRUE(busy->ReadMessage(reply));
    EXPECT_EQ(reply.tag, KADProtocol::ReplyTag);
    EXPECT_EQ(reply.word, sleepId);
    // Answered, it holds nothing more and goes quiet: now it is closed too.
    EXPECT_TRUE(busy->WaitForClose());
    EXPECT_TRUE(installation.IsRunning(daemon));
}

TEST_F(DaemonLimitsTest, AConnectionHoldingAnOpenWebQueryIsNotIdle)
{
    Start("connection-idle-timeout 1\n");
    auto holder = Join();
    ASSERT_NE(holder, nullptr);
    // An address the daemon may not fetch: the query completes at once with
    // its failure, but stays open until the client closes it.
    TBuffer start;
    start.WriteUInt8(0);
    start.WritePString(Zel::PString("ftp://example.invalid/a"));
    start.WriteInt32(2);
    start.WriteInt32(-1);
    WriteBinarySoup(start, SoupHandle());
    KADBytes handle;
    ASSERT_TRUE(holder->Call(StartWebQuery, BytesOf(start), handle));
    ASSERT_EQ(handle.size(), 8u);
    // Each witness goes quiet after the holder did; once three of them have
    // been closed one after another, the holder has been silent for three
    // idle times, more than the daemon takes to notice.
    for (int i = 0; i < 3; ++i) {
        auto witness = Join();
        ASSERT_NE(witness, nullptr);
        EXPECT_TRUE(witness->WaitForClose());
    }
    KADBytes reply;
    ASSERT_TRUE(holder->Call(CloseWebQuery, handle, reply));
    EXPECT_TRUE(holder->WaitForClose());
}

class IdleAssetHandleTest : public AssetStoreTest {};

TEST_F(IdleAssetHandleTest, AConnectionHoldingAnOpenAssetHandleIsNotIdle)
{
    Start("connection-idle-timeout 1\n");
    WriteAssetFolder(Scratch() + "/house", "kuid <kuid:1234:200>\nkind \"buildable\"\nusername \"House\"\n", {});
    KUID house = InstallFolder(Scratch() + "/house");
    Opened opened = Open(house, false);
    ASSERT_NE(opened.slot, -1);
    // As with the web query: three witnesses closed one after another.
    int port = installation.WaitForPort(daemon);
    for (int i = 0; i < 3; ++i) {
        KADTestClient witness;
        ASSERT_TRUE(witness.Connect(port));
        ASSERT_TRUE(witness.Handshake(installation.ClientDatabasePath()));
        EXPECT_TRUE(witness.WaitForClose());
    }
    Call(KADRequestCode::CloseAssetHandle, HandlePayload(opened));
    // With the handle closed it holds nothing.
    EXPECT_TRUE(client.WaitForClose());
}

TEST_F(DaemonLimitsTest, APeerWhoseOwnerCannotBeFoundIsRefused)
{
#ifndef KORVEL_TEST_HOOKS
    GTEST_SKIP() << "needs a build with test hooks";
#endif
    // The daemon looks its peers up in an empty table instead of the kernel's.
    std::string table = installation.Root() + "/no-sockets";
    std::ofstream(table) << "  sl  local_address rem_address   st\n";
    setenv("KAD_TEST_PEER_TABLE", table.c_str(), 1);
    Start();
    unsetenv("KAD_TEST_PEER_TABLE");
    KADTestClient client;
    ASSERT_TRUE(client.Connect(port));
    ASSERT_TRUE(client.SendRaw(KADEncodeHandshake(1, installation.ClientDatabasePath())));
    EXPECT_TRUE(client.WaitForClose());
}

TEST_F(DaemonLimitsTest, AnotherUsersClientIsRefused)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to run a client as another user";
    Start();
    std::string path = installation.ClientDatabasePath();
    pid_t child = fork();
    if (child == 0) {
        // Exit codes: 0 refused, 1 served, 2 could not become another user.
        if (setgid(65534) != 0 || setuid(65534) != 0)
            _exit(2);
        KADTestClient client;
        if (!client.Connect(port))
            _exit(3);
        client.SendRaw(KADEncodeHandshake(1, path));
        _exit(client.WaitForClose() ? 0 : 1);
    }
    ASSERT_GT(child, 0);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 2)
        GTEST_SKIP() << "cannot switch to user 65534 here";
    EXPECT_EQ(WEXITSTATUS(status), 0);
    // Our own client is still served.
    auto own = Join();
    ASSERT_NE(own, nullptr);
    EXPECT_TRUE(Answers(*own));
}
