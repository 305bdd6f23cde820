// The real daemon over a real socket: discovery, handshake, framing, replies, closing.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "assetdb/protocol/kad_protocol.h"
#include "assetdb/protocol/kad_requests.h"
#include "daemon_test_support.h"

namespace {

constexpr std::int32_t UnknownCode = UnknownRequestCode;
constexpr std::int32_t EchoCode = KADRequestNumber(KADRequestCode::TestEcho);
constexpr std::int32_t SleepCode = KADRequestNumber(KADRequestCode::TestSleep);
constexpr std::int32_t FailCode = KADRequestNumber(KADRequestCode::TestFail);
constexpr std::int32_t ResultLinesCode = KADRequestNumber(KADRequestCode::TestResultLines);

class DaemonLinkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        daemon = installation.StartDaemon();
        ASSERT_GT(daemon, 0);
        port = installation.WaitForPort(daemon);
        ASSERT_NE(port, 0) << "the daemon never published its port";
    }

    // A connected client past its handshake.
    void Join(KADTestClient& client, std::int32_t clientFlag = 1)
    {
        ASSERT_TRUE(client.Connect(port));
        ASSERT_TRUE(client.Handshake(installation.ClientDatabasePath(), clientFlag));
    }

    void ExpectServing()
    {
        KADTestClient probe;
        Join(probe);
        KADBytes reply;
        ASSERT_TRUE(probe.Call(UnknownCode, {}, reply));
        EXPECT_TRUE(reply.empty());
        EXPECT_TRUE(installation.IsRunning(daemon));
    }

    KADTestInstallation installation;
    pid_t daemon = 0;
    int port = 0;
};

#ifdef KORVEL_TEST_HOOKS
constexpr bool TestHooksBuilt = true;
#else
constexpr bool TestHooksBuilt = false;
#endif

}  // namespace

TEST_F(DaemonLinkTest, BlockNamesTheOwnerAndItsPort)
{
    KADTestInstallation::BlockState state;
    ASSERT_TRUE(installation.ReadBlock(state));
    EXPECT_EQ(state.owner, daemon);
    EXPECT_EQ(state.version, 3);
    EXPECT_EQ(state.closing, 0);
    EXPECT_EQ(state.port, port);
}

TEST_F(DaemonLinkTest, HandshakeIsAnsweredWithKADDAndTwoValues)
{
    KADTestClient client;
    ASSERT_TRUE(client.Connect(port));
    ASSERT_TRUE(client.Handshake(installation.ClientDatabasePath()));
    EXPECT_EQ(client.daemonValue1, 330);
    EXPECT_EQ(client.daemonValue2, 44088);
}

TEST_F(DaemonLinkTest, UnknownRequestsGetOneEmptyReplyEach)
{
    KADTestClient client;
    Join(client);
    // Sent back to back before any reply is read: each id is answered once.
    std::int32_t first = client.SendRequest(UnknownCode, Int32Payload({1, 2, 3}));
    std::int32_t second = client.SendRequest(-5);
    std::int32_t third = client.SendRequest(123456);
    for (std::int32_t id : {first, second, third}) {
        KADTestMessage message;
        ASSERT_TRUE(client.ReadMessage(message));
        EXPECT_EQ(message.tag, KADProtocol::ReplyTag);
        EXPECT_EQ(message.word, id);
        EXPECT_TRUE(message.body.empty());
    }
}

TEST_F(DaemonLinkTest, MalformedHandshakesAreRefusedWithoutAnAnswer)
{
    struct Case {
        const char* name;
        KADBytes bytes;
    };
    KADBytes wrongVersion = Int32Payload({KADProtocol::ClientCode, 329, 44088, 1});
    std::string path = installation.ClientDatabasePath();
    KADAppendInt32(wrongVersion, static_cast<std::int32_t>(path.size()));
    KADAppendBytes(wrongVersion, path.data(), path.size());
    const std::string http = "GET / HTTP/1.1\r\n\r\n";
    const Case cases[] = {
        {"not a client", KADBytes(http.begin(), http.end())},
        {"wrong version", wrongVersion},
        {"another database", KADEncodeHandshake(1, "/elsewhere/UserData/assets.tdx")},
        {"negative path length", Int32Payload({KADProtocol::ClientCode, 330, 44088, 1, -1})},
        {"path length above 4096", Int32Payload({KADProtocol::ClientCode, 330, 44088, 1, 5000})},
    };
    for (const Case& c : cases) {
        KADTestClient client;
        ASSERT_TRUE(client.Connect(port)) << c.name;
        ASSERT_TRUE(client.SendRaw(c.bytes)) << c.name;
        EXPECT_TRUE(client.WaitForClose()) << c.name;
    }
    ExpectServing();
}

TEST_F(DaemonLinkTest, HostileLengthsDisconnectTheClientOnly)
{
    const std::int32_t lengths[] = {-1, INT32_MIN, (1 << 30) + 1, INT32_MAX};
    for (std::int32_t length : lengths) {
        KADTestClient client;
        Join(client);
        ASSERT_TRUE(client.SendRaw(Int32Payload({UnknownCode, 1, length})));
        EXPECT_TRUE(client.WaitForClose()) << length;
    }
    ExpectServing();
}

TEST_F(DaemonLinkTest, ClosingWordEndsOnlyThatConnection)
{
    KADTestClient client;
    Join(client);
    ASSERT_TRUE(client.SendRaw(KADEncodeClosingWord()));
    EXPECT_TRUE(client.WaitForClose());
    ExpectServing();
}

