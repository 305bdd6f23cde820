// The real utility keeps working while other clients of the same user hold hundreds of quiet connections.
#include "e2e/harness/e2e_harness.h"

#include "assetdb/protocol/kad_ipc_block_view.h"
#include "assetdb/protocol/kad_ipc_names.h"
#include "assetdb/protocol/kad_protocol.h"
#include "assetdb/protocol/kad_wire.h"
#include "platform/ipc.h"
#include "zel/ascii.h"

#include <algorithm>
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace {

std::string ClientDatabasePath(const std::string& root)
{
    return Zel::AsciiLowerCopy(root) + "/UserData/assets.tdx";
}

int DaemonPort(const std::string& databasePath)
{
    KADIpcNameSet names;
    Platform::SharedBlock block;
    if (!KADIpcNames(databasePath, names) || !block.Open(names.mutexName + "-ipc2", KADIpcBlockView::Size, false))
        return 0;
    return KADIpcBlockView(block.Data()).Port();
}

// A connection through the handshake that then says nothing; -1 on failure.
int QuietClient(int port, const std::string& databasePath)
{
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    KADBytes hello = KADEncodeHandshake(1, databasePath);
    std::uint8_t answer[12];
    if (fd < 0 || ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::send(fd, hello.data(), hello.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(hello.size()) ||
        ::recv(fd, answer, sizeof answer, MSG_WAITALL) != static_cast<ssize_t>(sizeof answer) ||
        KADLoadInt32(answer) != KADProtocol::DaemonCode) {
        if (fd >= 0)
            ::close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

TEST(DaemonLimitsE2E, ACommandRunsWhileSixHundredQuietConnectionsAreOpen)
{
    constexpr int Quiet = 600;
    rlimit limit{};
    getrlimit(RLIMIT_NOFILE, &limit);
    if (limit.rlim_cur < Quiet + 64) {
        limit.rlim_cur = std::min<rlim_t>(limit.rlim_max, Quiet + 64);
        setrlimit(RLIMIT_NOFILE, &limit);
        getrlimit(RLIMIT_NOFILE, &limit);
    }
    if (limit.rlim_cur < Quiet + 64)
        GTEST_SKIP() << "this process may not open " << Quiet << " sockets";

    E2E::Installation installation;
    E2E::RunResult first = installation.Run({"setlanguage", "fr"});
    ASSERT_EQ(first.exitStatus, 0) << first.out << first.err;
    std::string databasePath = ClientDatabasePath(installation.Root());
    int port = DaemonPort(databasePath);
    ASSERT_NE(port, 0);
    std::vector<int> quiet;
    for (int i = 0; i < Quiet; ++i) {
        int fd = QuietClient(port, databasePath);
        if (fd < 0)
            break;
        quiet.push_back(fd);
    }
    EXPECT_EQ(quiet.size(), static_cast<std::size_t>(Quiet));

    E2E::RunResult second = installation.Run({"setlanguage", "de"});
    EXPECT_EQ(second.exitStatus, 0) << second.out << second.err;
    E2E::RunResult third = installation.Run({"listbuilds", "builds.txt"});
    EXPECT_EQ(third.exitStatus, 0) << third.out << third.err;
    for (int fd : quiet)
        ::close(fd);
}
