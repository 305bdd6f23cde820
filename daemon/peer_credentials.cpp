// Whose process is at the other end of a loopback connection.
#include "daemon/peer_credentials.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <charconv>
#include <sstream>
#include <string>

#include "daemon/proc_files.h"

namespace {

constexpr const char* EstablishedState = "01";

// "0100007F:1F90" → the port after the colon, in hex.
bool PortOf(std::string_view endpoint, std::uint16_t& port)
{
    std::string_view::size_type colon = endpoint.find(':');
    if (colon == std::string_view::npos)
        return false;
    std::string_view digits = endpoint.substr(colon + 1);
    unsigned value = 0;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
    if (error != std::errc() || end != digits.data() + digits.size() || value > 0xFFFF)
        return false;
    port = static_cast<std::uint16_t>(value);
    return true;
}

}  // namespace

bool KadFindTcpSocketOwner(std::string_view table, std::uint16_t localPort, std::uint16_t remotePort, uid_t& owner)
{
    std::istringstream lines{std::string(table)};
    std::string line;
    std::getline(lines, line);  // column titles
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string slot, local, remote, state, queues, timer, retransmits, uid;
        if (!(fields >> slot >> local >> remote >> state >> queues >> timer >> retransmits >> uid))
            continue;
        std::uint16_t entryLocal = 0;
        std::uint16_t entryRemote = 0;
        if (state != EstablishedState || !PortOf(local, entryLocal) || !PortOf(remote, entryRemote))
            continue;
        if (entryLocal != localPort || entryRemote != remotePort)
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

bool KadPeerIsOurUser(int socket)
{
    sockaddr_in ours{};
    sockaddr_in theirs{};
    socklen_t length = sizeof ours;
    if (getsockname(socket, reinterpret_cast<sockaddr*>(&ours), &length) != 0)
        return true;
    length = sizeof theirs;
    if (getpeername(socket, reinterpret_cast<sockaddr*>(&theirs), &length) != 0)
        return true;
    std::string table;
    KadReadProcFile("/proc/net/tcp", table);
    uid_t owner = 0;
    // The peer's own socket has its port as the local end and ours as the remote end.
    if (!KadFindTcpSocketOwner(table, ntohs(theirs.sin_port), ntohs(ours.sin_port), owner))
        return true;
    return owner == getuid();
}
