// Whose process is at the other end of a loopback connection.
#include "daemon/peer_credentials.h"

#include <linux/inet_diag.h>
#include <linux/netlink.h>
#include <linux/sock_diag.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>

#include "daemon/proc_files.h"
#include "platform/file_io.h"

namespace {

constexpr const char* EstablishedState = "01";
constexpr int NetlinkAnswerBound = 8192;
constexpr int NetlinkTimeoutSeconds = 2;

// "0100007F:1F90" → the address before the colon and the port after it, in hex.
bool EndpointOf(std::string_view text, KADTcpEndpoint& endpoint)
{
    std::string_view::size_type colon = text.find(':');
    if (colon == std::string_view::npos)
        return false;
    std::string_view address = text.substr(0, colon);
    std::string_view port = text.substr(colon + 1);
    std::uint32_t addressValue = 0;
    unsigned portValue = 0;
    auto [addressEnd, addressError] =
        std::from_chars(address.data(), address.data() + address.size(), addressValue, 16);
    auto [portEnd, portError] = std::from_chars(port.data(), port.data() + port.size(), portValue, 16);
    if (address.size() != 8 || addressError != std::errc() || addressEnd != address.data() + address.size() ||
        portError != std::errc() || portEnd != port.data() + port.size() || portValue > 0xFFFF)
        return false;
    // The kernel prints the address word as it lies in memory, so it reads
    // back as the s_addr value itself.
    endpoint.address = addressValue;
    endpoint.port = static_cast<std::uint16_t>(portValue);
    return true;
}

bool SameEndpoint(const KADTcpEndpoint& a, const KADTcpEndpoint& b)
{
    return a.address == b.address && a.port == b.port;
}

bool EndpointsOf(int socket, KADTcpEndpoint& ours, KADTcpEndpoint& theirs)
{
    sockaddr_in local{};
    sockaddr_in remote{};
    socklen_t length = sizeof local;
    if (getsockname(socket, reinterpret_cast<sockaddr*>(&local), &length) != 0 || local.sin_family != AF_INET)
        return false;
    length = sizeof remote;
    if (getpeername(socket, reinterpret_cast<sockaddr*>(&remote), &length) != 0 || remote.sin_family != AF_INET)
        return false;
    ours = {local.sin_addr.s_addr, ntohs(local.sin_port)};
    theirs = {remote.sin_addr.s_addr, ntohs(remote.sin_port)};
    return true;
}

// Asks the kernel's socket diagnostics for the one socket whose own end is
// `peer` and whose remote end is `ours`: exact, and as cheap with ten
// thousand connections as with one.
bool AskSocketDiagnostics(const KADTcpEndpoint& peer, const KADTcpEndpoint& ours, uid_t& owner)
{
    int link = socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC, NETLINK_SOCK_DIAG);
    if (link < 0)
        return false;
    timeval limit{};
    limit.tv_sec = NetlinkTimeoutSeconds;
    setsockopt(link, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);

    struct {
        nlmsghdr header;
        inet_diag_req_v2 request;
    } question{};
    question.header.nlmsg_len = sizeof question;
    question.header.nlmsg_type = SOCK_DIAG_BY_FAMILY;
    question.header.nlmsg_flags = NLM_F_REQUEST;
    question.request.sdiag_family = AF_INET;
    question.request.sdiag_protocol = IPPROTO_TCP;
    question.request.idiag_states = 1u << TCP_ESTABLISHED;
    question.request.id.idiag_src[0] = peer.address;
    question.request.id.idiag_sport = htons(peer.port);
    question.request.id.idiag_dst[0] = ours.address;
    question.request.id.idiag_dport = htons(ours.port);
    question.request.id.idiag_cookie[0] = INET_DIAG_NOCOOKIE;
    question.request.id.idiag_cookie[1] = INET_DIAG_NOCOOKIE;
    sockaddr_nl kernel{};
    kernel.nl_family = AF_NETLINK;
    bool found = false;
    if (sendto(link, &question, sizeof question, 0, reinterpret_cast<sockaddr*>(&kernel), sizeof kernel) ==
        static_cast<ssize_t>(sizeof question)) {
        alignas(nlmsghdr) char answer[NetlinkAnswerBound];
        ssize_t received = Platform::ReadSome(link, answer, sizeof answer);
        int left = static_cast<int>(received);
        for (auto* message = reinterpret_cast<nlmsghdr*>(answer); received > 0 && NLMSG_OK(message, left);
             message = NLMSG_NEXT(message, left)) {
            if (message->nlmsg_type != SOCK_DIAG_BY_FAMILY || message->nlmsg_len < NLMSG_LENGTH(sizeof(inet_diag_msg)))
                break;
            const auto* socketInfo = static_cast<const inet_diag_msg*>(NLMSG_DATA(message));
            // The kernel falls back to a listening socket on the port when
            // no connection matches; only the exact connection counts.
            if (socketInfo->idiag_state != TCP_ESTABLISHED || socketInfo->id.idiag_src[0] != peer.address ||
                socketInfo->id.idiag_sport != htons(peer.port) || socketInfo->id.idiag_dst[0] != ours.address ||
                socketInfo->id.idiag_dport != htons(ours.port))
                break;
            owner = static_cast<uid_t>(socketInfo->idiag_uid);
            found = true;
            break;
        }
    }
    close(link);
    return found;
}

bool LookUpInTable(const char* path, const KADTcpEndpoint& peer, const KADTcpEndpoint& ours, uid_t& owner)
{
    std::string table;
    if (!KADReadProcFile(path, table))
        return false;
    return KADFindTcpSocketOwner(table, peer, ours, owner);
}

}  // namespace

bool KADFindTcpSocketOwner(std::string_view table, const KADTcpEndpoint& local, const KADTcpEndpoint& remote,
                           uid_t& owner)
{
    std::istringstream lines{std::string(table)};
    std::string line;
    std::getline(lines, line);  // column titles
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string slot, localText, remoteText, state, queues, timer, retransmits, uid;
        if (!(fields >> slot >> localText >> remoteText >> state >> queues >> timer >> retransmits >> uid))
            continue;
        KADTcpEndpoint entryLocal;
        KADTcpEndpoint entryRemote;
        if (state != EstablishedState || !EndpointOf(localText, entryLocal) || !EndpointOf(remoteText, entryRemote))
            continue;
        if (!SameEndpoint(entryLocal, local) || !SameEndpoint(entryRemote, remote))
            continue;
        unsigned long value = 0;
        auto [end, error] = std::from_chars(uid.data(), uid.data() + uid.size(), value);
        if (error != std::errc() || end != uid.data() + uid.size())
            return false;
        owner = static_cast<uid_t>(value);
        return true;
    }
    return false;
}

bool KADFindPeerOwner(int socket, uid_t& owner)
{
    KADTcpEndpoint ours;
    KADTcpEndpoint theirs;
    if (!EndpointsOf(socket, ours, theirs))
        return false;
#ifdef KORVEL_TEST_HOOKS
    // Tests put a table of their own in place of the kernel's, to see a peer
    // that cannot be found.
    if (const char* table = std::getenv("KAD_TEST_PEER_TABLE"); table != nullptr)
        return LookUpInTable(table, theirs, ours, owner);
#endif
    // The peer's own socket has its end as the local end and ours as the remote end.
    return AskSocketDiagnostics(theirs, ours, owner) || LookUpInTable("/proc/net/tcp", theirs, ours, owner);
}

bool KADPeerIsOurUser(int socket)
{
    uid_t owner = 0;
    return KADFindPeerOwner(socket, owner) && owner == getuid();
}
