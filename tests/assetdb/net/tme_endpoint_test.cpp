// TMEEndpoint against a raw loopback peer and through a seeded lossy relay, on a fake clock.
#include <gtest/gtest.h>

#include <string>

#include "assetdb/net/net_transport.h"
#include "assetdb/net/tme_endpoint.h"
#include "support/udp_loopback.h"

namespace {

using KorvelTest::Datagram;
using KorvelTest::RawUdpPeer;

class RecordingEndpoint : public TMEEndpoint {
public:
    explicit RecordingEndpoint(SecondsClock& clock) : TMEEndpoint(clock) {}

    bool SendText(const std::string& text)
    {
        auto packet = std::make_unique<TMEPacket>();
        packet->WriteBytes(text.data(), static_cast<std::int64_t>(text.size()));
        return Send(packet);
    }
    using TMEEndpoint::DropAcknowledged;

    std::vector<std::string> delivered;
    int resets = 0;

protected:
    void Deliver(TMEPacket& packet) override
    {
        std::string text(static_cast<std::size_t>(packet.DataLength()), '\0');
        packet.ReadBytes(text.data(), packet.DataLength());
        delivered.push_back(text);
    }
    void Reset() override { ++resets; }
};

Datagram Bytes(std::uint8_t sequence, std::uint8_t ack, const std::string& payload = "")
{
    Datagram bytes{sequence, ack};
    bytes.insert(bytes.end(), payload.begin(), payload.end());
    return bytes;
}

class TMEEndpointTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { NetTransport::Startup(); }

    void SetUp() override
    {
        ASSERT_TRUE(socket.Open());
        socket.AddPeer("127.0.0.1", remote.Port(), peer);
        endpoint.Attach(peer);
    }

    // Sends from the raw peer and lets the endpoint take it.
    void Arrive(const Datagram& bytes)
    {
        remote.SendTo(socket.LocalPort(), bytes);
        pollfd ready{socket.Handle(), POLLIN, 0};
        ASSERT_EQ(poll(&ready, 1, 2000), 1);
        ASSERT_TRUE(socket.Poll());
    }
    Datagram Next()
    {
        Datagram bytes;
        EXPECT_TRUE(remote.Receive(bytes));
        return bytes;
    }

    ManualClock clock{100.0};
    UDPSocket socket;
    UDPPeer peer;
    RawUdpPeer remote;
    RecordingEndpoint endpoint{clock};
};

TEST_F(TMEEndpointTest, SendsSequencedDatagramsAndAcknowledgesWithinASecond)
{
    ASSERT_TRUE(endpoint.SendText("a"));
    ASSERT_TRUE(endpoint.SendText("bc"));
    endpoint.Update();
    EXPECT_EQ(Next(), Bytes(1, 0, "a"));
    EXPECT_EQ(Next(), Bytes(2, 0, "bc"));
    EXPECT_EQ(endpoint.InFlightCount(), 2u);

    Arrive(Bytes(1, 1, "x"));
    EXPECT_EQ(endpoint.delivered, std::vector<std::string>{"x"});
    EXPECT_EQ(endpoint.InFlightCount(), 1u);
    Arrive(Bytes(0, 2));
    EXPECT_EQ(endpoint.InFlightCount(), 0u);
    clock.Advance(0.5);
    endpoint.Update();
    EXPECT_TRUE(remote.Drain().empty());
    clock.Advance(0.6);
    endpoint.Update();
    EXPECT_EQ(Next(), Bytes(0, 1));
    // Only the keep-alive interval makes the next one.
    clock.Advance(119);
    endpoint.Update();
    EXPECT_TRUE(remote.Drain().empty());
    clock.Advance(1.5);
    endpoint.Update();
    EXPECT_EQ(Next(), Bytes(0, 1));
}

TEST_F(TMEEndpointTest, AfterSequence255ComesOneAndItsAcknowledgementCovers255)
{
    for (int number = 1; number <= 254; ++number) {
        ASSERT_TRUE(endpoint.SendText("p"));
        endpoint.Update();
        ASSERT_EQ(Next()[0], number);
        Arrive(Bytes(0, static_cast<std::uint8_t>(number)));
    }
    EXPECT_EQ(endpoint.InFlightCount(), 0u);
    endpoint.SendText("255");
    endpoint.SendText("after");
    endpoint.Update();
    EXPECT_EQ(Next(), Bytes(255, 0, "255"));
    EXPECT_EQ(Next(), Bytes(1, 0, "after"));
    Arrive(Bytes(0, 1));
    EXPECT_EQ(endpoint.InFlightCount(), 0u);
}

