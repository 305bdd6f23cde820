// The online-access scripts' local data through the real daemon: per asset and lower-cased name, replaced whole, kept across restarts, bad requests refused.
#include <signal.h>

#include "asset_test_support.h"
#include "results/results_log.h"
#include "soup/binary_soup.h"

namespace {

using Code = KADRequestCode;

const KUID Library(1234, 300, 2);

KADBytes KeyPayload(const KUID& asset, const char* name)
{
    TBuffer buffer;
    buffer.WriteKUID(asset);
    buffer.WritePString(Zel::PString(name));
    return BytesOfBuffer(buffer);
}

KADBytes PutPayload(const KUID& asset, const char* name, const SoupHandle& soup)
{
    TBuffer buffer;
    buffer.WriteKUID(asset);
    buffer.WritePString(Zel::PString(name));
    WriteBinarySoup(buffer, soup);
    return BytesOfBuffer(buffer);
}

SoupHandle SoupWith(const char* tag, const char* value)
{
    SoupHandle soup;
    soup.SetNamedTag(Zel::PString(tag), value);
    return soup;
}

std::string TagOf(const SoupHandle& soup, const char* tag)
{
    return std::string(soup.GetNamedTag(Zel::PString(tag)).View());
}

class OnlineLocalDataTest : public AssetStoreTest {
protected:
    void SetUp() override
    {
        Start();
        WriteAssetFolder(Scratch() + "/library", "kuid <kuid2:1234:300:2>\nkind \"library\"\nusername \"Lib\"\n", {});
        ASSERT_EQ(InstallFolder(Scratch() + "/library"), Library);
    }

    // The stored soup (a copy of its own) and the error lines the request sent.
    SoupHandle Fetch(const KUID& asset, const char* name, std::size_t* errorLines = nullptr)
    {
        std::vector<KADTestMessage> notes;
        ReplyBuffer reply(Call(Code::GetOnlineLocalData, KeyPayload(asset, name), &notes));
        if (errorLines != nullptr)
            *errorLines = ResultLinesOf(notes).size();
        SoupHandle loaded;
        EXPECT_TRUE(ReadBinarySoup(loaded, reply));
        SoupHandle soup;
        soup.Copy(loaded);
        return soup;
    }

    // The error lines of a store request; its reply is always empty.
    std::vector<std::pair<std::int32_t, std::string>> Store(const KADBytes& payload)
    {
        std::vector<KADTestMessage> notes;
        EXPECT_TRUE(Call(Code::SetOnlineLocalData, payload, &notes).empty());
        return ResultLinesOf(notes);
    }
};

}  // namespace

TEST_F(OnlineLocalDataTest, ValueIsKeptPerAssetAndLowerCasedName)
{
    EXPECT_TRUE(Store(PutPayload(Library, "HighScore", SoupWith("points", "42"))).empty());
    EXPECT_EQ(TagOf(Fetch(Library, "highscore"), "points"), "42");
    EXPECT_EQ(TagOf(Fetch(Library, "HIGHSCORE"), "points"), "42");
    // Another version of the same asset is the same script to the service.
    EXPECT_EQ(TagOf(Fetch(KUID(1234, 300, 5), "highscore"), "points"), "42");
    // Other names and other assets see nothing.
    size_t errors = 1;
    EXPECT_EQ(Fetch(Library, "other", &errors).CountTags(), 0);
    EXPECT_EQ(errors, 0u);
    EXPECT_EQ(Fetch(KUID(1234, 301, 2), "highscore").CountTags(), 0);
}

TEST_F(OnlineLocalDataTest, StoringReplacesTheWholeValueAndAnEmptySoupRemovesIt)
{
    SoupHandle first = SoupWith("a", "1");
    first.SetNamedTag(Zel::PString("b"), "2");
    Store(PutPayload(Library, "state", first));
    Store(PutPayload(Library, "state", SoupWith("c", "3")));
    SoupHandle back = Fetch(Library, "state");
    EXPECT_EQ(back.CountTags(), 1);
    EXPECT_EQ(TagOf(back, "c"), "3");

    EXPECT_TRUE(Store(PutPayload(Library, "state", SoupHandle())).empty());
    EXPECT_EQ(Fetch(Library, "state").CountTags(), 0);
}

TEST_F(OnlineLocalDataTest, LargeSoupRoundTrips)
{
    // About 6 MB in 3000 tags: well past a socket buffer, inside the request limit.
    SoupHandle big;
    const std::string text(2000, 'x');
    for (int index = 0; index < 3000; ++index)
        big.SetNamedTag(Zel::PString(("t" + std::to_string(index)).c_str()), (text + std::to_string(index)).c_str());
    EXPECT_TRUE(Store(PutPayload(Library, "big", big)).empty());
    SoupHandle back = Fetch(Library, "big");
    ASSERT_EQ(back.CountTags(), 3000);
    EXPECT_EQ(TagOf(back, "t2999"), text + "2999");
}

TEST_F(OnlineLocalDataTest, ValueSurvivesAnOrderlyCloseAndAKill)
{
    Store(PutPayload(Library, "kept", SoupWith("v", "closed")));
    Stop();
    Start();
    EXPECT_EQ(TagOf(Fetch(Library, "kept"), "v"), "closed");
    // A stored value is committed before the reply goes out.
    Store(PutPayload(Library, "kept", SoupWith("v", "killed")));
    ASSERT_EQ(kill(daemon, SIGKILL), 0);
    client.Close();
    installation.WaitForExit(daemon);
    Start();
    EXPECT_EQ(TagOf(Fetch(Library, "kept"), "v"), "killed");
}

TEST_F(OnlineLocalDataTest, BadStoreRequestsAreRefusedWithALineAndChangeNothing)
{
    Store(PutPayload(Library, "state", SoupWith("v", "old")));
    TBuffer damaged;
    damaged.WriteKUID(Library);
    damaged.WritePString(Zel::PString("state"));
    // A soup header whose body is all garbage: read leniently it would be an
    // empty soup, which would remove the value.
    damaged.WriteUInt32(0x24534341u);
    damaged.WriteUInt32(1);
    damaged.WriteUInt32(0);
    damaged.WriteUInt32(8);
    damaged.WriteUInt32(0xffffffffu);
    damaged.WriteUInt32(0xffffffffu);
    TBuffer truncated;
    truncated.WriteKUID(Library);
    truncated.WriteUInt32(40);
    struct Case {
        const char* rule;
        KADBytes payload;
    };
    const Case cases[] = {
        {"empty name", PutPayload(Library, "", SoupWith("v", "new"))},
        {"unknown asset", PutPayload(KUID(999, 1, 0), "state", SoupWith("v", "new"))},
        {"null asset", PutPayload(KUID(), "state", SoupWith("v", "new"))},
        {"no soup at all", KeyPayload(Library, "state")},
        {"damaged soup", BytesOfBuffer(damaged)},
        {"name cut short", BytesOfBuffer(truncated)},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.rule);
        auto lines = Store(row.payload);
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_EQ(lines[0].first, static_cast<std::int32_t>(ResultsLog::MessageKind::Error));
        EXPECT_EQ(TagOf(Fetch(Library, "state"), "v"), "old");
    }
    EXPECT_EQ(Fetch(KUID(999, 1, 0), "state").CountTags(), 0);
}

TEST_F(OnlineLocalDataTest, FetchWithAnEmptyNameIsRefusedWithALine)
{
    size_t errors = 0;
    EXPECT_EQ(Fetch(Library, "", &errors).CountTags(), 0);
    EXPECT_EQ(errors, 1u);
}
