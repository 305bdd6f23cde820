// UDPSocket and UDPPeer: one polled, non-blocking UDP socket serving several remote peers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <netinet/in.h>
#include <vector>

class UDPSocket;

// The largest datagram IPv4 carries (65,535 less the IP and UDP headers).
constexpr std::size_t UDPLargestDatagram = 65507;

class UDPPeer {
public:
    using ReceiveFunction = void (*)(void* user, const std::uint8_t* data, std::size_t length);

    UDPPeer() = default;
    // A peer still bound leaves its socket's list, so the socket never calls a dead peer.
    ~UDPPeer();
    UDPPeer(const UDPPeer&) = delete;
    UDPPeer& operator=(const UDPPeer&) = delete;

    void SetReceiveCallback(ReceiveFunction function, void* user);
    // No callback and not bound.
    void Clear();
    // One sendto of the data; false only when the peer is not bound (a lost
    // datagram is the reliable layer's business).
    bool Send(const void* data, std::size_t length);

    const sockaddr_in& Address() const { return address_; }
    UDPSocket* Socket() const { return socket_; }
    ReceiveFunction Receiver() const { return receive_; }
    void* ReceiverUser() const { return user_; }

private:
    friend class UDPSocket;

    sockaddr_in address_{};
    ReceiveFunction receive_ = nullptr;
    void* user_ = nullptr;
    UDPSocket* socket_ = nullptr;
};

class UDPSocket {
public:
    // A datagram from an address no peer has: the callback may name a peer to take it.
    using NewSenderFunction = UDPPeer* (*)(void* user, const sockaddr_in& sender);

    UDPSocket() = default;
    // Closes the socket; the peers are not deleted but no longer bound.
    ~UDPSocket();
    UDPSocket(const UDPSocket&) = delete;
    UDPSocket& operator=(const UDPSocket&) = delete;

    // A non-blocking socket bound to any address and a port the system
    // picks; an open socket is closed first. False (no socket) when a step fails.
    bool Open();
    void Close();
    bool IsOpen() const { return handle_ >= 0; }
    int Handle() const { return handle_; }
    // The port the system picked, in host order; 0 without a socket.
    std::uint16_t LocalPort() const;

    // Moves the peer here from any socket it was bound to and resolves the
    // host (at most 5 s). The peer is added even when the name does not
    // resolve; its address then stays as it was. False in that case.
    bool AddPeer(const char* hostName, std::uint16_t port, UDPPeer& peer);
    // Unbinds the peer from whichever socket holds it.
    static void RemovePeer(UDPPeer& peer);
    void SetNewSenderCallback(NewSenderFunction function, void* user);

    // Receives at most one datagram and hands it to the peer it came from.
    // True when a datagram was taken (a caller drains by polling until false).
    bool Poll();

    std::size_t PeerCount() const { return peers_.size(); }

private:
    std::vector<UDPPeer*> peers_;
    int handle_ = -1;
    NewSenderFunction newSender_ = nullptr;
    void* newSenderUser_ = nullptr;
    std::vector<std::uint8_t> buffer_;
};
