// Whose process is at the other end of a loopback connection.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string_view>

// One end of a TCP connection: the IPv4 address as sin_addr.s_addr holds it
// (network order) and the port in host order.
struct KADTcpEndpoint {
    std::uint32_t address = 0;
    std::uint16_t port = 0;
};

// Finds, in the text of /proc/net/tcp, the established socket whose own end
// is `local` and whose peer is `remote`, and gives its owner. Addresses are
// compared too: another user may bind 127.0.0.2 to the same port number.
bool KADFindTcpSocketOwner(std::string_view table, const KADTcpEndpoint& local, const KADTcpEndpoint& remote,
                           uid_t& owner);

// The owner of the process socket at the far end of a loopback connection
// we accepted: asked of the kernel for exactly that socket, else looked up
// in /proc/net/tcp. False when neither can tell.
bool KADFindPeerOwner(int socket, uid_t& owner);

// The database belongs to one user: a loopback connection from another
// user's process is refused, and so is one whose owner cannot be found (an
// answer we cannot check is no answer).
bool KADPeerIsOurUser(int socket);
