// What a connection holds (asset handles, web queries, a command host) is let go of as soon as the connection ends.
#include <chrono>
#include <thread>

#include "asset_test_support.h"
#include "e2e/content_service/content_service.h"
#include "soup/binary_soup.h"

#ifdef KORVEL_TEST_HOOKS

namespace {

struct Holdings {
    std::int32_t handles = -1;
    std::int32_t queries = -1;
    std::int32_t hosts = -1;
};

class ConnectionEndTest : public AssetStoreTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(service.Start());
        // Long enough that no query completes while the test looks at it.
        service.ServeFile("/slow.cdp", "bytes");
        service.SetFault("/slow.cdp", ContentService::Fault::Delay, "30000");
        // A short silence, so that a host whose keep-alives stop is seen gone soon.
        Start("web-total-timeout 60\ncommand-host-silence 1\n");
        port = installation.WaitForPort(daemon);
        ASSERT_NE(port, 0);
    }

    void TearDown() override
    {
        AssetStoreTest::TearDown();
        service.Stop();
    }

    Holdings Held()
    {
        ReplyBuffer reply(Call(KADRequestCode::TestHoldings, {}));
        Holdings held;
        held.handles = reply.ReadInt32(-1);
        held.queries = reply.ReadInt32(-1);
        held.hosts = reply.ReadInt32(-1);
        return held;
    }

    // Asks through the main client until the daemon holds what is expected;
    // the bound only keeps a daemon that never lets go from hanging the test.
    Holdings WaitUntilHeld(std::int32_t handles, std::int32_t queries)
    {
        Holdings held;
        for (int i = 0; i < 250; ++i) {
            held = Held();
            if (held.handles == handles && held.queries == queries && held.hosts == 0)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return held;
    }

    void OpenThrough(KADTestClient& other, const KUID& id)
    {
        TBuffer request;
        request.WriteKUID(id);
        request.WriteBool(false);
        KADBytes reply;
        ASSERT_TRUE(other.Call(KADRequestCode::OpenAsset, BytesOfBuffer(request), reply));
        ReplyBuffer words(reply);
        EXPECT_GT(words.ReadInt32(-1), 0);
    }

    void StartQueryThrough(KADTestClient& other)
    {
        TBuffer payload;
        payload.WriteUInt8(0);
        payload.WritePString(Zel::PString(service.UrlOf("/slow.cdp").c_str()));
        payload.WriteInt32(0);
        payload.WriteInt32(-1);
        WriteBinarySoup(payload, SoupHandle());
        KADBytes reply;
        ASSERT_TRUE(other.Call(KADRequestCode::StartWebQuery, BytesOfBuffer(payload), reply));
        ReplyBuffer words(reply);
        EXPECT_GT(words.ReadInt32(-1), 0);
    }

    // A connection that says it is a command host, as the host program does.
    void RegisterAsHost(KADTestClient& host)
    {
        ASSERT_TRUE(host.Connect(port));
        ASSERT_TRUE(host.Handshake(installation.ClientDatabasePath(), 0));
        KADBytes reply;
        ASSERT_TRUE(host.Call(KADRequestCode::RegisterCommandHost, {}, reply));
    }

    ContentService::StandIn service;
    int port = 0;
};

TEST_F(ConnectionEndTest, HandlesAndWebQueriesOfAClosedConnectionAreReleasedAtOnce)
{
    WriteAssetFolder(Scratch() + "/loco", "kuid <kuid:1234:100>\nkind \"scenery\"\nusername \"Loco\"\n", {});
    const KUID loco = InstallFolder(Scratch() + "/loco");
    ASSERT_FALSE(loco.IsNull());

    // Far fewer than the table holds before it sweeps on its own.
    KADTestClient leaving;
    ASSERT_TRUE(leaving.Connect(port));
    ASSERT_TRUE(leaving.Handshake(installation.ClientDatabasePath()));
    for (int i = 0; i < 3; ++i)
        OpenThrough(leaving, loco);
    for (int i = 0; i < 2; ++i)
        StartQueryThrough(leaving);
    // The main client's own hold is kept through it all.
    Opened mine = Open(loco, false);
    ASSERT_GT(mine.slot, 0);
    Holdings before = Held();
    EXPECT_EQ(before.handles, 4);
    EXPECT_EQ(before.queries, 2);

    leaving.Close();
    Holdings after = WaitUntilHeld(1, 0);
    EXPECT_EQ(after.handles, 1);
    EXPECT_EQ(after.queries, 0);
    // The survivor's handle still works.
    ReplyBuffer folder(Call(KADRequestCode::GetAssetFolder, HandlePayload(mine)));
    EXPECT_FALSE(folder.ReadPString().IsEmpty());
}

TEST_F(ConnectionEndTest, AnIdleHostWhoseKeepAlivesStopIsClosedAndForgotten)
{
    KADTestClient host;
    ASSERT_NO_FATAL_FAILURE(RegisterAsHost(host));
    KADBytes reply;
    ASSERT_TRUE(host.Call(KADRequestCode::HostKeepAlive, {}, reply));

    // No more keep-alives: the daemon ends the host's connection itself.
    EXPECT_TRUE(host.WaitForClose());
    EXPECT_EQ(WaitUntilHeld(0, 0).hosts, 0);
}

TEST_F(ConnectionEndTest, AHostThatDisconnectsIsForgottenAtOnce)
{
    KADTestClient host;
    ASSERT_NO_FATAL_FAILURE(RegisterAsHost(host));
    EXPECT_EQ(Held().hosts, 1);

    host.Close();
    EXPECT_EQ(WaitUntilHeld(0, 0).hosts, 0);
}

}  // namespace

#endif
