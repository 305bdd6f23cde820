// Settings groups through the real daemon: GetSettingsSection, SetSettingsSection, GetSetting and SetSetting, kept across restarts.
#include <gtest/gtest.h>

#include <signal.h>

#include <thread>

#include "foundation/streams/t_buffer.h"
#include "assetdb/protocol/kad_protocol.h"
#include "daemon_test_support.h"
#include "soup/binary_soup.h"
#include "soup/soup_handle.h"

namespace {

constexpr auto GetSettingsSection = KADRequestNumber(KADRequestCode::GetSettingsSection);
constexpr auto SetSettingsSection = KADRequestNumber(KADRequestCode::SetSettingsSection);
constexpr auto GetSetting = KADRequestNumber(KADRequestCode::GetSetting);
constexpr auto SetSetting = KADRequestNumber(KADRequestCode::SetSetting);

KADBytes BytesOf(TBuffer& buffer)
{
    return KADBytes(buffer.Data(), buffer.Data() + buffer.DataLength());
}

KADBytes Texts(std::initializer_list<const char*> texts)
{
    TBuffer buffer;
    for (const char* text : texts)
        buffer.WritePString(Zel::PString(text));
    return BytesOf(buffer);
}

KADBytes SectionWithSoup(const char* section, const SoupHandle& soup)
{
    TBuffer buffer;
    buffer.WritePString(Zel::PString(section));
    WriteBinarySoup(buffer, soup);
    return BytesOf(buffer);
}

std::string ReadText(const KADBytes& reply)
{
    TBuffer buffer;
    buffer.WriteBytes(reply.data(), static_cast<std::int64_t>(reply.size()));
    buffer.Rewind();
    return std::string(buffer.ReadPString().View());
}

SoupHandle ReadSoup(const KADBytes& reply)
{
    TBuffer buffer;
    buffer.WriteBytes(reply.data(), static_cast<std::int64_t>(reply.size()));
    buffer.Rewind();
    SoupHandle loaded;
    ReadBinarySoup(loaded, buffer);
    // A copy of its own, independent of the buffer it was read from.
    SoupHandle soup;
    soup.Copy(loaded);
    return soup;
}

class DaemonSettingsTest : public ::testing::Test {
protected:
    void StartAndJoin()
    {
        daemon = installation.StartDaemon();
        int port = installation.WaitForPort(daemon);
        ASSERT_NE(port, 0);
        ASSERT_TRUE(client.Connect(port));
        ASSERT_TRUE(client.Handshake(installation.ClientDatabasePath()));
    }

    std::string Get(const char* section, const char* key)
    {
        KADBytes reply;
        EXPECT_TRUE(client.Call(GetSetting, Texts({section, key}), reply));
        return ReadText(reply);
    }

    void Set(const char* section, const char* key, const char* value)
    {
        KADBytes reply = Int32Payload({1});
        ASSERT_TRUE(client.Call(SetSetting, Texts({section, key, value}), reply));
        EXPECT_TRUE(reply.empty());
    }

    void SetUp() override { StartAndJoin(); }

    KADTestInstallation installation;
    KADTestClient client;
    pid_t daemon = 0;
};

}  // namespace

TEST_F(DaemonSettingsTest, MissingSettingIsEmpty)
{
    EXPECT_EQ(Get("internet", "language"), "");
    KADBytes reply;
    ASSERT_TRUE(client.Call(GetSettingsSection, Texts({"internet"}), reply));
    EXPECT_EQ(ReadSoup(reply).CountTags(), 0);
}

TEST_F(DaemonSettingsTest, SettingSurvivesARestart)
{
    Set("internet", "language", "DE");
    EXPECT_EQ(Get("internet", "language"), "DE");
    KADBytes reply;
    ASSERT_TRUE(client.Call(KADRequestNumber(KADRequestCode::CloseDaemon), {}, reply));
    ASSERT_EQ(installation.WaitForExit(daemon), std::optional<int>(0));
    StartAndJoin();
    EXPECT_EQ(Get("internet", "language"), "DE");
}

