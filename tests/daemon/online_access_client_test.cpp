// OnlineAccessClientEndpoint against a raw UDP service on loopback, with the real daemon keeping the profile and ticket, on a fake clock.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "assetdb/online_access_client.h"
#include "foundation/streams/t_buffer.h"
#include "online_client_test_support.h"
#include "support/online_service_wire.h"
#include "support/udp_loopback.h"

namespace {

using KorvelTest::Datagram;

using KorvelTest::Wire;

Datagram MessageBytes(const OnlineAccessMessage& message, bool versioned)
{
    TBuffer buffer;
    if (versioned)
        WriteVersionedForm(message, buffer);
    else
        message.Write(buffer);
    return Datagram(buffer.Data(), buffer.Data() + buffer.DataLength());
}

class RecordingClient : public OnlineAccessClientBase {
public:
    explicit RecordingClient(const KUID& id) : OnlineAccessClientBase(id) {}
    void ReceiveMessage(std::unique_ptr<OnlineAccessMessage> message) override
    {
        received.push_back(std::move(message));
    }
    std::vector<std::unique_ptr<OnlineAccessMessage>> received;
};

class OnlineAccessClientTest : public ConnectedClientTest {
protected:
    void SetUp() override
    {
        ConnectedClientTest::SetUp();
        address.host = "127.0.0.1";
        address.port = service.Port() == 0 ? 0 : serviceSocket.Port();
        address.loginUrl = std::string(RewrittenServer) + "/login";
        client = std::make_unique<OnlineAccessClientEndpoint>(address, clock);
    }
    void TearDown() override
    {
        client.reset();
        ConnectedClientTest::TearDown();
    }

    void SetAccount(const std::string& user, const std::string& ticket)
    {
        ASSERT_TRUE(
            KADClient::SetSetting(Zel::PString("internet"), Zel::PString("username"), Zel::PString(user.c_str())));
        ASSERT_TRUE(
            KADClient::SetSetting(Zel::PString("online"), Zel::PString("ticket"), Zel::PString(ticket.c_str())));
    }

