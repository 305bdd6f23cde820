// Framing under load on the real daemon: split writes, large payloads, many pipelined requests.
#include <gtest/gtest.h>

#include <map>
#include <thread>

#include "assetdb/protocol/kad_protocol.h"
#include "assetdb/protocol/kad_requests.h"
#include "daemon_test_support.h"

namespace {

class DaemonFramingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        daemon = installation.StartDaemon();
        port = installation.WaitForPort(daemon);
        ASSERT_NE(port, 0);
    }

    void Join(KADTestClient& client)
    {
        ASSERT_TRUE(client.Connect(port));
        ASSERT_TRUE(client.Handshake(installation.ClientDatabasePath()));
    }

    KADTestInstallation installation;
    pid_t daemon = 0;
    int port = 0;
};

}  // namespace

TEST_F(DaemonFramingTest, HandshakeAndRequestSentOneByteAtATime)
{
    KADTestClient client;
    ASSERT_TRUE(client.Connect(port));
    KADBytes bytes = KADEncodeHandshake(1, installation.ClientDatabasePath());
    KADBytes request = KADEncodeRequest(KADRequestNumber(KADRequestCode::TestEcho), 1, "split", 5);
    bytes.insert(bytes.end(), request.begin(), request.end());
    for (std::uint8_t byte : bytes)
        ASSERT_TRUE(client.SendRaw(KADBytes{byte}));
    ASSERT_TRUE(client.ReadHandshakeAnswer());
    KADTestMessage reply;
    ASSERT_TRUE(client.ReadMessage(reply));
    EXPECT_EQ(reply.tag, KADProtocol::ReplyTag);
    EXPECT_EQ(reply.word, 1);
#ifdef KORVEL_TEST_HOOKS
    EXPECT_EQ(reply.body, KADBytes({'s', 'p', 'l', 'i', 't'}));
#else
    EXPECT_TRUE(reply.body.empty());
#endif
}

TEST_F(DaemonFramingTest, LargePayloadTravelsWhole)
{
#ifndef KORVEL_TEST_HOOKS
    GTEST_SKIP() << "needs a build with test hooks";
#endif
    KADTestClient client;
    Join(client);
    KADBytes payload(8 * 1024 * 1024 + 3);
    for (std::size_t i = 0; i < payload.size(); ++i)
        payload[i] = static_cast<std::uint8_t>(i * 7 + (i >> 12));
    KADBytes reply;
    ASSERT_TRUE(client.Call(KADRequestCode::TestEcho, payload, reply));
    EXPECT_TRUE(reply == payload);
}

TEST_F(DaemonFramingTest, EveryPipelinedRequestOfManyClientsIsAnsweredOnce)
{
    constexpr int Clients = 6;
    constexpr int RequestsEach = 150;
    // Reader-lane, unknown, worker-pool and (with hooks) long-lane codes, so
    // replies come back out of order.
    const std::int32_t codes[] = {KADRequestNumber(KADRequestCode::HostKeepAlive), UnknownRequestCode,
                                  KADRequestNumber(KADRequestCode::GetSetting),
                                  KADRequestNumber(KADRequestCode::TestEcho),
                                  KADRequestNumber(KADRequestCode::TestSleep)};
    auto run = [&](int seed) {
        KADTestClient client;
        ASSERT_TRUE(client.Connect(port));
        ASSERT_TRUE(client.Handshake(installation.ClientDatabasePath()));
        std::map<std::int32_t, int> answers;
        for (int i = 0; i < RequestsEach; ++i) {
            std::int32_t code = codes[(i + seed) % std::size(codes)];
            KADBytes payload = code == KADRequestNumber(KADRequestCode::TestSleep) ? Int32Payload({1}) : KADBytes{};
            std::int32_t id = client.SendRequest(code, payload);
            ASSERT_NE(id, 0);
            answers[id] = 0;
        }
        for (int i = 0; i < RequestsEach; ++i) {
            KADTestMessage message;
            ASSERT_TRUE(client.ReadMessage(message));
            ASSERT_EQ(message.tag, KADProtocol::ReplyTag);
            ASSERT_EQ(answers.count(message.word), 1u) << message.word;
            ++answers[message.word];
        }
        for (const auto& [id, count] : answers)
            EXPECT_EQ(count, 1) << id;
    };
    std::vector<std::thread> threads;
    for (int seed = 0; seed < Clients; ++seed)
        threads.emplace_back(run, seed);
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_TRUE(installation.IsRunning(daemon));
}
