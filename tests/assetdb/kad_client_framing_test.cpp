// The daemon link against a scripted peer: faults a real daemon never commits.
#include "assetdb/client_test_environment.h"
#include "assetdb/kad_client.h"
#include "assetdb/kad_client_transaction.h"

#include "foundation/streams/t_buffer.h"
#include "assetdb/protocol/kad_protocol.h"
#include "assetdb/protocol/kad_requests.h"
#include "kuid/kuid.h"
#include "zel/dynamic_buffer.h"
#include "zel/pstring.h"
#include "zel/string.h"
#include "support/eventually.h"
#include "support/fake_daemon.h"

#include <chrono>
#include <gtest/gtest.h>
#include <future>
#include <memory>
#include <thread>

namespace {

// The scripted daemons answer every code alike; the echo request stands for
// any of them.
constexpr int32_t AnyRequest = KADRequestNumber(KADRequestCode::TestEcho);

struct Buffers {
    TBuffer request{new Zel::DynamicBuffer(0, 512), true};
    TBuffer reply{new Zel::DynamicBuffer(0, 512), true};
};

KADBytes ReplyHeader(int32_t id, int32_t length)
{
    KADBytes bytes;
    KADAppendInt32(bytes, KADProtocol::ReplyTag);
    KADAppendInt32(bytes, id);
    KADAppendInt32(bytes, length);
    return bytes;
}

KADBytes NoteHeader(int32_t type, int32_t length)
{
    KADBytes bytes;
    KADAppendInt32(bytes, KADProtocol::NoteTag);
    KADAppendInt32(bytes, type);
    KADAppendInt32(bytes, length);
    return bytes;
}

class KADClientFramingTest : public FakeDaemonTest {
protected:
    void StartWith(std::vector<FakeDaemonScript> scripts)
    {
        FakeDaemonTest::StartWith(ClientTestDatabasePath(), std::move(scripts));
    }
    FakeDaemonScript EmptyReplies()
    {
        return [this](FakeDaemonConnection& connection) { ServeEmptyReplies(*daemon, connection); };
    }
    // Sends the first request the start of a longer reply, then closes.
    FakeDaemonScript DropMidReply()
    {
        return [this](FakeDaemonConnection& connection) {
            ASSERT_TRUE(connection.AcceptHandshake());
            int32_t code, id;
            KADBytes payload;
            ASSERT_TRUE(connection.ReadRequest(code, id, payload));
            daemon->RecordRequest(code, id);
            KADBytes partial = ReplyHeader(id, 100);
            KADAppendBytes(partial, "0123456789", 10);
            connection.Send(partial);
            connection.Close();
        };
    }
};

}  // namespace

TEST_F(KADClientFramingTest, WrongHandshakeCodeDropsTheConnectionAtOnce)
{
    daemon = std::make_unique<FakeDaemon>(ClientTestDatabasePath(),
                                          std::vector<FakeDaemonScript>{[](FakeDaemonConnection& connection) {
                                              int32_t flag;
                                              std::string path;
                                              ASSERT_TRUE(connection.ReadHandshake(flag, path));
                                              connection.SendHandshakeReply(0x4B414445);
                                              connection.WaitForClose();
                                          }});
    EXPECT_FALSE(KADClient::Connect());
    EXPECT_FALSE(KADClient::IsConnected());
    EXPECT_FALSE(KADClient::IsStarted());
}

TEST_F(KADClientFramingTest, HandshakeCarriesTheClientFlagAndDatabasePath)
{
    int32_t seenFlag = -1;
    std::string seenPath;
    StartWith({[&](FakeDaemonConnection& connection) {
        ASSERT_TRUE(connection.ReadHandshake(seenFlag, seenPath));
        connection.SendHandshakeReply();
        connection.WaitForClose();
    }});
    EXPECT_EQ(seenFlag, 1);
    EXPECT_EQ(seenPath, ClientTestDatabasePath());
}

