// TCPTransport: connecting, the slots, and failures kept in the state.
#include "assetdb/net/net_test_support.h"
#include "assetdb/net/tcp_transport.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <memory>
#include <netinet/tcp.h>

class TCPTransportTest : public ::testing::Test {
protected:
    void SetUp() override { NetTransport::Startup(); }
};

TEST_F(TCPTransportTest, ConnectsReadsPeeksWritesAndCloses)
{
    LoopbackListener listener;
    TCPTransport transport("127.0.0.1", listener.port);
    ASSERT_EQ(transport.GetState(), NetTransportUsable);
    ASSERT_GE(transport.GetSocket(), 0);
    EXPECT_TRUE(fcntl(transport.GetSocket(), F_GETFD) & FD_CLOEXEC);
    int noDelay = 0;
    socklen_t length = sizeof noDelay;
    getsockopt(transport.GetSocket(), IPPROTO_TCP, TCP_NODELAY, &noDelay, &length);
    EXPECT_NE(noDelay, 0);

    int peer = listener.Accept();
    ASSERT_GE(peer, 0);
    EXPECT_FALSE(transport.HasData());
    ASSERT_EQ(::send(peer, "abc", 3, 0), 3);
    char buffer[8] = {};
    ASSERT_EQ(transport.Peek(buffer, 3), 3);
    EXPECT_TRUE(transport.HasData());
    ASSERT_EQ(transport.Read(buffer, 3), 3);
    EXPECT_EQ(std::string(buffer, 3), "abc");
    EXPECT_EQ(transport.Write("xy", 2), 2);
    ASSERT_EQ(::recv(peer, buffer, 2, 0), 2);
    EXPECT_EQ(std::string(buffer, 2), "xy");

    ::close(peer);
    EXPECT_EQ(transport.Read(buffer, 1), 0);
    EXPECT_EQ(transport.GetState(), NetTransportUsable);
    transport.Close();
    EXPECT_EQ(transport.GetState(), NetTransportClosed);
    EXPECT_EQ(transport.GetSocket(), -1);
    EXPECT_LT(transport.Read(buffer, 1), 0);
}

TEST_F(TCPTransportTest, RefusedConnectionLeavesStateTwoAndNoSocket)
{
    int port;
    {
        LoopbackListener listener;
        port = listener.port;
    }
    TCPTransport transport("localhost", port);
    EXPECT_EQ(transport.GetState(), NetTransportConnectionFailed);
    EXPECT_EQ(transport.GetSocket(), -1);
}

TEST_F(TCPTransportTest, ReopenConnectsToTheSameHostOnAnotherPort)
{
    LoopbackListener first;
    LoopbackListener second;
    TCPTransport transport("localhost", first.port);
    std::unique_ptr<NetTransport> reopened(transport.Reopen(second.port));
    ASSERT_NE(reopened, nullptr);
    EXPECT_EQ(reopened->GetState(), NetTransportUsable);
    auto* tcp = dynamic_cast<TCPTransport*>(reopened.get());
    ASSERT_NE(tcp, nullptr);
    EXPECT_STREQ(tcp->GetHostName(), "localhost");
    EXPECT_EQ(tcp->GetPort(), second.port);
}

TEST_F(TCPTransportTest, ShutdownSocketWakesABlockedReader)
{
    LoopbackListener listener;
    TCPTransport transport("127.0.0.1", listener.port);
    int peer = listener.Accept();
    char byte;
    std::thread reader([&] { EXPECT_FALSE(ReceiveExact(transport, &byte, 1)); });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    transport.ShutdownSocket();
    reader.join();
    EXPECT_EQ(transport.GetState(), NetTransportTransferFailed);
    ::close(peer);
}