TEST_F(TMEEndpointTest, PacketsAheadAreHeldAndDeliveredInOrderOnce)
{
    Arrive(Bytes(1, 0, "one"));
    Arrive(Bytes(3, 0, "three"));
    Arrive(Bytes(4, 0, "four"));
    Arrive(Bytes(4, 0, "four again"));
    EXPECT_EQ(endpoint.HeldCount(), 2u);
    EXPECT_EQ(endpoint.delivered, std::vector<std::string>{"one"});
    Arrive(Bytes(2, 0, "two"));
    Arrive(Bytes(3, 0, "three again"));
    EXPECT_EQ(endpoint.delivered, (std::vector<std::string>{"one", "two", "three", "four"}));
    EXPECT_EQ(endpoint.HeldCount(), 0u);
}

TEST_F(TMEEndpointTest, ARepeatIsNotDeliveredAgainAndIsAcknowledgedAgain)
{
    Arrive(Bytes(1, 0, "one"));
    clock.Advance(1.5);
    endpoint.Update();
    EXPECT_EQ(Next(), Bytes(0, 1));
    // The other side lost that acknowledgement and sends 1 again.
    Arrive(Bytes(1, 0, "one"));
    EXPECT_EQ(endpoint.delivered, std::vector<std::string>{"one"});
    clock.Advance(1.5);
    endpoint.Update();
    EXPECT_EQ(Next(), Bytes(0, 1));
}

TEST_F(TMEEndpointTest, AGoodbyeDetachesAndIsAnswered)
{
    int resetsBefore = endpoint.resets;
    Arrive(Bytes(0, 0, std::string(1, '\0')));
    EXPECT_FALSE(endpoint.IsAttached());
    EXPECT_EQ(endpoint.resets, resetsBefore + 1);
    EXPECT_EQ(Next(), Bytes(0, 0, std::string(1, '\0')));
    EXPECT_FALSE(endpoint.SendText("refused"));
    // Detached: nothing more is taken from the peer.
    remote.SendTo(socket.LocalPort(), Bytes(1, 0, "late"));
    pollfd ready{socket.Handle(), POLLIN, 0};
    ASSERT_EQ(poll(&ready, 1, 2000), 1);
    socket.Poll();
    EXPECT_TRUE(endpoint.delivered.empty());
}

TEST_F(TMEEndpointTest, TheWindowHoldsSixtyAndTheQueueAThousandAndOne)
{
    for (int i = 0; i < 1001; ++i)
        ASSERT_TRUE(endpoint.SendText(std::to_string(i)));
    EXPECT_FALSE(endpoint.SendText("1002nd"));
    endpoint.Update();
    EXPECT_EQ(endpoint.InFlightCount(), 60u);
    EXPECT_EQ(remote.Drain().size(), 60u);
    Arrive(Bytes(0, 1));
    endpoint.Update();
    std::vector<Datagram> sent = remote.Drain();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0], Bytes(61, 0, "60"));
}

TEST_F(TMEEndpointTest, UnansweredPacketsAreResentEveryTenSecondsFiveTimesThenThePeerIsDropped)
{
    endpoint.SendText("hello?");
    endpoint.Update();
    EXPECT_EQ(Next(), Bytes(1, 0, "hello?"));
    for (int resend = 2; resend <= 5; ++resend) {
        clock.Advance(10.0);
        endpoint.Update();
        EXPECT_TRUE(remote.Drain().empty()) << resend;
        clock.Advance(0.5);
        endpoint.Update();
        EXPECT_EQ(Next(), Bytes(1, 0, "hello?")) << resend;
    }
    clock.Advance(10.5);
    endpoint.Update();
    EXPECT_EQ(Next(), Bytes(0, 0, std::string(1, '\0')));
    EXPECT_FALSE(endpoint.IsAttached());
    EXPECT_EQ(endpoint.InFlightCount(), 0u);
}

TEST_F(TMEEndpointTest, SixHundredSecondsOfSilenceClose)
{
    endpoint.SetKeepAliveInterval(1000);
    clock.Advance(599);
    endpoint.Update();
    EXPECT_TRUE(endpoint.IsAttached());
    clock.Advance(2);
    endpoint.Update();
    EXPECT_FALSE(endpoint.IsAttached());
    EXPECT_EQ(Next(), Bytes(0, 0, std::string(1, '\0')));
}

