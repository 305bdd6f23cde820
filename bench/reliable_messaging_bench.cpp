// Benchmark: reliable messages over UDP (throughput and round-trip latency, 0% and 5% loss) against raw UDP send/receive of the same payloads.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "assetdb/net/net_transport.h"
#include "assetdb/net/tme_endpoint.h"
#include "best_of.h"
#include "support/udp_loopback.h"

// The endpoint's timers run on a fake clock moved a fixed step per loop
// turn, so a lost datagram is resent after 10 simulated seconds (about 20
// turns) instead of 10 real ones; the times printed are wall-clock. By
// design one update resends at most one packet and the window is 60.

namespace {

constexpr int MessageCount = 20000;
constexpr int RoundTrips = 2000;
constexpr std::size_t PayloadSize = 1024;
constexpr double TurnStep = 0.5;
constexpr std::size_t RawWindow = 60;

class CountingEndpoint : public TMEEndpoint {
public:
    explicit CountingEndpoint(SecondsClock& clock) : TMEEndpoint(clock) {}
    bool SendPayload(const std::string& payload)
    {
        auto packet = std::make_unique<TMEPacket>();
        packet->WriteBytes(payload.data(), static_cast<std::int64_t>(payload.size()));
        return Send(packet);
    }
    int delivered = 0;
    // When set, every message delivered is answered with the same payload.
    bool echo = false;

protected:
    void Deliver(TMEPacket& packet) override
    {
        ++delivered;
        if (echo)
            SendPayload(std::string(static_cast<std::size_t>(packet.DataLength()), 'e'));
    }
};

// Two endpoints on two sockets, directly or through a lossy relay.
struct Link {
    explicit Link(double loss) : relay(Open(a), Open(b), {loss, 0.0, 0.0}, 2024), direct(loss == 0.0)
    {
        socketA.AddPeer("127.0.0.1", direct ? socketB.LocalPort() : relay.PortForA(), peerA);
        socketB.AddPeer("127.0.0.1", direct ? socketA.LocalPort() : relay.PortForB(), peerB);
        endpointA.Attach(peerA);
        endpointB.Attach(peerB);
    }
    std::uint16_t Open(int which)
    {
        UDPSocket& socket = which == 0 ? socketA : socketB;
        socket.Open();
        return socket.LocalPort();
    }
    void Turn()
    {
        endpointA.Update();
        endpointB.Update();
        if (!direct)
            relay.Pump();
        while (socketB.Poll()) {}
        while (socketA.Poll()) {}
        clock.Advance(TurnStep);
    }

    static constexpr int a = 0;
    static constexpr int b = 1;
    ManualClock clock;
    UDPSocket socketA, socketB;
    KorvelTest::LossyRelay relay;
    bool direct;
    UDPPeer peerA, peerB;
    CountingEndpoint endpointA{clock}, endpointB{clock};
};

double ReliableThroughput(double loss)
{
    return bench::BestOf(
        [&] {
            Link link(loss);
            std::string payload(PayloadSize, 'p');
            for (int sent = 0; sent < MessageCount;) {
                while (sent < MessageCount && link.endpointA.QueuedCount() < 500 && link.endpointA.SendPayload(payload))
                    ++sent;
                link.Turn();
            }
            while (link.endpointB.delivered < MessageCount)
                link.Turn();
        },
        3);
}

double ReliableRoundTrips(double loss)
{
    return bench::BestOf(
        [&] {
            Link link(loss);
            link.endpointB.echo = true;
            std::string payload(PayloadSize, 'p');
            for (int round = 0; round < RoundTrips; ++round) {
                link.endpointA.SendPayload(payload);
                while (link.endpointA.delivered <= round)
                    link.Turn();
            }
        },
        3);
}

double RawThroughput()
{
    return bench::BestOf(
        [&] {
            KorvelTest::RawUdpPeer sender, receiver;
            KorvelTest::Datagram payload(PayloadSize, 'p');
            KorvelTest::Datagram in;
            for (int sent = 0; sent < MessageCount;) {
                std::size_t batch = 0;
                for (; batch < RawWindow && sent < MessageCount; ++batch, ++sent)
                    sender.SendTo(receiver.Port(), payload);
                for (std::size_t taken = 0; taken < batch && receiver.Receive(in); ++taken) {}
            }
        },
        3);
}

double RawRoundTrips()
{
    return bench::BestOf(
        [&] {
            KorvelTest::RawUdpPeer a, b;
            KorvelTest::Datagram payload(PayloadSize, 'p');
            KorvelTest::Datagram in;
            for (int round = 0; round < RoundTrips; ++round) {
                a.SendTo(b.Port(), payload);
                b.Receive(in);
                b.Reply(in);
                a.Receive(in);
            }
        },
        3);
}

}  // namespace

int main()
{
    NetTransport::Startup();
    double rawThroughput = RawThroughput();
    double rawRoundTrip = RawRoundTrips();
    std::printf("raw UDP, %d x %zu-byte datagrams: %.1f ms (%.0f/s); %d round trips: %.1f us each\n", MessageCount,
                PayloadSize, rawThroughput * 1e3, MessageCount / rawThroughput, RoundTrips,
                rawRoundTrip / RoundTrips * 1e6);
    for (double loss : {0.0, 0.05}) {
        double throughput = ReliableThroughput(loss);
        double roundTrip = ReliableRoundTrips(loss);
        std::printf("reliable messages at %.0f%% loss: %.1f ms (%.0f/s), ratio %.2f; round trip %.1f us each, ratio "
                    "%.2f\n",
                    loss * 100, throughput * 1e3, MessageCount / throughput, throughput / rawThroughput,
                    roundTrip / RoundTrips * 1e6, roundTrip / rawRoundTrip);
    }
    NetTransport::Shutdown();
    return 0;
}
