// Fuzz target: datagrams from the online-access service into the reliable layer and the client's packet handler, and a saved message store.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "assetdb/online_access_client.h"
#include "foundation/streams/t_buffer.h"

// Input: a mode byte, then records of a 16-bit little-endian length and that
// many bytes. Mode 0: the rest is a saved message store. Mode 1: each record
// is a whole datagram (sequencing, holding, acknowledgements). Otherwise:
// each record is a packet payload sent in order, so every one reaches the
// packet handler. Login packets are left out: they ask the daemon.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    ManualClock clock(1.0);
    OnlineAccessClientEndpoint client(OnlineAccessServiceAddress(), clock);
    if (data[0] == 0) {
        TBuffer store;
        store.WriteBytes(data + 1, static_cast<std::int64_t>(size - 1));
        store.Rewind();
        client.LoadStoredMessages(store);
        TBuffer saved;
        client.SaveStoredMessages(saved);
        return 0;
    }
    UDPPeer peer;
    client.Attach(peer);
    std::uint8_t sequence = 0;
    for (size_t at = 1; at + 2 <= size;) {
        size_t length = data[at] | (size_t(data[at + 1]) << 8);
        at += 2;
        if (length > size - at)
            length = size - at;
        std::vector<std::uint8_t> datagram;
        if (data[0] != 1) {
            sequence = sequence == 255 ? 1 : sequence + 1;
            datagram = {sequence, 0};
        }
        datagram.insert(datagram.end(), data + at, data + at + length);
        at += length;
        bool login = data[0] != 1 && length > 0 && (data[at - length] == 1 || data[at - length] == 3);
        if (login || peer.Receiver() == nullptr)
            continue;
        peer.Receiver()(peer.ReceiverUser(), datagram.data(), datagram.size());
        clock.Advance(0.5);
        client.TMEEndpoint::Update();
    }
    return 0;
}