TEST_F(TMEEndpointTest, BadDatagramsAreRefusedWithoutHarm)
{
    endpoint.SendText("kept");
    endpoint.Update();
    Next();
    struct Case {
        const char* name;
        Datagram bytes;
    } cases[] = {
        {"empty", {}},
        {"one byte", {1}},
        {"payload over 32768 bytes", Bytes(1, 0, std::string(32769, 'x'))},
        {"acknowledgement of something never sent", Bytes(0, 9)},
        {"acknowledgement far ahead", Bytes(0, 100)},
        {"sequence far behind", Bytes(200, 0, "old")},
        {"control packet of two bytes", Bytes(0, 0, "zz")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Arrive(c.bytes);
        EXPECT_TRUE(endpoint.IsAttached());
        EXPECT_TRUE(endpoint.delivered.empty());
        EXPECT_EQ(endpoint.InFlightCount(), 1u);
    }
    // A stranger's datagram never reaches the endpoint.
    RawUdpPeer stranger;
    stranger.SendTo(socket.LocalPort(), Bytes(1, 1, "forged"));
    pollfd ready{socket.Handle(), POLLIN, 0};
    ASSERT_EQ(poll(&ready, 1, 2000), 1);
    socket.Poll();
    EXPECT_TRUE(endpoint.delivered.empty());
    EXPECT_EQ(endpoint.InFlightCount(), 1u);
    Arrive(Bytes(1, 1, "real"));
    EXPECT_EQ(endpoint.delivered, std::vector<std::string>{"real"});
    EXPECT_EQ(endpoint.InFlightCount(), 0u);
}

TEST_F(TMEEndpointTest, AHoldListAtItsLimitDropsWhatWouldOverflowIt)
{
    for (int number = 2; number <= 102; ++number)
        Arrive(Bytes(static_cast<std::uint8_t>(number), 0, std::to_string(number)));
    EXPECT_EQ(endpoint.HeldCount(), 100u);
    Arrive(Bytes(1, 0, "1"));
    ASSERT_EQ(endpoint.delivered.size(), 101u);
    EXPECT_EQ(endpoint.delivered.back(), "101");
    // 102 was dropped for lack of room; its resend is delivered.
    Arrive(Bytes(102, 0, "102"));
    EXPECT_EQ(endpoint.delivered.back(), "102");
}

// Two endpoints through a relay that loses, repeats and reorders: every
// message arrives once, in order, both ways.
TEST(TMEEndpointRelay, EveryMessageArrivesOnceInOrderThroughALossyRelay)
{
    NetTransport::Startup();
    struct Case {
        const char* name;
        KorvelTest::LossyRelay::Faults faults;
    } cases[] = {
        {"clean", {0.0, 0.0, 0.0}},
        {"lossy", {0.10, 0.0, 0.0}},
        {"lossy, repeating, reordering", {0.10, 0.10, 0.15}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ManualClock clock(0.0);
        UDPSocket socketA, socketB;
        ASSERT_TRUE(socketA.Open());
        ASSERT_TRUE(socketB.Open());
        KorvelTest::LossyRelay relay(socketA.LocalPort(), socketB.LocalPort(), c.faults, 1234);
        UDPPeer peerA, peerB;
        socketA.AddPeer("127.0.0.1", relay.PortForA(), peerA);
        socketB.AddPeer("127.0.0.1", relay.PortForB(), peerB);
        RecordingEndpoint a(clock), b(clock);
        a.Attach(peerA);
        b.Attach(peerB);
        constexpr int Count = 400;
        std::vector<std::string> expected;
        for (int i = 0; i < Count; ++i) {
            expected.push_back("message " + std::to_string(i));
            ASSERT_TRUE(a.SendText(expected.back()));
            ASSERT_TRUE(b.SendText(expected.back()));
        }
        for (int step = 0; step < 20000 && (a.delivered.size() < Count || b.delivered.size() < Count); ++step) {
            a.Update();
            b.Update();
            relay.Pump();
            while (socketA.Poll()) {}
            while (socketB.Poll()) {}
            clock.Advance(0.25);
        }
        EXPECT_EQ(a.delivered, expected);
        EXPECT_EQ(b.delivered, expected);
        EXPECT_TRUE(a.IsAttached());
        EXPECT_TRUE(b.IsAttached());
    }
}

}  // namespace
