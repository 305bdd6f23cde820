// Asset-store tests: a daemon in a temporary installation, request builders and reply readers.
#include "asset_test_support.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "results/results_log.h"
#include "assetdb/protocol/kad_requests.h"

ReplyBuffer::ReplyBuffer(const KADBytes& bytes)
{
    WriteBytes(bytes.data(), static_cast<std::int64_t>(bytes.size()));
    Rewind();
}

KADBytes KuidPayload(const KUID& id, std::initializer_list<std::int32_t> words)
{
    TBuffer buffer;
    buffer.WriteKUID(id);
    for (std::int32_t word : words)
        buffer.WriteInt32(word);
    return BytesOfBuffer(buffer);
}

KADBytes TextAndWord(const std::string& text, std::int32_t word)
{
    TBuffer buffer;
    buffer.WriteString(Zel::String(text.c_str()));
    buffer.WriteInt32(word);
    return BytesOfBuffer(buffer);
}

void WriteAssetFolder(const std::string& folder, const std::string& configText,
                      const std::vector<std::pair<std::string, std::string>>& files)
{
    std::filesystem::create_directories(folder);
    WriteFileText(folder + "/config.txt", configText);
    for (const auto& file : files)
        WriteFileText(folder + "/" + file.first, file.second);
}

std::vector<std::pair<std::int32_t, std::string>> ResultLinesOf(const std::vector<KADTestMessage>& notes)
{
    std::vector<std::pair<std::int32_t, std::string>> lines;
    for (const KADTestMessage& note : notes) {
        if (note.tag != 0x6e6f7465 || note.word != 3)
            continue;
        ReplyBuffer buffer(note.body);
        buffer.ReadUInt32(0);
        ResultsLog log;
        log.ReadFrom(buffer);
        for (const ResultsLogEntry& entry : log.Lines())
            lines.emplace_back(entry.kind, std::string(entry.text.c_str()));
    }
    return lines;
}

void AssetStoreTest::TearDown()
{
    client.Close();
}

void AssetStoreTest::Start(const std::string& configText)
{
    if (!configText.empty())
        WriteFileText(UserData() + "/assets.tdx/kaddaemon.cfg", configText);
    daemon = installation.StartDaemon();
    int port = installation.WaitForPort(daemon);
    ASSERT_NE(port, 0);
    ASSERT_TRUE(client.Connect(port));
    ASSERT_TRUE(client.Handshake(installation.ClientDatabasePath()));
}

void AssetStoreTest::Stop()
{
    KADBytes reply;
    client.Call(KADRequestCode::CloseDaemon, {}, reply);
    client.Close();
    installation.WaitForExit(daemon);
}

void AssetStoreTest::Restart()
{
    client.Close();
    installation.WaitForExit(daemon);
    Start();
}

KADBytes AssetStoreTest::Call(KADRequestCode code, const KADBytes& payload, std::vector<KADTestMessage>* notes)
{
    KADBytes reply;
    EXPECT_TRUE(client.Call(code, payload, reply, notes)) << "request " << KADRequestName(code);
    return reply;
}

AssetInfo AssetStoreTest::Info(const KUID& id)
{
    ReplyBuffer reply(Call(KADRequestCode::GetAssetInfo, KuidPayload(id, {-1})));
    AssetInfo info;
    auto bits = [&reply] {
        std::uint8_t value = 0;
        for (int bit = 0; bit < 8; ++bit)
            value |= reply.ReadBool(false) ? static_cast<std::uint8_t>(1u << bit) : 0;
        return value;
    };
    info.id = reply.ReadKUID();
    info.name = reply.ReadString().c_str();
    reply.ReadString();
    info.categoryWithTags = reply.ReadString().c_str();
    info.status0 = bits();
    info.status1 = bits();
    reply.ReadBool();
    reply.ReadBool();
    info.authorId = reply.ReadInt32(0);
    info.authorName = reply.ReadPString().c_str();
    reply.ReadString();
    reply.ReadInt32(0);
    info.storeName = reply.ReadPString().c_str();
    info.category = reply.ReadString().c_str();
    reply.ReadBool();
    reply.ReadBool();
    reply.ReadBool();
    info.rating = reply.ReadInt32(0);
    reply.ReadFloat(0.0f);
    reply.ReadInt64(0);
    reply.ReadInt64(0);
    reply.ReadKUID();
    info.found = reply.ReadBool(false);
    EXPECT_FALSE(reply.HasError());
    EXPECT_TRUE(reply.Eof());
    return info;
}

KUID AssetStoreTest::InstallFolder(const std::string& folder, std::vector<std::pair<std::int32_t, std::string>>* lines)
{
    std::vector<KADTestMessage> notes;
    ReplyBuffer reply(Call(KADRequestCode::InstallFolder, TextAndWord(folder, 0), &notes));
    if (lines != nullptr)
        *lines = ResultLinesOf(notes);
    KUID id = reply.ReadKUID();
    reply.ReadBool(false);
    EXPECT_FALSE(reply.HasError());
    return id;
}

std::string AssetStoreTest::FolderOf(const KUID& id)
{
    ReplyBuffer reply(Call(KADRequestCode::GetAssetConfigPath, KuidPayload(id, {})));
    reply.ReadPString();
    return reply.ReadString().c_str();
}

AssetStoreTest::Opened AssetStoreTest::Open(const KUID& id, bool writable)
{
    TBuffer request;
    request.WriteKUID(id);
    request.WriteBool(writable);
    ReplyBuffer reply(Call(KADRequestCode::OpenAsset, BytesOfBuffer(request)));
    Opened opened;
    opened.slot = reply.ReadInt32(-1);
    opened.nonce = reply.ReadInt32(-1);
    opened.storeName = reply.ReadPString().c_str();
    opened.folder = reply.ReadString().c_str();
    return opened;
}

KADBytes AssetStoreTest::HandlePayload(const Opened& opened, std::initializer_list<std::int32_t> words)
{
    TBuffer buffer;
    buffer.WriteInt32(opened.slot);
    buffer.WriteInt32(opened.nonce);
    for (std::int32_t word : words)
        buffer.WriteInt32(word);
    return BytesOfBuffer(buffer);
}

std::vector<KUID> AssetStoreTest::Search(const KADBytes& filter)
{
    ReplyBuffer reply(Call(KADRequestCode::SearchAssets, filter));
    std::uint32_t count = reply.ReadUInt32(0);
    std::vector<KUID> ids;
    for (std::uint32_t i = 0; i < count && !reply.HasError(); ++i)
        ids.push_back(reply.ReadKUID());
    return ids;
}
