// The online-access service's side on loopback: datagram fields written by hand and a raw peer that logs a client endpoint in.
#pragma once

#include <gtest/gtest.h>

#include <poll.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "assetdb/online_access_client.h"
#include "support/udp_loopback.h"

namespace KorvelTest {

// Field forms written by hand: String = u32 size + bytes; PString = u32
// (size + 1) + bytes + NUL; little-endian numbers.
struct Wire {
    Datagram bytes;
    Wire& U8(std::uint8_t value)
    {
        bytes.push_back(value);
        return *this;
    }
    Wire& U16(std::uint16_t value)
    {
        bytes.push_back(static_cast<std::uint8_t>(value));
        bytes.push_back(static_cast<std::uint8_t>(value >> 8));
        return *this;
    }
    Wire& U32(std::uint32_t value)
    {
        for (int shift = 0; shift < 32; shift += 8)
            bytes.push_back(static_cast<std::uint8_t>(value >> shift));
        return *this;
    }
    Wire& F32(float value)
    {
        std::uint32_t word;
        std::memcpy(&word, &value, 4);
        return U32(word);
    }
    Wire& Str(const std::string& text)
    {
        U32(static_cast<std::uint32_t>(text.size()));
        bytes.insert(bytes.end(), text.begin(), text.end());
        return *this;
    }
    Wire& PStr(const std::string& text)
    {
        Str(text + std::string(1, '\0'));
        bytes[bytes.size() - text.size() - 5] = static_cast<std::uint8_t>(text.size() + 1);
        return *this;
    }
    Wire& Raw(const Datagram& more)
    {
        bytes.insert(bytes.end(), more.begin(), more.end());
        return *this;
    }
};

// The service as one raw UDP socket: reads what a client endpoint sends and
// answers with sequenced packets, each taken by one update of the client.
class OnlineServicePeer {
public:
    std::uint16_t Port() const { return socket_.Port(); }

    // The client's next datagram, after the update that sends it.
    Datagram FromClient(OnlineAccessClientEndpoint& client)
    {
        client.Update();
        Datagram bytes;
        EXPECT_TRUE(socket_.Receive(bytes));
        return bytes;
    }
    void FromService(OnlineAccessClientEndpoint& client, const Datagram& payload)
    {
        Datagram bytes{++serviceSequence_, clientSequenceSeen_};
        bytes.insert(bytes.end(), payload.begin(), payload.end());
        socket_.Reply(bytes);
        pollfd ready{client.SocketHandle(), POLLIN, 0};
        ASSERT_EQ(poll(&ready, 1, 2000), 1);
        client.Update();
    }
    // After the client's Connect with a ticket: hello, challenge, answer, result.
    void LogIn(OnlineAccessClientEndpoint& client)
    {
        clientSequenceSeen_ = FromClient(client)[0];
        FromService(client, Wire().U8(1).Str("").Str("").bytes);
        clientSequenceSeen_ = FromClient(client)[0];
        FromService(client, Wire().U8(3).Str("").U32(32000).F32(30.0f).bytes);
        ASSERT_EQ(client.GetState(), OnlineConnected);
    }
    // The packets the client sends at its next update, without the two
    // header bytes; the service acknowledges them from then on.
    std::vector<Datagram> Packets(OnlineAccessClientEndpoint& client)
    {
        client.Update();
        std::vector<Datagram> packets;
        for (const Datagram& datagram : socket_.Drain()) {
            if (datagram.size() <= 2)
                continue;
            clientSequenceSeen_ = datagram[0];
            packets.emplace_back(datagram.begin() + 2, datagram.end());
        }
        return packets;
    }

private:
    RawUdpPeer socket_;
    std::uint8_t serviceSequence_ = 0;
    std::uint8_t clientSequenceSeen_ = 0;
};

}  // namespace KorvelTest
