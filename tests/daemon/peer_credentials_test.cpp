// Finding the owner of a loopback peer's socket: in the kernel's TCP table, and of real sockets.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include "daemon/peer_credentials.h"

namespace {

const char* const Table =
    "  sl  local_address rem_address   st tx_queue rx_queue tr tm->when retrnsmt   uid  timeout inode\n"
    "   0: 0100007F:1F90 00000000:0000 0A 00000000:00000000 00:00000000 00000000  1000        0 5127 1\n"
    "   1: 0100007F:C350 0100007F:1F90 06 00000000:00000000 03:0000117D 00000000     0        0 0 3\n"
    "   2: 0200007F:C350 0100007F:1F90 01 00000000:00000000 00:00000000 00000000  1002        0 811 1\n"
    "   3: 0100007F:C350 0100007F:1F90 01 00000000:00000000 00:00000000 00000000  1001        0 812 1\n"
    "   4: 0100007F:1F90 0100007F:C350 01 00000000:00000000 00:00000000 00000000  1000        0 813 1\n"
    "   5: garbage\n";

// 127.0.0.1 and 127.0.0.2 as sin_addr.s_addr holds them.
const std::uint32_t LoopbackOne = htonl(INADDR_LOOPBACK);
const std::uint32_t LoopbackTwo = htonl(INADDR_LOOPBACK + 1);

// A connected loopback pair: the listener's accepted end and the client's end.
struct LoopbackPair {
    int accepted = -1;
    int client = -1;

    LoopbackPair()
    {
        int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 && listen(listener, 1) == 0 &&
            getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
            client = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
            if (connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0)
                accepted = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        }
        close(listener);
    }
    ~LoopbackPair()
    {
        if (accepted >= 0)
            close(accepted);
        if (client >= 0)
            close(client);
    }
};

}  // namespace

TEST(PeerCredentials, FindsTheEstablishedSocketOfThePeer)
{
    uid_t owner = 0;
    // The peer's port 50000 (C350) talking to our 8080 (1F90); the closed
    // TIME_WAIT entry with the same ports is skipped, and so is the socket
    // of 127.0.0.2 that uses the same port numbers.
    ASSERT_TRUE(KADFindTcpSocketOwner(Table, {LoopbackOne, 50000}, {LoopbackOne, 8080}, owner));
    EXPECT_EQ(owner, 1001u);
    ASSERT_TRUE(KADFindTcpSocketOwner(Table, {LoopbackTwo, 50000}, {LoopbackOne, 8080}, owner));
    EXPECT_EQ(owner, 1002u);
    ASSERT_TRUE(KADFindTcpSocketOwner(Table, {LoopbackOne, 8080}, {LoopbackOne, 50000}, owner));
    EXPECT_EQ(owner, 1000u);
}

TEST(PeerCredentials, UnknownPortsAndDamagedTablesFindNothing)
{
    uid_t owner = 0;
    EXPECT_FALSE(KADFindTcpSocketOwner(Table, {LoopbackOne, 50001}, {LoopbackOne, 8080}, owner));
    EXPECT_FALSE(KADFindTcpSocketOwner(Table, {htonl(INADDR_LOOPBACK + 3), 50000}, {LoopbackOne, 8080}, owner));
    EXPECT_FALSE(KADFindTcpSocketOwner("", {LoopbackOne, 50000}, {LoopbackOne, 8080}, owner));
    EXPECT_FALSE(KADFindTcpSocketOwner("title\n 0: 0100007F:ZZZZ 0100007F:1F90 01 a b c 5\n", {LoopbackOne, 50000},
                                       {LoopbackOne, 8080}, owner));
}

TEST(PeerCredentials, TheOwnerOfARealPeerIsFound)
{
    LoopbackPair pair;
    ASSERT_GE(pair.accepted, 0);
    uid_t owner = 12345;
    ASSERT_TRUE(KADFindPeerOwner(pair.accepted, owner));
    EXPECT_EQ(owner, getuid());
    EXPECT_TRUE(KADPeerIsOurUser(pair.accepted));
}

TEST(PeerCredentials, APeerThatCannotBeFoundIsNotOurs)
{
    // A listening socket has no peer; a closed pair leaves nothing to find.
    int unconnected = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(unconnected, 0);
    uid_t owner = 0;
    EXPECT_FALSE(KADFindPeerOwner(unconnected, owner));
    EXPECT_FALSE(KADPeerIsOurUser(unconnected));
    close(unconnected);

    LoopbackPair pair;
    ASSERT_GE(pair.accepted, 0);
    close(pair.client);
    pair.client = -1;
    EXPECT_FALSE(KADPeerIsOurUser(pair.accepted));
}
