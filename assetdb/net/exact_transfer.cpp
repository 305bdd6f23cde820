// ReceiveExact / SendExact: whole-message transfers on the daemon link's socket.
#include "assetdb/net/net_transport.h"

#include <algorithm>
#include <cerrno>
#include <sys/socket.h>

#include "platform/socket_io.h"

namespace {

// Pieces stay at 32 KiB so a large message never asks the kernel for more
// than one socket buffer at a time.
constexpr int32_t MaxPiece = 0x8000;

bool CanTransfer(const NetTransport& transport)
{
    return transport.GetState() == NetTransportUsable && transport.GetSocket() >= 0;
}

}  // namespace

bool ReceiveExact(NetTransport& transport, void* buffer, int32_t length)
{
    auto* cursor = static_cast<char*>(buffer);
    int32_t remaining = length;
    while (remaining > 0) {
        if (!CanTransfer(transport))
            return false;
        ssize_t got = Platform::ReceiveSome(transport.GetSocket(), cursor, std::min(remaining, MaxPiece));
        if (got <= 0) {
            transport.SetFailure(NetTransportTransferFailed);
            return false;
        }
        cursor += got;
        remaining -= static_cast<int32_t>(got);
    }
    return true;
}

bool SendExact(NetTransport& transport, const void* data, int32_t length)
{
    const auto* cursor = static_cast<const char*>(data);
    int32_t remaining = length;
    while (remaining > 0) {
        if (!CanTransfer(transport))
            return false;
        ssize_t sent = Platform::SendSome(transport.GetSocket(), cursor, std::min(remaining, MaxPiece));
        if (sent < 0) {
            transport.SetFailure(NetTransportTransferFailed);
            return false;
        }
        // A result of 0 sends the same piece again.
        cursor += sent;
        remaining -= static_cast<int32_t>(sent);
    }
    return true;
}