TEST_F(KADClientFramingTest, ReplyForAnUnknownIdIsSkippedAndTheSocketStaysWithTheReader)
{
    StartWith({[this](FakeDaemonConnection& connection) {
        ASSERT_TRUE(connection.AcceptHandshake());
        int32_t code, id;
        KADBytes payload;
        while (connection.ReadRequest(code, id, payload)) {
            daemon->RecordRequest(code, id);
            KADBytes stray = ReplyHeader(id + 1000, 5);
            KADAppendBytes(stray, "stray", 5);
            connection.Send(stray);
            connection.Send(KADEncodeReply(id, payload.data(), payload.size()));
        }
    }});
    for (int32_t value : {42, 43}) {
        Buffers buffers;
        buffers.request.WriteInt32(value);
        buffers.request.Rewind();
        ASSERT_TRUE(KADClient::Request(AnyRequest, buffers.request, buffers.reply));
        buffers.reply.Rewind();
        EXPECT_EQ(buffers.reply.ReadInt32(-1), value);
        EXPECT_EQ(buffers.reply.Size(), 4);
    }
}

TEST_F(KADClientFramingTest, EmptyReplySucceedsAndLeavesTheReplyBufferAlone)
{
    StartWith({EmptyReplies()});
    Buffers buffers;
    buffers.reply.WriteInt32(9);
    ASSERT_TRUE(KADClient::Request(AnyRequest, buffers.request, buffers.reply));
    EXPECT_EQ(buffers.reply.Size(), 4);
}

struct BadLength {
    const char* where;
    int32_t length;
};

class KADClientBadLengthTest : public KADClientFramingTest, public ::testing::WithParamInterface<BadLength> {};

TEST_P(KADClientBadLengthTest, DisconnectsFailsTheRequestAndTheNextOneReconnects)
{
    const BadLength bad = GetParam();
    StartWith({[this, bad](FakeDaemonConnection& connection) {
                   ASSERT_TRUE(connection.AcceptHandshake());
                   int32_t code, id;
                   KADBytes payload;
                   ASSERT_TRUE(connection.ReadRequest(code, id, payload));
                   daemon->RecordRequest(code, id);
                   bool inReply = std::string(bad.where) == "reply";
                   connection.Send(inReply ? ReplyHeader(id, bad.length) : NoteHeader(0, bad.length));
                   connection.WaitForClose();
               },
               EmptyReplies()});
    Buffers first;
    EXPECT_FALSE(KADClient::Request(AnyRequest, first.request, first.reply));
    EXPECT_EQ(first.reply.Size(), 0);
    EXPECT_TRUE(KorvelTest::Eventually([] { return !KADClient::IsConnected(); }));
    Buffers second;
    EXPECT_TRUE(KADClient::Request(AnyRequest, second.request, second.reply));
    EXPECT_EQ(daemon->GetConnectionCount(), 2);
    // A disconnect after a failure sends no closing word.
    EXPECT_FALSE(daemon->SawClosingWord());
}

INSTANTIATE_TEST_SUITE_P(Lengths, KADClientBadLengthTest,
                         ::testing::Values(BadLength{"reply", -1}, BadLength{"reply", (1 << 30) + 1},
                                           BadLength{"reply", 0x7FFFFFFF}, BadLength{"note", -5},
                                           BadLength{"note", (1 << 30) + 1}));

TEST_F(KADClientFramingTest, ConnectionDroppedMidReplyFailsAndTheNextRequestReconnects)
{
    StartWith({DropMidReply(), EmptyReplies()});
    Buffers first;
    EXPECT_FALSE(KADClient::Request(AnyRequest, first.request, first.reply));
    Buffers second;
    EXPECT_TRUE(KADClient::Request(AnyRequest, second.request, second.reply));
    EXPECT_EQ(daemon->GetConnectionCount(), 2);
}

TEST_F(KADClientFramingTest, DroppedConnectionFailsEveryWaitingRequest)
{
    StartWith({[this](FakeDaemonConnection& connection) {
                   ASSERT_TRUE(connection.AcceptHandshake());
                   int32_t code, id;
                   KADBytes payload;
                   for (int i = 0; i < 3; ++i) {
                       ASSERT_TRUE(connection.ReadRequest(code, id, payload));
                       daemon->RecordRequest(code, id);
                   }
                   connection.Close();
               },
               EmptyReplies()});
    std::vector<std::thread> requesters;
    std::atomic<int> failures{0};
    for (int i = 0; i < 3; ++i) {
        requesters.emplace_back([&failures] {
            Buffers buffers;
            if (!KADClient::Request(AnyRequest, buffers.request, buffers.reply))
                ++failures;
        });
    }
    for (std::thread& requester : requesters)
        requester.join();
    EXPECT_EQ(failures.load(), 3);
    EXPECT_EQ(GetWaitingTransactionCountForTesting(), 0u);
}