TEST_F(DaemonLinkTest, TwoClientsAreServedAtOnce)
{
    if (!TestHooksBuilt)
        GTEST_SKIP() << "needs a build with test hooks";
    KADTestClient slow;
    KADTestClient quick;
    Join(slow);
    Join(quick);
    std::int32_t slowId = slow.SendRequest(SleepCode, Int32Payload({400}));
    ASSERT_NE(slowId, 0);
    // The second client's request is answered while the first one's runs.
    KADBytes reply;
    ASSERT_TRUE(quick.Call(EchoCode, Int32Payload({42}), reply));
    EXPECT_EQ(reply, Int32Payload({42}));
    KADTestMessage message;
    ASSERT_TRUE(slow.ReadMessage(message));
    EXPECT_EQ(message.tag, KADProtocol::ReplyTag);
    EXPECT_EQ(message.word, slowId);
    EXPECT_EQ(message.body, Int32Payload({400}));
}

TEST_F(DaemonLinkTest, ClientLeavingMidRequestDoesNotStopTheDaemon)
{
    if (!TestHooksBuilt)
        GTEST_SKIP() << "needs a build with test hooks";
    {
        KADTestClient leaving;
        Join(leaving);
        ASSERT_NE(leaving.SendRequest(SleepCode, Int32Payload({200})), 0);
        // Half a request as well: its length promises bytes that never come.
        ASSERT_TRUE(leaving.SendRaw(Int32Payload({EchoCode, 9, 100, 7})));
    }
    KADTestClient staying;
    Join(staying);
    KADBytes reply;
    // Outlasts the abandoned request, whose reply then finds its client gone.
    ASSERT_TRUE(staying.Call(SleepCode, Int32Payload({400}), reply));
    ASSERT_TRUE(staying.Call(EchoCode, Int32Payload({5}), reply));
    EXPECT_EQ(reply, Int32Payload({5}));
    ExpectServing();
}

TEST_F(DaemonLinkTest, FailingRequestStillGetsOneEmptyReply)
{
    if (!TestHooksBuilt)
        GTEST_SKIP() << "needs a build with test hooks";
    KADTestClient client;
    Join(client);
    KADBytes reply = Int32Payload({1});
    ASSERT_TRUE(client.Call(FailCode, Int32Payload({1, 2}), reply));
    EXPECT_TRUE(reply.empty());
    ASSERT_TRUE(client.Call(EchoCode, Int32Payload({8}), reply));
    EXPECT_EQ(reply, Int32Payload({8}));
}

TEST_F(DaemonLinkTest, ResultLinesArriveAsType3NotesBeforeTheReply)
{
    if (!TestHooksBuilt)
        GTEST_SKIP() << "needs a build with test hooks";
    KADTestClient client;
    Join(client);
    KADBytes payload = Int32Payload({1, 3});
    KADAppendInt32(payload, 5);
    KADAppendBytes(payload, "oops!", 5);
    KADBytes reply;
    std::vector<KADTestMessage> notes;
    ASSERT_TRUE(client.Call(ResultLinesCode, payload, reply, &notes));
    EXPECT_EQ(reply, Int32Payload({2}));
    ASSERT_EQ(notes.size(), 2u);
    // uint32 id; format 0; one line: kind 3, "oops!", no property.
    KADBytes first = Int32Payload({1, 0, 1, 3, 5});
    KADAppendBytes(first, "oops!", 5);
    KADAppendInt32(first, 0);
    EXPECT_EQ(notes[0].tag, KADProtocol::NoteTag);
    EXPECT_EQ(notes[0].word, 3);
    EXPECT_EQ(notes[0].body, first);
    // The second note carries only the line added after the first was sent.
    KADBytes second = Int32Payload({1, 0, 1, 4, 4});
    KADAppendBytes(second, "done", 4);
    KADAppendInt32(second, 0);
    EXPECT_EQ(notes[1].body, second);
}

TEST_F(DaemonLinkTest, CloseDaemonAnswersClosesAndEndsTheDaemon)
{
    KADTestClient client;
    Join(client);
    KADBytes reply = Int32Payload({1});
    ASSERT_TRUE(client.Call(KADRequestNumber(KADRequestCode::CloseDaemon), {}, reply));
    EXPECT_TRUE(reply.empty());
    EXPECT_TRUE(client.WaitForClose());
    EXPECT_EQ(installation.WaitForExit(daemon), std::optional<int>(0));
    EXPECT_TRUE(installation.IsBlockReleased());
}

TEST_F(DaemonLinkTest, TerminationSignalClosesInOrder)
{
    ASSERT_EQ(kill(daemon, SIGTERM), 0);
    EXPECT_EQ(installation.WaitForExit(daemon), std::optional<int>(0));
    EXPECT_TRUE(installation.IsBlockReleased());
}

TEST_F(DaemonLinkTest, SecondDaemonOnTheSameDatabaseLeaves)
{
    pid_t second = installation.StartDaemon();
    ASSERT_GT(second, 0);
    EXPECT_EQ(installation.WaitForExit(second), std::optional<int>(0));
    KADTestInstallation::BlockState state;
    ASSERT_TRUE(installation.ReadBlock(state));
    EXPECT_EQ(state.owner, daemon);
    EXPECT_EQ(state.port, port);
    ExpectServing();
}
