// Hostile and broken input to the asset store: error lines, nothing changed, the daemon keeps serving.
#include <filesystem>

#include "asset_test_support.h"
#include "assetdb/kad_filter_element.h"
#include "assetdb/protocol/kad_requests.h"
#include "soup/archive_builder.h"

namespace {

using Code = KADRequestCode;

const KUID Loco(1234, 100, 0);

// An archive of one uncompressed asset whose files hold the given names.
std::string WriteArchive(const std::string& path, const std::vector<std::string>& fileNames)
{
    SoupHandle entry;
    entry.SetNamedTagKUID(Zel::PString("kuid"), Loco);
    entry.SetNamedTag(Zel::PString("kind"), "scenery");
    SoupHandle files;
    files.EnsureContainer();
    for (const std::string& name : fileNames) {
        const char bytes[] = "file bytes";
        files.SetNamedTagBlock(Zel::PString(name.c_str()), SoupTypeRaw, ACSRawDataCore::Copy(bytes, sizeof(bytes)));
    }
    entry.SetNamedSoup(Zel::PString("files"), files);
    SoupHandle archive;
    EXPECT_STREQ(AddAssetToArchive(archive, entry).c_str(), "");
    EXPECT_STREQ(WriteArchiveFile(archive, path.c_str()).c_str(), "");
    return path;
}

class AssetBadInputTest : public AssetStoreTest {
protected:
    // InstallArchive on the path: the reply's count and the lines sent for it.
    std::uint32_t InstallArchive(const std::string& path, std::vector<std::pair<std::int32_t, std::string>>& lines)
    {
        std::vector<KADTestMessage> notes;
        ReplyBuffer reply(Call(Code::InstallArchive, TextAndWord(path, 2), &notes));
        lines = ResultLinesOf(notes);
        return reply.ReadUInt32(99);
    }

    void ExpectStoreEmptyAndServing()
    {
        EXPECT_TRUE(Search(Int32Payload({0})).empty());
        EXPECT_FALSE(Info(Loco).found);
    }
};

TEST_F(AssetBadInputTest, BrokenArchivesInstallNothing)
{
    Start();
    std::filesystem::create_directories(Scratch());
    std::string good = WriteArchive(Scratch() + "/good.cdp", {"a.im"});
    std::string bytes = ReadFileText(good);
    WriteFileText(Scratch() + "/text.cdp", "this is no archive at all\n");
    WriteFileText(Scratch() + "/truncated.cdp", bytes.substr(0, bytes.size() / 2));
    WriteFileText(Scratch() + "/header.cdp", bytes.substr(0, 16));
    WriteFileText(Scratch() + "/empty.cdp", "");
    for (const char* name : {"text.cdp", "truncated.cdp", "header.cdp", "empty.cdp", "missing.cdp"}) {
        SCOPED_TRACE(name);
        std::vector<std::pair<std::int32_t, std::string>> lines;
        EXPECT_EQ(InstallArchive(Scratch() + "/" + name, lines), 0u);
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines[0].first, 3);
        ExpectStoreEmptyAndServing();
    }
}

TEST_F(AssetBadInputTest, ArchiveNamesCannotLeaveTheAssetFolder)
{
    Start();
    std::filesystem::create_directories(Scratch());
    std::string path = WriteArchive(Scratch() + "/hostile.cdp", {"../../../escape.im", "good.im"});
    std::vector<std::pair<std::int32_t, std::string>> lines;
    InstallArchive(path, lines);
    for (const auto& entry : std::filesystem::recursive_directory_iterator(installation.Root()))
        EXPECT_NE(entry.path().filename(), "escape.im") << entry.path();
    if (Info(Loco).found) {
        EXPECT_EQ(ReadFileText(FolderOf(Loco) + "/good.im").substr(0, 10), "file bytes");
    }
}