TEST_F(DaemonSettingsTest, SettingSurvivesAKill)
{
    // Committed is durable: WAL with full synchronisation.
    Set("internet", "language", "FR");
    ASSERT_EQ(kill(daemon, SIGKILL), 0);
    installation.WaitForExit(daemon);
    StartAndJoin();
    EXPECT_EQ(Get("internet", "language"), "FR");
}

TEST_F(DaemonSettingsTest, KeysAreFoundWhateverTheirLetterCase)
{
    Set("internet", "Language", "NL");
    EXPECT_EQ(Get("internet", "language"), "NL");
    EXPECT_EQ(Get("internet", "LANGUAGE"), "NL");
}

TEST_F(DaemonSettingsTest, SectionsAreSetAndReadWhole)
{
    SoupHandle soup;
    soup.SetNamedTag(Zel::PString("username"), "bob");
    soup.SetNamedTag(Zel::PString("password"), "secret");
    KADBytes reply = Int32Payload({1});
    ASSERT_TRUE(client.Call(SetSettingsSection, SectionWithSoup("internet", soup), reply));
    EXPECT_TRUE(reply.empty());
    EXPECT_EQ(Get("internet", "username"), "bob");
    Set("internet", "language", "US");

    ASSERT_TRUE(client.Call(GetSettingsSection, Texts({"internet"}), reply));
    SoupHandle back = ReadSoup(reply);
    EXPECT_EQ(back.CountTags(), 3);
    EXPECT_EQ(std::string(back.GetNamedTag(Zel::PString("password")).View()), "secret");
    EXPECT_EQ(std::string(back.GetNamedTag(Zel::PString("language")).View()), "US");
    // Other sections are apart.
    EXPECT_EQ(Get("other", "username"), "");
}

TEST_F(DaemonSettingsTest, NoSoupOrAnEmptyOneClearsTheSection)
{
    struct Case {
        const char* name;
        KADBytes payload;
    };
    SoupHandle empty;
    empty.EnsureContainer();
    const Case cases[] = {
        {"no soup", SectionWithSoup("internet", SoupHandle())},
        {"soup without tags", SectionWithSoup("internet", empty)},
    };
    for (const Case& c : cases) {
        Set("internet", "language", "DE");
        KADBytes reply;
        ASSERT_TRUE(client.Call(SetSettingsSection, c.payload, reply)) << c.name;
        EXPECT_EQ(Get("internet", "language"), "") << c.name;
    }
}

TEST_F(DaemonSettingsTest, ShortOrDamagedPayloadsAreAnsweredAndChangeNothing)
{
    Set("internet", "language", "DE");
    const KADBytes payloads[] = {{},
                                 Int32Payload({1000}),
                                 Int32Payload({0x10000}),
                                 Texts({"internet"}),
                                 Texts({"internet", "language"}),
                                 Texts({"internet", "garbage that is no soup"})};
    for (const KADBytes& payload : payloads) {
        KADBytes reply;
        for (std::int32_t code : {SetSetting, GetSetting, GetSettingsSection, SetSettingsSection})
            ASSERT_TRUE(client.Call(code, payload, reply)) << code;
    }
    EXPECT_EQ(Get("internet", "language"), "DE");
}

TEST_F(DaemonSettingsTest, ConcurrentClientsKeepEachOthersKeys)
{
    constexpr int Rounds = 20;
    int port = installation.WaitForPort(daemon);
    auto writer = [&](const char* key) {
        KADTestClient own;
        ASSERT_TRUE(own.Connect(port));
        ASSERT_TRUE(own.Handshake(installation.ClientDatabasePath()));
        for (int i = 0; i < Rounds; ++i) {
            std::string value = std::to_string(i);
            KADBytes reply;
            ASSERT_TRUE(own.Call(SetSetting, Texts({"shared", key, value.c_str()}), reply));
        }
    };
    std::thread first(writer, "first");
    std::thread second(writer, "second");
    first.join();
    second.join();
    EXPECT_EQ(Get("shared", "first"), std::to_string(Rounds - 1));
    EXPECT_EQ(Get("shared", "second"), std::to_string(Rounds - 1));
}