// A command tells a daemon that said no from one that stopped answering by
// this count: an empty reply is an answer, a dropped one is not.
TEST_F(KADClientFramingTest, OnlyRequestsLeftWithoutAReplyCountAsLost)
{
    StartWith({[](FakeDaemonConnection& connection) {
                   ASSERT_TRUE(connection.AcceptHandshake());
                   int32_t code, id;
                   KADBytes payload;
                   ASSERT_TRUE(connection.ReadRequest(code, id, payload));
                   connection.Send(ReplyHeader(id, 0));
                   ASSERT_TRUE(connection.ReadRequest(code, id, payload));
                   connection.Close();
               },
               DropMidReply(), EmptyReplies()});
    struct Step {
        bool answered;
        uint64_t lostAfter;
    };
    // Answered empty; dropped before the reply; dropped mid-reply; answered
    // on the new connection.
    const Step steps[] = {{true, 0}, {false, 1}, {false, 2}, {true, 2}};
    uint64_t lostBefore = KADClient::LostRequestCount();
    for (const Step& step : steps) {
        Buffers buffers;
        EXPECT_EQ(KADClient::Request(AnyRequest, buffers.request, buffers.reply), step.answered);
        EXPECT_EQ(KADClient::LostRequestCount() - lostBefore, step.lostAfter);
    }
}

TEST_F(KADClientFramingTest, RequestThatCannotReachTheDaemonIsLost)
{
    std::promise<void> closed;
    StartWith({[&closed](FakeDaemonConnection& connection) {
                   ASSERT_TRUE(connection.AcceptHandshake());
                   connection.Close();
                   closed.set_value();
               },
               // Every later connection ends before its handshake.
               [](FakeDaemonConnection& connection) { connection.Close(); }});
    closed.get_future().wait();
    uint64_t lostBefore = KADClient::LostRequestCount();
    Buffers buffers;
    EXPECT_FALSE(KADClient::Request(AnyRequest, buffers.request, buffers.reply));
    EXPECT_EQ(KADClient::LostRequestCount() - lostBefore, 1u);
}

TEST_F(KADClientFramingTest, EnsureConnectedKeepsALiveLinkAndRemakesOneTheDaemonClosed)
{
    std::promise<void> closed;
    StartWith({[&closed](FakeDaemonConnection& connection) {
                   ASSERT_TRUE(connection.AcceptHandshake());
                   connection.Close();
                   closed.set_value();
               },
               EmptyReplies()});
    closed.get_future().wait();
    // The reader may not have seen the close yet: the link is checked, not trusted.
    EXPECT_TRUE(KADClient::EnsureConnected());
    EXPECT_EQ(daemon->GetConnectionCount(), 2);
    EXPECT_TRUE(KADClient::EnsureConnected());
    EXPECT_EQ(daemon->GetConnectionCount(), 2);
    uint64_t lostBefore = KADClient::LostRequestCount();
    Buffers buffers;
    EXPECT_TRUE(KADClient::Request(AnyRequest, buffers.request, buffers.reply));
    EXPECT_EQ(KADClient::LostRequestCount(), lostBefore);
}

TEST(KADClientEnsureConnectedTest, DoesNothingBeforeStart)
{
    EXPECT_FALSE(KADClient::EnsureConnected());
    EXPECT_FALSE(KADClient::IsConnected());
}

TEST_F(KADClientFramingTest, ShutdownSendsTheClosingWord)
{
    StartWith({EmptyReplies()});
    Buffers buffers;
    ASSERT_TRUE(KADClient::Request(AnyRequest, buffers.request, buffers.reply));
    KADClient::Shutdown();
    EXPECT_TRUE(KorvelTest::Eventually([this] { return daemon->SawClosingWord(); }));
    EXPECT_FALSE(KADClient::IsStarted());
}

