// Loopback UDP fixtures: a raw peer that speaks bytes, and a lossy relay that drops, duplicates and reorders with a fixed seed.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <random>
#include <vector>

namespace KorvelTest {

using Datagram = std::vector<std::uint8_t>;

inline sockaddr_in LoopbackAddress(std::uint16_t port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    return address;
}

// A plain UDP socket on 127.0.0.1: sends bytes to a port and receives
// whatever arrives, independent of the code under test.
class RawUdpPeer {
public:
    RawUdpPeer()
    {
        handle_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in address = LoopbackAddress(0);
        bind(handle_, reinterpret_cast<const sockaddr*>(&address), sizeof address);
        socklen_t length = sizeof address;
        getsockname(handle_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        int size = 4 << 20;
        setsockopt(handle_, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
    }
    ~RawUdpPeer() { close(handle_); }
    RawUdpPeer(const RawUdpPeer&) = delete;
    RawUdpPeer& operator=(const RawUdpPeer&) = delete;

    std::uint16_t Port() const { return port_; }
    int Handle() const { return handle_; }

    void SendTo(std::uint16_t port, const Datagram& bytes) const
    {
        sockaddr_in to = LoopbackAddress(port);
        sendto(handle_, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    }
    // Answers whoever sent the last datagram received.
    void Reply(const Datagram& bytes) const { SendTo(lastSender_, bytes); }

    // Waits up to the bound for one datagram; false when none came. The
    // bound only keeps a broken peer from hanging a test.
    bool Receive(Datagram& out, int waitMilliseconds = 2000)
    {
        pollfd ready{handle_, POLLIN, 0};
        if (poll(&ready, 1, waitMilliseconds) <= 0)
            return false;
        out.resize(70000);
        sockaddr_in from{};
        socklen_t length = sizeof from;
        ssize_t received = recvfrom(handle_, out.data(), out.size(), 0, reinterpret_cast<sockaddr*>(&from), &length);
        if (received < 0)
            return false;
        out.resize(static_cast<std::size_t>(received));
        lastSender_ = ntohs(from.sin_port);
        return true;
    }
    // Every datagram already waiting, without blocking.
    std::vector<Datagram> Drain()
    {
        std::vector<Datagram> all;
        Datagram one;
        while (Receive(one, 0))
            all.push_back(one);
        return all;
    }

private:
    int handle_ = -1;
    std::uint16_t port_ = 0;
    std::uint16_t lastSender_ = 0;
};

// Sits between two parties on loopback: whatever one sends to its near
// port goes out of the other side. Pump moves what is waiting, dropping,
// duplicating and holding back (to reorder) datagrams by a seeded draw, so a
// run is the same every time.
class LossyRelay {
public:
    struct Faults {
        double drop = 0.0;
        double duplicate = 0.0;
        double reorder = 0.0;
    };

    LossyRelay(std::uint16_t portA, std::uint16_t portB, Faults faults, std::uint32_t seed)
        : faults_(faults), random_(seed)
    {
        sides_[0].target = portA;
        sides_[1].target = portB;
    }

    // The port party A sends to (it reaches B), and the one B sends to.
    std::uint16_t PortForA() const { return sides_[0].socket.Port(); }
    std::uint16_t PortForB() const { return sides_[1].socket.Port(); }

    // Moves every waiting datagram once; returns how many were taken. A
    // datagram held back goes out at the end of the next pump, behind the
    // ones that overtook it.
    int Pump()
    {
        int taken = 0;
        for (int from = 0; from < 2; ++from) {
            Side& in = sides_[from];
            Side& out = sides_[1 - from];
            Datagram overtaken = std::move(in.heldBack);
            in.heldBack.clear();
            Datagram bytes;
            while (in.socket.Receive(bytes, 0)) {
                ++taken;
                if (Draw() < faults_.drop)
                    continue;
                if (in.heldBack.empty() && Draw() < faults_.reorder) {
                    in.heldBack = bytes;
                    continue;
                }
                out.socket.SendTo(out.target, bytes);
                if (Draw() < faults_.duplicate)
                    out.socket.SendTo(out.target, bytes);
            }
            if (!overtaken.empty())
                out.socket.SendTo(out.target, overtaken);
        }
        return taken;
    }

private:
    struct Side {
        RawUdpPeer socket;
        std::uint16_t target = 0;
        Datagram heldBack;
    };

    double Draw() { return std::uniform_real_distribution<double>(0.0, 1.0)(random_); }

    Faults faults_;
    std::mt19937 random_;
    Side sides_[2];
};

}  // namespace KorvelTest
