// Whose process is at the other end of a loopback connection.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string_view>

// Finds, in the text of /proc/net/tcp, the established socket whose own port
// is localPort and whose peer port is remotePort, and gives its owner.
bool KadFindTcpSocketOwner(std::string_view table, std::uint16_t localPort, std::uint16_t remotePort, uid_t& owner);

// The database belongs to one user: a loopback connection from another
// user's process is refused. True when the peer runs as our user, and also
// when its socket cannot be found (the table is a snapshot, and refusing our
// own clients on a race would be worse); false only for a known other owner.
bool KadPeerIsOurUser(int socket);
