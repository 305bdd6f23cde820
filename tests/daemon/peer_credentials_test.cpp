// Finding the owner of a loopback peer's socket in the kernel's TCP table.
#include <gtest/gtest.h>

#include <unistd.h>

#include "daemon/peer_credentials.h"

namespace {

const char* const Table =
    "  sl  local_address rem_address   st tx_queue rx_queue tr tm->when retrnsmt   uid  timeout inode\n"
    "   0: 0100007F:1F90 00000000:0000 0A 00000000:00000000 00:00000000 00000000  1000        0 5127 1\n"
    "   1: 0100007F:C350 0100007F:1F90 06 00000000:00000000 03:0000117D 00000000     0        0 0 3\n"
    "   2: 0100007F:C350 0100007F:1F90 01 00000000:00000000 00:00000000 00000000  1001        0 812 1\n"
    "   3: 0100007F:1F90 0100007F:C350 01 00000000:00000000 00:00000000 00000000  1000        0 813 1\n"
    "   4: garbage\n";

}  // namespace

TEST(PeerCredentials, FindsTheEstablishedSocketOfThePeer)
{
    uid_t owner = 0;
    // The peer's port 50000 (C350) talking to our 8080 (1F90); the closed
    // TIME_WAIT entry with the same ports is skipped.
    ASSERT_TRUE(KadFindTcpSocketOwner(Table, 50000, 8080, owner));
    EXPECT_EQ(owner, 1001u);
    ASSERT_TRUE(KadFindTcpSocketOwner(Table, 8080, 50000, owner));
    EXPECT_EQ(owner, 1000u);
}

TEST(PeerCredentials, UnknownPortsAndDamagedTablesFindNothing)
{
    uid_t owner = 0;
    EXPECT_FALSE(KadFindTcpSocketOwner(Table, 50001, 8080, owner));
    EXPECT_FALSE(KadFindTcpSocketOwner("", 50000, 8080, owner));
    EXPECT_FALSE(KadFindTcpSocketOwner("title\n 0: 0100007F:ZZZZ 0100007F:1F90 01 a b c 5\n", 50000, 8080, owner));
}
