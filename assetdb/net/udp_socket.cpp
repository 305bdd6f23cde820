// UDPSocket and UDPPeer: open, bind peers, poll one datagram, send.
#include "assetdb/net/udp_socket.h"

#include <algorithm>
#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

#include "assetdb/net/host_resolver.h"

UDPPeer::~UDPPeer()
{
    UDPSocket::RemovePeer(*this);
}

void UDPPeer::SetReceiveCallback(ReceiveFunction function, void* user)
{
    receive_ = function;
    user_ = user;
}

void UDPPeer::Clear()
{
    UDPSocket::RemovePeer(*this);
    receive_ = nullptr;
    user_ = nullptr;
}

bool UDPPeer::Send(const void* data, std::size_t length)
{
    if (socket_ == nullptr)
        return false;
    if (socket_->IsOpen())
        sendto(socket_->Handle(), data, length, MSG_NOSIGNAL, reinterpret_cast<const sockaddr*>(&address_),
               sizeof address_);
    return true;
}

UDPSocket::~UDPSocket()
{
    Close();
    for (UDPPeer* peer : peers_)
        peer->socket_ = nullptr;
}

bool UDPSocket::Open()
{
    Close();
    int handle = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_UDP);
    if (handle < 0)
        return false;
    sockaddr_in any{};
    any.sin_family = AF_INET;
    any.sin_addr.s_addr = htonl(INADDR_ANY);
    any.sin_port = 0;
    if (bind(handle, reinterpret_cast<const sockaddr*>(&any), sizeof any) != 0) {
        close(handle);
        return false;
    }
    handle_ = handle;
    return true;
}

void UDPSocket::Close()
{
    if (handle_ >= 0)
        close(handle_);
    handle_ = -1;
}

std::uint16_t UDPSocket::LocalPort() const
{
    sockaddr_in address{};
    socklen_t length = sizeof address;
    if (handle_ < 0 || getsockname(handle_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return 0;
    return ntohs(address.sin_port);
}

bool UDPSocket::AddPeer(const char* hostName, std::uint16_t port, UDPPeer& peer)
{
    RemovePeer(peer);
    sockaddr_in resolved{};
    bool found = ResolveHostAsync(hostName, port, resolved);
    if (found)
        peer.address_ = resolved;
    peers_.push_back(&peer);
    peer.socket_ = this;
    return found;
}

void UDPSocket::RemovePeer(UDPPeer& peer)
{
    UDPSocket* socket = peer.socket_;
    if (socket == nullptr)
        return;
    auto& peers = socket->peers_;
    peers.erase(std::remove(peers.begin(), peers.end(), &peer), peers.end());
    peer.socket_ = nullptr;
}

void UDPSocket::SetNewSenderCallback(NewSenderFunction function, void* user)
{
    newSender_ = function;
    newSenderUser_ = user;
}

bool UDPSocket::Poll()
{
    if (handle_ < 0)
        return false;
    // One buffer for the socket's life: no allocation per datagram. One byte
    // more than the largest datagram, so nothing is ever cut.
    if (buffer_.empty())
        buffer_.resize(UDPLargestDatagram + 1);
    sockaddr_in sender{};
    socklen_t senderLength = sizeof sender;
    ssize_t received =
        recvfrom(handle_, buffer_.data(), buffer_.size(), 0, reinterpret_cast<sockaddr*>(&sender), &senderLength);
    if (received < 0)
        return false;
    // An empty datagram is taken and dropped: no peer gets it.
    if (received == 0)
        return true;
    std::size_t length = static_cast<std::size_t>(received);
    for (UDPPeer* peer : peers_) {
        if (peer->address_.sin_port == sender.sin_port && peer->address_.sin_addr.s_addr == sender.sin_addr.s_addr) {
            if (peer->receive_ != nullptr)
                peer->receive_(peer->user_, buffer_.data(), length);
            return true;
        }
    }
    if (newSender_ != nullptr) {
        UDPPeer* peer = newSender_(newSenderUser_, sender);
        if (peer != nullptr && peer->receive_ != nullptr)
            peer->receive_(peer->user_, buffer_.data(), length);
    }
    return true;
}