TEST_F(AssetBadInputTest, FolderWithoutAUsableKuidInstallsNothing)
{
    Start();
    struct Case {
        const char* name;
        const char* config;
    };
    for (const Case& c : {Case{"nokuid", "kind \"scenery\"\n"}, Case{"badkuid", "kuid \"banana\"\n"},
                          Case{"nullkuid", "kuid <NULL>\n"}}) {
        SCOPED_TRACE(c.name);
        WriteAssetFolder(Scratch() + "/" + c.name, c.config, {{"a.im", "x"}});
        std::vector<std::pair<std::int32_t, std::string>> lines;
        EXPECT_TRUE(InstallFolder(Scratch() + "/" + c.name, &lines).IsNull());
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_EQ(lines[0].first, 3);
        ExpectStoreEmptyAndServing();
    }
    // A folder with no config at all, and one that does not exist.
    std::filesystem::create_directories(Scratch() + "/bare");
    EXPECT_TRUE(InstallFolder(Scratch() + "/bare").IsNull());
    EXPECT_TRUE(InstallFolder(Scratch() + "/nowhere").IsNull());
    // Both configs naming different ids.
    WriteAssetFolder(Scratch() + "/both", "kuid <kuid:1234:100>\n", {});
    SoupHandle other;
    other.SetNamedTagKUID(Zel::PString("kuid"), KUID(1234, 101, 0));
    ASSERT_TRUE(other.SaveToFile(Zel::PString(), (Scratch() + "/both/config.chump").c_str()));
    EXPECT_TRUE(InstallFolder(Scratch() + "/both").IsNull());
    ExpectStoreEmptyAndServing();
}

TEST_F(AssetBadInputTest, UnreadableFilterTreesFindNothing)
{
    Start();
    WriteAssetFolder(Scratch() + "/loco", "kuid <kuid:1234:100>\nkind \"scenery\"\n", {});
    ASSERT_EQ(InstallFolder(Scratch() + "/loco"), Loco);
    // An unknown element type alone, inside a group, and a group cut short.
    EXPECT_TRUE(Search(Int32Payload({0x12345678})).empty());
    KADBytes nested = Int32Payload({0x67727570});
    nested.insert(nested.end(), {1, 0});
    KADBytes count = Int32Payload({1, 0x12345678});
    nested.insert(nested.end(), count.begin(), count.end());
    EXPECT_TRUE(Search(nested).empty());
    KADBytes cut = Int32Payload({0x67727570});
    cut.insert(cut.end(), {1, 0, 0xff, 0xff, 0xff, 0x7f});
    EXPECT_TRUE(Search(cut).empty());
    // Still serving, and still finding with a sound tree.
    EXPECT_EQ(Search(Int32Payload({0})), std::vector<KUID>{Loco});
}

TEST_F(AssetBadInputTest, OversizedAndShortPayloadsChangeNothing)
{
    Start();
    WriteAssetFolder(Scratch() + "/loco", "kuid <kuid:1234:100>\nkind \"scenery\"\n", {});
    ASSERT_EQ(InstallFolder(Scratch() + "/loco"), Loco);
    TBuffer keywords;
    keywords.WriteKUID(Loco);
    keywords.WriteString(Zel::String("#kept"));
    Call(Code::SetAssetKeywords, BytesOfBuffer(keywords));

    // A keyword text of 64 KiB: the stream refuses it, the keywords stay.
    KADBytes huge = KuidPayload(Loco, {0x10000});
    huge.insert(huge.end(), 0x10000, '#');
    Call(Code::SetAssetKeywords, huge);
    EXPECT_EQ(Info(Loco).categoryWithTags, "SY;SCEN;#kept");

    // A dependency count far beyond the bytes sent.
    ReplyBuffer dependencies(Call(Code::GetDependencies, Int32Payload({-1})));
    EXPECT_EQ(dependencies.ReadUInt32(99), 0u);
    // Handles nobody opened.
    Opened forged;
    forged.slot = 7;
    forged.nonce = 12345;
    ReplyBuffer commit(Call(Code::CommitAsset, HandlePayload(forged, {0})));
    EXPECT_FALSE(commit.ReadBool(true));
    ReplyBuffer revert(Call(Code::RevertAsset, HandlePayload(forged)));
    EXPECT_FALSE(revert.ReadBool(true));
    // A request cut short.
    ReplyBuffer info(Call(Code::GetAssetInfo, KADBytes{1, 2, 3}));
    EXPECT_GT(info.DataLength(), 0);
    // A handle of another connection is no handle here.
    Opened mine = Open(Loco, false);
    ASSERT_NE(mine.slot, -1);
    KADTestClient other;
    int port = installation.WaitForPort(daemon);
    ASSERT_TRUE(other.Connect(port));
    ASSERT_TRUE(other.Handshake(installation.ClientDatabasePath()));
    KADBytes reply;
    ASSERT_TRUE(other.Call(Code::GetAssetFolder, HandlePayload(mine), reply));
    ReplyBuffer folder(reply);
    folder.ReadPString();
    EXPECT_STREQ(folder.ReadString().c_str(), "");
    EXPECT_TRUE(Info(Loco).found);
}

}  // namespace
