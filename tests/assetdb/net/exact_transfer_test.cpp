// ReceiveExact / SendExact: whole transfers, piece limits and kept failures.
#include "assetdb/net/net_transport.h"
#include "assetdb/net/net_test_support.h"

#include <gtest/gtest.h>
#include <numeric>
#include <thread>
#include <vector>

namespace {

struct SocketPair {
    SocketPair() { ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds); }
    int fds[2] = {-1, -1};
};

}  // namespace

TEST(ExactTransferTest, ZeroBytesSucceedWithoutTouchingTheSocket)
{
    AdoptedTransport transport(-1);
    char byte = 0;
    EXPECT_TRUE(ReceiveExact(transport, &byte, 0));
    EXPECT_TRUE(SendExact(transport, &byte, 0));
    EXPECT_EQ(transport.GetState(), NetTransportUsable);
}

TEST(ExactTransferTest, LargeTransferArrivesWhole)
{
    SocketPair pair;
    AdoptedTransport sender(pair.fds[0]);
    AdoptedTransport receiver(pair.fds[1]);
    std::vector<uint8_t> out(70000);
    std::iota(out.begin(), out.end(), 0);
    std::vector<uint8_t> in(out.size());
    std::thread writer([&] { EXPECT_TRUE(SendExact(sender, out.data(), static_cast<int32_t>(out.size()))); });
    EXPECT_TRUE(ReceiveExact(receiver, in.data(), static_cast<int32_t>(in.size())));
    writer.join();
    EXPECT_EQ(in, out);
}

TEST(ExactTransferTest, PeerCloseFailsTheReceiveAndKeepsStateSeven)
{
    SocketPair pair;
    AdoptedTransport receiver(pair.fds[1]);
    const char partial[3] = {1, 2, 3};
    ASSERT_EQ(::send(pair.fds[0], partial, 3, 0), 3);
    ::close(pair.fds[0]);
    char buffer[8];
    EXPECT_FALSE(ReceiveExact(receiver, buffer, 8));
    EXPECT_EQ(receiver.GetState(), NetTransportTransferFailed);
    // Later transfers fail at once, without touching the socket.
    EXPECT_FALSE(SendExact(receiver, buffer, 1));
    EXPECT_FALSE(ReceiveExact(receiver, buffer, 1));
    EXPECT_EQ(receiver.GetState(), NetTransportTransferFailed);
}

TEST(ExactTransferTest, SendToAClosedPeerFailsWithoutSignal)
{
    SocketPair pair;
    AdoptedTransport sender(pair.fds[0]);
    ::close(pair.fds[1]);
    std::vector<char> data(100000, 'x');
    EXPECT_FALSE(SendExact(sender, data.data(), static_cast<int32_t>(data.size())));
    EXPECT_EQ(sender.GetState(), NetTransportTransferFailed);
}