namespace {

class FixedAnswer : public KADPromptHandler {
public:
    int32_t Ask(const Zel::String& text, const Zel::String&, const KUID&, ResultsLog* log) override
    {
        question = text.c_str();
        sawLog = log != nullptr;
        return 7;
    }
    std::string question;
    bool sawLog = true;
};

KADBytes AsyncCallNote(int32_t id, const char* question)
{
    TBuffer payload(new Zel::DynamicBuffer(0, 512), true);
    payload.WriteUInt32(static_cast<uint32_t>(id));
    payload.WritePString(Zel::PString(question));
    payload.WriteKUID(KUID());
    int64_t size = payload.Size();
    KADBytes body(static_cast<size_t>(size));
    payload.Rewind();
    payload.ReadBytes(body.data(), size);
    return KADEncodeNote(static_cast<int32_t>(KADNoteType::AsyncCall), body.data(), body.size());
}

}  // namespace

// The real daemon never sends asynchronous calls; the client must still
// answer them from a thread of its own while the request waits.
TEST_F(KADClientFramingTest, AsynchronousCallsAreAnsweredWhileTheRequestWaits)
{
    std::vector<std::pair<int32_t, int32_t>> answers;
    StartWith({[&answers, this](FakeDaemonConnection& connection) {
        ASSERT_TRUE(connection.AcceptHandshake());
        int32_t code, id;
        KADBytes payload;
        for (int round = 0; round < 2; ++round) {
            ASSERT_TRUE(connection.ReadRequest(code, id, payload));
            int32_t waiting = id;
            for (int32_t asked : {waiting + 500, waiting}) {
                connection.Send(AsyncCallNote(asked, "Overwrite?"));
                ASSERT_TRUE(connection.ReadRequest(code, id, payload));
                ASSERT_EQ(code, KADRequestNumber(KADRequestCode::AsyncCallAnswer));
                ASSERT_EQ(payload.size(), 8u);
                answers.emplace_back(KADLoadInt32(payload.data()), KADLoadInt32(payload.data() + 4));
                connection.Send(KADEncodeReply(id, nullptr, 0));
            }
            connection.Send(KADEncodeReply(waiting, nullptr, 0));
        }
        connection.WaitForClose();
    }});
    SetNextTransactionIDForTesting(100);
    Buffers plain;
    ASSERT_TRUE(KADClient::Request(KADRequestNumber(KADRequestCode::InstallArchive), plain.request, plain.reply));
    FixedAnswer handler;
    Buffers asked;
    ASSERT_TRUE(
        KADClient::Request(KADRequestNumber(KADRequestCode::InstallArchive), asked.request, asked.reply, &handler));
    ASSERT_EQ(answers.size(), 4u);
    EXPECT_EQ(answers[0], std::make_pair(600, 4));
    EXPECT_EQ(answers[1], std::make_pair(100, 2));
    EXPECT_EQ(answers[2].second, 4);
    EXPECT_EQ(answers[3].second, 7);
    EXPECT_EQ(handler.question, "Overwrite?");
    EXPECT_FALSE(handler.sawLog);
}

TEST(KADClientTransactionTest, IdsSkipZeroAfterMinusOne)
{
    SetNextTransactionIDForTesting(-1);
    KADClientTransaction first(nullptr, nullptr, false);
    KADClientTransaction second(nullptr, nullptr, false);
    BeginTransaction(first);
    BeginTransaction(second);
    EXPECT_EQ(first.clientTransactionID, -1);
    EXPECT_EQ(second.clientTransactionID, 1);
    EndTransaction(first);
    EndTransaction(second);
    EXPECT_EQ(GetWaitingTransactionCountForTesting(), 0u);
}

TEST(KADClientTransactionTest, RequestBeforeStartFailsWithoutSending)
{
    Buffers buffers;
    EXPECT_FALSE(KADClient::Request(AnyRequest, buffers.request, buffers.reply));
    EXPECT_EQ(GetWaitingTransactionCountForTesting(), 0u);
}