    // The service's next datagram (after the client's update sent it).
    Datagram FromClient()
    {
        client->Update();
        Datagram bytes;
        EXPECT_TRUE(serviceSocket.Receive(bytes));
        return bytes;
    }
    // One sequenced packet from the service, taken by one update.
    void FromService(const Datagram& payload)
    {
        Datagram bytes{++serviceSequence, clientSequenceSeen};
        bytes.insert(bytes.end(), payload.begin(), payload.end());
        FromServiceControl(bytes);
    }
    void FromServiceControl(const Datagram& bytes)
    {
        serviceSocket.Reply(bytes);
        pollfd ready{client->SocketHandle(), POLLIN, 0};
        ASSERT_EQ(poll(&ready, 1, 2000), 1);
        client->Update();
    }
    // Ticks the client until the daemon's login-page query completed; the
    // bound only stops a broken daemon from hanging the test.
    void WaitForLoginPage()
    {
        for (int i = 0; i < 3000 && client->HasPendingLogin(); ++i) {
            clock.Advance(0.01);
            client->Update();
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }
    // Logs in: hello, challenge, answer, result.
    void LogIn(std::uint32_t largest = 32000, float keepAlive = 30.0f)
    {
        SetAccount("driver", "ticket-1");
        ASSERT_TRUE(client->Connect(false));
        Datagram hello = FromClient();
        clientSequenceSeen = hello[0];
        FromService(Wire().U8(1).Str("").Str("").bytes);
        Datagram answer = FromClient();
        clientSequenceSeen = answer[0];
        ASSERT_EQ(answer, Wire().U8(2).U8(serviceSequence).U8(2).Str("ticket-1").bytes);
        FromService(Wire().U8(3).Str("").U32(largest).F32(keepAlive).bytes);
        ASSERT_EQ(client->GetState(), OnlineConnected);
    }

    ManualClock clock{1000.0};
    KorvelTest::RawUdpPeer serviceSocket;
    OnlineAccessServiceAddress address;
    std::unique_ptr<OnlineAccessClientEndpoint> client;
    std::uint8_t serviceSequence = 0;
    std::uint8_t clientSequenceSeen = 0;
};

TEST_F(OnlineAccessClientTest, AnEmptyProfileNameSetsStateZeroAndSendsNothing)
{
    EXPECT_FALSE(client->Connect(false));
    EXPECT_EQ(client->GetState(), OnlineNoProfile);
    client->Update();
    EXPECT_TRUE(serviceSocket.Drain().empty());
}

TEST_F(OnlineAccessClientTest, LoginSendsHelloAndTicketAndTakesTheServiceLimits)
{
    SetAccount("driver", "ticket-1");
    ASSERT_TRUE(client->Connect(false));
    EXPECT_EQ(client->GetState(), OnlineConnecting);
    EXPECT_FALSE(client->Connect(false));
    EXPECT_EQ(FromClient(), Wire().U8(1).U8(0).U8(0).Str("driver").Str("KorvelUtil").F32(0).U32(0).U8(0).bytes);
    clientSequenceSeen = 1;
    FromService(Wire().U8(1).Str("").Str("unused").bytes);
    EXPECT_EQ(FromClient(), Wire().U8(2).U8(1).U8(2).Str("ticket-1").bytes);
    clientSequenceSeen = 2;
    FromService(Wire().U8(3).Str("").U32(1000).F32(45.0f).bytes);
    EXPECT_EQ(client->GetState(), OnlineConnected);
    EXPECT_EQ(client->LargestMessage(), 1000.0f);
    EXPECT_EQ(client->KeepAliveInterval(), 45.0);

    // 1 type byte + KUID 8 + string 4 + n + soup 16 + version 4 + flag 1 = 34 + n.
    EXPECT_EQ(client->PostUserMessage(KUID(1, 2, 0), std::string(967, 'r'), SoupHandle(), false), OnlinePostOverBudget);
    EXPECT_EQ(client->PostUserMessage(KUID(1, 2, 0), std::string(966, 'r'), SoupHandle(), true), OnlinePostSent);
}

TEST_F(OnlineAccessClientTest, RefusalsAndDamagedAnswersDuringLogin)
{
    struct Case {
        const char* name;
        Datagram challenge;
        Datagram result;
        std::int32_t state;
        bool ticketKept;
    } cases[] = {
        {"challenge refused", Wire().U8(1).Str("banned").Str("").bytes, {}, OnlineRejected, true},
        {"result refused", Wire().U8(1).Str("").Str("").bytes, Wire().U8(3).Str("bad ticket").U32(0).F32(0).bytes,
         OnlineRejected, false},
        {"result cut short", Wire().U8(1).Str("").Str("").bytes, Wire().U8(3).Str("").U32(1).bytes, OnlineConnecting,
         true},
        {"challenge cut short", Wire().U8(1).U8(5).bytes, {}, OnlineConnecting, true},
        {"unknown type", Wire().U8(99).bytes, {}, OnlineConnecting, true},
        {"keep-alive of zero kept at its old value", Wire().U8(1).Str("").Str("").bytes,
         Wire().U8(3).Str("").U32(500).F32(0).bytes, OnlineConnected, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // The previous client's goodbye must not pass for this one's hello.
        client.reset();
        serviceSocket.Drain();
        client = std::make_unique<OnlineAccessClientEndpoint>(address, clock);
        serviceSequence = 0;
        SetAccount("driver", "ticket-1");
        ASSERT_TRUE(client->Connect(false));
        clientSequenceSeen = FromClient()[0];
        FromService(c.challenge);
        if (!c.result.empty()) {
            clientSequenceSeen = FromClient()[0];
            FromService(c.result);
        }
        EXPECT_EQ(client->GetState(), c.state);
        EXPECT_EQ(client->KeepAliveInterval(), 120.0);
        EXPECT_EQ(KADClient::GetOnlineLoginTicket().Size() != 0, c.ticketKept);
    }
}

TEST_F(OnlineAccessClientTest, WithoutATicketTheLoginPageRunsAndTheClientRetriesWhenItCompletes)
{
    service.ServeFile("/login", "log in here");
    SetAccount("driver", "");
    EXPECT_FALSE(client->Connect(false));
    EXPECT_EQ(client->GetState(), OnlineConnecting);
    EXPECT_TRUE(client->HasPendingLogin());
    // The login handler stores a ticket while its page is open.
    SetAccount("driver", "ticket-2");
    WaitForLoginPage();
    ASSERT_FALSE(client->HasPendingLogin());
    EXPECT_EQ(client->GetState(), OnlineConnecting);
    client->Update();
    Datagram hello;
    ASSERT_TRUE(serviceSocket.Receive(hello));
    EXPECT_EQ(hello[2], 0);
    EXPECT_EQ(service.Hits("/login"), 1);
}

TEST_F(OnlineAccessClientTest, AFailedLoginPageDisconnects)
{
    SetAccount("driver", "");
    EXPECT_FALSE(client->Connect(false));
    WaitForLoginPage();
    EXPECT_FALSE(client->HasPendingLogin());
    EXPECT_EQ(client->GetState(), OnlineDisconnected);
}

TEST_F(OnlineAccessClientTest, PostsAreRefusedOverTheMinutesBudgetUntilItDecays)
{
    EXPECT_EQ(client->PostUserMessage(KUID(1, 2, 0), "friend", SoupHandle(), false), OnlinePostNotConnected);
    LogIn();
    const std::string big(9966, 'n');  // a 10000-byte packet
    for (int i = 0; i < 7; ++i)
        ASSERT_EQ(client->PostUserMessage(KUID(1, 2, 0), big, SoupHandle(), false), OnlinePostSent) << i;
    // 70000 bytes within the minute: over 64000.
    EXPECT_EQ(client->PostGroupMessage(KUID(1, 2, 0), Zel::PString("cookie"), SoupHandle()), OnlinePostOverBudget);
    clock.Advance(5.0);
    client->Update();
    EXPECT_EQ(client->PostUserMessage(KUID(1, 2, 0), big, SoupHandle(), false), OnlinePostOverBudget);
    clock.Advance(1.0);
    client->Update();
    EXPECT_EQ(client->PostUserMessage(KUID(1, 2, 0), big, SoupHandle(), false), OnlinePostSent);
}

TEST_F(OnlineAccessClientTest, MessagesForAbsentClientsAreStoredAndReplayedToAnyVersion)
{
    LogIn();
    RecordingClient present(KUID(7, 8, 0));
    client->AddClient(&present);
    OnlineAccessVersionedMessage forAbsent;
    forAbsent.assetId = KUID(5, 6, 2);
    forAbsent.text = "hello";
    forAbsent.version = 1;
    OnlineAccessMessage forPresent;
    forPresent.assetId = KUID(7, 8, 0);
    forPresent.text = "direct";
    FromService(Wire().U8(11).Raw(MessageBytes(forAbsent, true)).bytes);
    FromService(Wire().U8(10).Raw(MessageBytes(forPresent, false)).bytes);
    FromService(Wire().U8(11).U8(1).U8(2).bytes);  // damaged: ignored
    ASSERT_EQ(present.received.size(), 1u);
    EXPECT_EQ(present.received[0]->text, "direct");
    EXPECT_EQ(client->StoredMessageCount(), 1u);

    // The store survives a save and load.
    TBuffer saved;
    client->SaveStoredMessages(saved);
    saved.Rewind();
    OnlineAccessClientEndpoint other(address, clock);
    other.LoadStoredMessages(saved);
    EXPECT_EQ(other.StoredMessageCount(), 1u);

    RecordingClient later(KUID(5, 6, 0));
    client->AddClient(&later);
    ASSERT_EQ(later.received.size(), 1u);
    EXPECT_EQ(later.received[0]->text, "hello");
    EXPECT_EQ(client->StoredMessageCount(), 0u);
    client->RemoveClient(&later);
    client->RemoveClient(&present);
    EXPECT_FALSE(client->HasClients());
}

TEST_F(OnlineAccessClientTest, LoadingAStoreRefusesOtherFormatsAndStopsAtDamage)
{
    OnlineAccessVersionedMessage one;
    one.assetId = KUID(1, 1, 0);
    one.text = "kept";
    Datagram oneBytes = MessageBytes(one, true);
    struct Case {
        const char* name;
        Datagram bytes;
        std::size_t stored;
    } cases[] = {
        {"format 2 leaves the store", Wire().U32(2).U32(1).Raw(oneBytes).bytes, 2},
        {"count above what is there", Wire().U32(1).U32(1000000).Raw(oneBytes).bytes, 1},
        {"negative count", Wire().U32(1).U32(0xFFFFFFFF).Raw(oneBytes).bytes, 0},
        {"half a message", Wire().U32(1).U32(2).Raw(oneBytes).Raw(Datagram(oneBytes.begin(), oneBytes.end() - 3)).bytes,
         1},
        {"empty", {}, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TBuffer start;
        Wire().U32(1).U32(2).Raw(oneBytes).Raw(oneBytes);
        Datagram two = Wire().U32(1).U32(2).Raw(oneBytes).Raw(oneBytes).bytes;
        start.WriteBytes(two.data(), static_cast<std::int64_t>(two.size()));
        start.Rewind();
        client->LoadStoredMessages(start);
        ASSERT_EQ(client->StoredMessageCount(), 2u);
        TBuffer input;
        input.WriteBytes(c.bytes.data(), static_cast<std::int64_t>(c.bytes.size()));
        input.Rewind();
        client->LoadStoredMessages(input);
        EXPECT_EQ(client->StoredMessageCount(), c.stored);
    }
}

class RecordingGroup : public OnlineAccessClientEndpoint::OnlineGroup {
public:
    bool IsAwaitingCreate() override { return awaiting; }
    void OnJoined(const Zel::PString& joined, TStream& rest) override
    {
        cookie = joined;
        awaiting = false;
        events.push_back("joined " + std::string(joined.View()) + " rest " + std::to_string(rest.ReadInt32()));
    }
    void OnUpdate(TStream&) override { events.push_back("update"); }
    void OnClosed() override { events.push_back("closed"); }
    void OnClientRemoved(OnlineAccessClientBase*) override { events.push_back("client removed"); }
    bool MatchesCookie(const Zel::PString& other) override { return !awaiting && other == cookie; }
    void OnMessage(std::unique_ptr<OnlineGroupMessage> message) override
    {
        events.push_back("message from " + std::string(message->sender.ToTagString().View()));
    }

    bool awaiting = true;
    Zel::PString cookie;
    std::vector<std::string> events;
};

TEST_F(OnlineAccessClientTest, GroupPacketsReachTheirGroupAndUnclaimedCookiesAreLeft)
{
    LogIn();
    RecordingGroup group;
    client->AddGroup(&group);
    ASSERT_TRUE(client->SendCreateGroup(3));
    EXPECT_EQ(FromClient(), Wire().U8(3).U8(serviceSequence).U8(27).U32(3).bytes);
    clientSequenceSeen = 3;
    FromService(Wire().U8(20).PStr("c1").U32(42).bytes);
    FromService(Wire().U8(23).PStr("c1").bytes);
    OnlineGroupMessage message;
    message.sender = KUID(9, 9, 0);
    message.cookie = Zel::PString("c1");
    TBuffer messageBytes;
    message.Write(messageBytes);
    FromService(
        Wire().U8(24).Raw(Datagram(messageBytes.Data(), messageBytes.Data() + messageBytes.DataLength())).bytes);
    FromService(Wire().U8(22).PStr("c1").bytes);
    EXPECT_EQ(group.events,
              (std::vector<std::string>{"joined c1 rest 42", "update", "message from <kuid:9:9>", "closed"}));

    // Packets for a cookie no group claims make the client leave that group.
    for (std::uint8_t type : {21, 23})
        FromService(Wire().U8(type).PStr("stranger").bytes);
    message.cookie = Zel::PString("stranger");
    TBuffer strangerBytes;
    message.Write(strangerBytes);
    FromService(
        Wire().U8(24).Raw(Datagram(strangerBytes.Data(), strangerBytes.Data() + strangerBytes.DataLength())).bytes);
    client->Update();
    std::vector<Datagram> sent = serviceSocket.Drain();
    int leaves = 0;
    for (const Datagram& datagram : sent)
        if (datagram.size() > 2 &&
            Datagram(datagram.begin() + 2, datagram.end()) == Wire().U8(22).PStr("stranger").bytes)
            ++leaves;
    EXPECT_EQ(leaves, 3);
    client->RemoveClient(nullptr);
    EXPECT_EQ(group.events.back(), "client removed");
    client->RemoveGroup(&group);
}

TEST_F(OnlineAccessClientTest, AGoodbyeFromTheServiceShowsAsALostConnection)
{
    LogIn();
    FromServiceControl({0, clientSequenceSeen, 0});
    EXPECT_EQ(client->GetState(), OnlineConnectionLost);
    client->Disconnect();
    EXPECT_EQ(client->GetState(), OnlineDisconnected);
}

}  // namespace
