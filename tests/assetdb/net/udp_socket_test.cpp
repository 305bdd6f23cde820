// UDPSocket and UDPPeer on loopback: routing by sender, unknown senders, moving peers, the largest datagram.
#include <gtest/gtest.h>

#include <dirent.h>

#include <string>

#include "assetdb/net/net_transport.h"
#include "assetdb/net/udp_socket.h"
#include "support/udp_loopback.h"

namespace {

using KorvelTest::Datagram;
using KorvelTest::RawUdpPeer;

struct Inbox {
    std::vector<Datagram> received;
    static void Take(void* user, const std::uint8_t* data, std::size_t length)
    {
        static_cast<Inbox*>(user)->received.emplace_back(data, data + length);
    }
};

class UDPSocketTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { NetTransport::Startup(); }

    void SetUp() override { ASSERT_TRUE(socket.Open()); }

    // Polls until a datagram was taken; the bound only stops a broken test.
    void PollOne(UDPSocket& which)
    {
        pollfd ready{which.Handle(), POLLIN, 0};
        ASSERT_EQ(poll(&ready, 1, 2000), 1);
        ASSERT_TRUE(which.Poll());
    }

    UDPSocket socket;
};

TEST_F(UDPSocketTest, DatagramsGoToThePeerTheyCameFrom)
{
    RawUdpPeer first, second;
    UDPPeer toFirst, toSecond;
    Inbox firstInbox, secondInbox;
    toFirst.SetReceiveCallback(Inbox::Take, &firstInbox);
    toSecond.SetReceiveCallback(Inbox::Take, &secondInbox);
    ASSERT_TRUE(socket.AddPeer("127.0.0.1", first.Port(), toFirst));
    ASSERT_TRUE(socket.AddPeer("localhost", second.Port(), toSecond));

    second.SendTo(socket.LocalPort(), {2, 2});
    first.SendTo(socket.LocalPort(), {1});
    PollOne(socket);
    PollOne(socket);
    EXPECT_EQ(firstInbox.received, std::vector<Datagram>{{1}});
    EXPECT_EQ(secondInbox.received, (std::vector<Datagram>{{2, 2}}));

    ASSERT_TRUE(toFirst.Send("hi", 2));
    Datagram got;
    ASSERT_TRUE(first.Receive(got));
    EXPECT_EQ(got, (Datagram{'h', 'i'}));
}

TEST_F(UDPSocketTest, UnknownSenderIsDroppedUnlessTheNewSenderCallbackNamesAPeer)
{
    RawUdpPeer stranger;
    stranger.SendTo(socket.LocalPort(), {9});
    PollOne(socket);

    UDPPeer adopted;
    Inbox inbox;
    adopted.SetReceiveCallback(Inbox::Take, &inbox);
    static std::uint16_t seenPort;
    socket.SetNewSenderCallback(
        [](void* user, const sockaddr_in& sender) {
            seenPort = ntohs(sender.sin_port);
            return static_cast<UDPPeer*>(user);
        },
        &adopted);
    stranger.SendTo(socket.LocalPort(), {8});
    PollOne(socket);
    EXPECT_EQ(seenPort, stranger.Port());
    EXPECT_EQ(inbox.received, std::vector<Datagram>{{8}});
    // Nothing else waits: the first one was consumed and dropped.
    EXPECT_FALSE(socket.Poll());
}

TEST_F(UDPSocketTest, MovingAPeerTakesItOutOfTheFirstSocket)
{
    UDPSocket second;
    ASSERT_TRUE(second.Open());
    RawUdpPeer remote;
    UDPPeer peer;
    Inbox inbox;
    peer.SetReceiveCallback(Inbox::Take, &inbox);
    socket.AddPeer("127.0.0.1", remote.Port(), peer);
    second.AddPeer("127.0.0.1", remote.Port(), peer);
    EXPECT_EQ(socket.PeerCount(), 0u);
    EXPECT_EQ(second.PeerCount(), 1u);
    EXPECT_EQ(peer.Socket(), &second);

    remote.SendTo(socket.LocalPort(), {1});
    PollOne(socket);
    EXPECT_TRUE(inbox.received.empty());

    UDPSocket::RemovePeer(peer);
    EXPECT_EQ(second.PeerCount(), 0u);
    EXPECT_FALSE(peer.Send("x", 1));
    {
        UDPPeer shortLived;
        socket.AddPeer("127.0.0.1", remote.Port(), shortLived);
    }
    // A destroyed peer left the list: the socket never calls it.
    EXPECT_EQ(socket.PeerCount(), 0u);
}

TEST_F(UDPSocketTest, TheLargestDatagramArrivesWhole)
{
    RawUdpPeer remote;
    UDPPeer peer;
    Inbox inbox;
    peer.SetReceiveCallback(Inbox::Take, &inbox);
    socket.AddPeer("127.0.0.1", remote.Port(), peer);
    Datagram big(UDPLargestDatagram);
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<std::uint8_t>(i * 7);
    remote.SendTo(socket.LocalPort(), big);
    remote.SendTo(socket.LocalPort(), {});
    PollOne(socket);
    PollOne(socket);
    ASSERT_EQ(inbox.received.size(), 1u);
    EXPECT_EQ(inbox.received[0], big);
}

int OpenDescriptors()
{
    int count = 0;
    DIR* folder = opendir("/proc/self/fd");
    while (readdir(folder) != nullptr)
        ++count;
    closedir(folder);
    return count;
}

TEST_F(UDPSocketTest, ReopeningClosesTheOldSocketAndAClosedOneDoesNothing)
{
    int before = OpenDescriptors();
    for (int i = 0; i < 20; ++i)
        ASSERT_TRUE(socket.Open());
    EXPECT_EQ(OpenDescriptors(), before);
    socket.Close();
    EXPECT_FALSE(socket.IsOpen());
    EXPECT_FALSE(socket.Poll());
    EXPECT_EQ(socket.LocalPort(), 0);
}

}  // namespace
