// The asset store through the real daemon: install, look up, edit, commit, revert, export, delete, search.
#include <filesystem>

#include "asset_test_support.h"
#include "assetdb/kad_filter_element.h"
#include "assetdb/protocol/kad_requests.h"
#include "soup/archive_builder.h"
#include "soup/binary_soup.h"

namespace {

using Code = KADRequestCode;

const KUID Loco(1234, 100, 0);

std::string LocoConfig()
{
    return "kuid <kuid2:1234:100:0>\n"
           "kind \"traincar\"\n"
           "username \"Fast Loco\"\n"
           "category-class \"AH\"\n"
           "category-region \"DE\"\n"
           "author \"Jane\"\n";
}

KADBytes FilterPayload(const KADFilterElement* filter)
{
    TBuffer buffer;
    WriteFilterElement(buffer, filter);
    return BytesOfBuffer(buffer);
}

class AssetRequestsTest : public AssetStoreTest {
protected:
    KUID InstallLoco()
    {
        WriteAssetFolder(Scratch() + "/loco", LocoConfig(),
                         {{"body.im", "mesh bytes"}, {"art/skin.texture.txt", "skin"}});
        std::vector<std::pair<std::int32_t, std::string>> lines;
        KUID id = InstallFolder(Scratch() + "/loco", &lines);
        EXPECT_EQ(id, Loco);
        EXPECT_EQ(lines.size(), 1u);
        if (!lines.empty()) {
            EXPECT_EQ(lines[0].first, 4);
        }
        return id;
    }
};

TEST_F(AssetRequestsTest, InstalledFolderIsKnownWithItsDerivedMetadata)
{
    Start();
    InstallLoco();
    AssetInfo info = Info(Loco);
    EXPECT_TRUE(info.found);
    EXPECT_EQ(info.name, "Fast Loco");
    EXPECT_EQ(info.category, "TR;TV;LOC;DIES");
    EXPECT_EQ(info.status0 & 0x0d, 0x0d);  // b0, L, I
    EXPECT_EQ(info.status1, 0);
    EXPECT_EQ(info.authorId, 1234);
    EXPECT_EQ(info.storeName, "local");
    EXPECT_EQ(info.rating, 255);

    std::string folder = FolderOf(Loco);
    EXPECT_EQ(folder.rfind(UserData() + "/local/", 0), 0u) << folder;
    EXPECT_EQ(ReadFileText(folder + "/body.im"), "mesh bytes");
    EXPECT_EQ(ReadFileText(folder + "/art/skin.texture.txt"), "skin");

    ReplyBuffer config(Call(Code::GetAssetConfig, KuidPayload(Loco)));
    SoupHandle soup;
    ASSERT_TRUE(ReadBinarySoup(soup, config));
    EXPECT_EQ(soup.GetNamedTagAsKUID(Zel::PString("kuid"), NullKUID), Loco);

    // Known after a restart: the index, not the process, holds the store.
    Stop();
    Start();
    EXPECT_TRUE(Info(Loco).found);
    EXPECT_EQ(FolderOf(Loco), folder);
}

TEST_F(AssetRequestsTest, UnknownAssetHasTheEmptyRecord)
{
    Start();
    AssetInfo info = Info(KUID(5, 6, 0));
    EXPECT_FALSE(info.found);
    EXPECT_EQ(info.status0, 1);
    EXPECT_EQ(info.id, KUID(5, 6, 0));
    Opened opened = Open(KUID(5, 6, 0), true);
    EXPECT_EQ(opened.slot, -1);
    EXPECT_EQ(opened.nonce, -1);
    ReplyBuffer deleted(Call(Code::DeleteAsset, KuidPayload(KUID(5, 6, 0), {1})));
    EXPECT_FALSE(deleted.ReadBool(true));
}

TEST_F(AssetRequestsTest, EditCopyIsCommittedAsTheNextRevision)
{
    Start();
    InstallLoco();
    std::string committed = FolderOf(Loco);
    Opened edit = Open(Loco, true);
    ASSERT_NE(edit.slot, -1);
    EXPECT_EQ(edit.storeName, "editing");
    EXPECT_NE(edit.folder, committed);
    EXPECT_EQ(ReadFileText(edit.folder + "/body.im"), "mesh bytes");
    WriteFileText(edit.folder + "/body.im", "new mesh");
    EXPECT_EQ(ReadFileText(committed + "/body.im"), "mesh bytes");
    EXPECT_EQ(Info(Loco).status1 & 1, 1);  // E

    // Flag 8: the loco's texture source ("skin") is committed as it is; no
    // command host converts it here.
    ReplyBuffer reply(Call(Code::CommitAsset, HandlePayload(edit, {CommitKeepTextures})));
    EXPECT_TRUE(reply.ReadBool(false));
    EXPECT_TRUE(reply.ReadBool(false));  // replaced the first revision
    std::string now = FolderOf(Loco);
    EXPECT_NE(now, committed);
    EXPECT_EQ(ReadFileText(now + "/body.im"), "new mesh");
    EXPECT_FALSE(std::filesystem::exists(committed));  // moved to the trash, not deleted
    EXPECT_FALSE(std::filesystem::is_empty(UserData() + "/trash"));
    EXPECT_EQ(Info(Loco).status1 & 1, 0);
}

TEST_F(AssetRequestsTest, CommitOfTextureSourcesWithoutACommandHostFailsAndKeepsTheEditCopy)
{
    Start();
    InstallLoco();
    Opened edit = Open(Loco, true);
    ASSERT_NE(edit.slot, -1);
    // This installation has no utility to start as a command host.
    std::vector<KADTestMessage> notes;
    ReplyBuffer reply(Call(Code::CommitAsset, HandlePayload(edit, {0}), &notes));
    EXPECT_FALSE(reply.ReadBool(true));
    auto lines = ResultLinesOf(notes);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].first, 3);
    EXPECT_EQ(lines[0].second.rfind("Unable to commit asset: Unable to start a command host", 0), 0u)
        << lines[0].second;
    EXPECT_EQ(Info(Loco).status1 & 1, 1);  // still E
    EXPECT_EQ(ReadFileText(edit.folder + "/art/skin.texture.txt"), "skin");
}

TEST_F(AssetRequestsTest, RevertDropsTheEditCopyAndKeepsTheRevision)
{
    Start();
    InstallLoco();
    Opened edit = Open(Loco, true);
    WriteFileText(edit.folder + "/body.im", "scratch");
    ReplyBuffer reply(Call(Code::RevertAsset, HandlePayload(edit)));
    EXPECT_TRUE(reply.ReadBool(false));
    EXPECT_FALSE(std::filesystem::exists(edit.folder));
    EXPECT_EQ(ReadFileText(FolderOf(Loco) + "/body.im"), "mesh bytes");
    EXPECT_EQ(Info(Loco).status1 & 1, 0);
    // Nothing left to revert.
    Opened read = Open(Loco, false);
    ReplyBuffer again(Call(Code::RevertAsset, HandlePayload(read)));
    EXPECT_FALSE(again.ReadBool(true));
}

TEST_F(AssetRequestsTest, ExportedEntryReinstallsByteForByte)
{
    Start();
    InstallLoco();
    std::vector<KADTestMessage> notes;
    ReplyBuffer exported(Call(Code::ExportAssetChunk, KuidPayload(Loco, {3}), &notes));
    EXPECT_TRUE(ResultLinesOf(notes).empty());
    SoupHandle loaded;
    ASSERT_TRUE(ReadBinarySoup(loaded, exported));
    SoupHandle entry;
    entry.Copy(loaded);
    EXPECT_STREQ(entry.GetNamedTag(Zel::PString("compression")).c_str(), "LZSS");
    EXPECT_FALSE(entry.GetNamedTag(Zel::PString("dsid")).IsEmpty());

    SoupHandle archive;
    ASSERT_STREQ(AddAssetToArchive(archive, entry).c_str(), "");
    std::string path = Scratch() + "/loco.cdp";
    ASSERT_STREQ(WriteArchiveFile(archive, path.c_str()).c_str(), "");

    ReplyBuffer deleted(Call(Code::DeleteAsset, KuidPayload(Loco, {1})));
    EXPECT_TRUE(deleted.ReadBool(false));
    EXPECT_FALSE(Info(Loco).found);

    notes.clear();
    ReplyBuffer installed(Call(Code::InstallArchive, TextAndWord(path, 2), &notes));
    EXPECT_EQ(installed.ReadUInt32(0), 1u);
    EXPECT_FALSE(installed.ReadBool(true));
    auto lines = ResultLinesOf(notes);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].first, 4);
    std::string folder = FolderOf(Loco);
    EXPECT_EQ(ReadFileText(folder + "/body.im"), "mesh bytes");
    EXPECT_EQ(ReadFileText(folder + "/art/skin.texture.txt"), "skin");
    AssetInfo info = Info(Loco);
    EXPECT_EQ(info.status0 & 0x04, 0);  // signature verified: not locally modified
    EXPECT_EQ(info.category, "TR;TV;LOC;DIES");
}

TEST_F(AssetRequestsTest, GenerateKUIDUsesTheConfiguredUser)
{
    Start("kuid-user-id 4321\n");
    ReplyBuffer first(Call(Code::GenerateKUID, {}));
    ReplyBuffer second(Call(Code::GenerateKUID, {}));
    EXPECT_EQ(first.ReadKUID(), KUID(4321, 0, 0));
    EXPECT_EQ(second.ReadKUID(), KUID(4321, 1, 0));
}

TEST_F(AssetRequestsTest, GenerateKUIDWithoutAUserIsNull)
{
    Start();
    ReplyBuffer reply(Call(Code::GenerateKUID, {}));
    EXPECT_TRUE(reply.ReadKUID().IsNull());
}

TEST_F(AssetRequestsTest, NewAssetForEditBecomesInstalledOnCommit)
{
    Start("kuid-user-id 77\n");
    TBuffer request;
    request.WriteKUID(NullKUID);
    request.WriteUInt8(1);
    request.WriteString(Zel::String("Consist"));
    ReplyBuffer reply(Call(Code::OpenAssetForEdit, BytesOfBuffer(request)));
    Opened edit;
    edit.slot = reply.ReadInt32(-1);
    edit.nonce = reply.ReadInt32(-1);
    KUID id = reply.ReadKUID();
    edit.storeName = reply.ReadPString().c_str();
    edit.folder = reply.ReadString().c_str();
    ASSERT_NE(edit.slot, -1);
    EXPECT_EQ(id, KUID(77, 0, 0));
    EXPECT_EQ(edit.storeName, "editing");
    EXPECT_NE(ReadFileText(edit.folder + "/config.txt").find("Consist"), std::string::npos);
    EXPECT_EQ(Info(id).status0 & 0x08, 0);  // not installed yet

    ReplyBuffer committed(Call(Code::CommitAsset, HandlePayload(edit, {0})));
    EXPECT_TRUE(committed.ReadBool(false));
    EXPECT_FALSE(committed.ReadBool(true));
    EXPECT_EQ(Info(id).status0 & 0x08, 0x08);
}

TEST_F(AssetRequestsTest, SearchEvaluatesTheFilterTree)
{
    Start();
    InstallLoco();
    WriteAssetFolder(Scratch() + "/house", "kuid <kuid:1234:200>\nkind \"buildable\"\nusername \"House\"\n", {});
    KUID house = InstallFolder(Scratch() + "/house");
    ASSERT_EQ(house, KUID(1234, 200, 0));

    EXPECT_EQ(Search(Int32Payload({0})), (std::vector<KUID>{Loco, house}));
    KADFilterElementString train(FilterStringCategoryList, Zel::PString("TR"));
    EXPECT_EQ(Search(FilterPayload(&train)), std::vector<KUID>{Loco});
    KADFilterElementString building(FilterStringCategoryList, Zel::PString("BD;-TR"));
    EXPECT_EQ(Search(FilterPayload(&building)), std::vector<KUID>{house});
    KADFilterElementString everything(FilterStringCategoryList, Zel::PString(""));
    EXPECT_EQ(Search(FilterPayload(&everything)).size(), 2u);
    KADFilterElementGroup all;
    EXPECT_EQ(Search(FilterPayload(&all)).size(), 2u);
    KADFilterElementGroup notTrains(new KADFilterElementString(FilterStringCategoryList, Zel::PString("TR")));
    notTrains.SetNegated(true);
    EXPECT_EQ(Search(FilterPayload(&notTrains)), std::vector<KUID>{house});
    KADFilterElementString name(FilterStringAssetName, Zel::PString("loco"));
    EXPECT_EQ(Search(FilterPayload(&name)), std::vector<KUID>{Loco});
    KADFilterElementString exactName(FilterStringAssetName, Zel::PString("\"loco\""));
    EXPECT_TRUE(Search(FilterPayload(&exactName)).empty());
    KADFilterElementInt author(1, 1234, 1234, true, true);
    EXPECT_EQ(Search(FilterPayload(&author)).size(), 2u);
    KADFilterElementAssetID ids;
    ids.Insert(house);
    EXPECT_EQ(Search(FilterPayload(&ids)), std::vector<KUID>{house});
}

TEST_F(AssetRequestsTest, KeywordsFavouriteAndAuthor)
{
    Start();
    InstallLoco();
    TBuffer keywords;
    keywords.WriteKUID(Loco);
    keywords.WriteString(Zel::String("TR;TV;LOC;DIES;#fast;#red"));
    Call(Code::SetAssetKeywords, BytesOfBuffer(keywords));
    EXPECT_EQ(Info(Loco).categoryWithTags, "TR;TV;LOC;DIES;#fast;#red");
    KADFilterElementString tagged(FilterStringCategoryList, Zel::PString("#fast"));
    EXPECT_EQ(Search(FilterPayload(&tagged)), std::vector<KUID>{Loco});
    KADFilterElementString keyword(FilterStringKeywordList, Zel::PString("red"));
    EXPECT_EQ(Search(FilterPayload(&keyword)), std::vector<KUID>{Loco});

    TBuffer favourite;
    favourite.WriteKUID(Loco);
    favourite.WriteUInt8(1);
    Call(Code::SetAssetFavorite, BytesOfBuffer(favourite));
    EXPECT_EQ(Info(Loco).rating, 5);

    ReplyBuffer author(Call(Code::GetAuthorName, Int32Payload({1234})));
    EXPECT_EQ(author.ReadInt32(0), 1234);
    EXPECT_STREQ(author.ReadPString().c_str(), "Jane");
    ReplyBuffer nobody(Call(Code::GetAuthorName, Int32Payload({99})));
    EXPECT_EQ(nobody.ReadInt32(0), -1);
}

TEST_F(AssetRequestsTest, ResolveAndDependencies)
{
    Start();
    InstallLoco();
    ReplyBuffer resolved(Call(Code::ResolveAssetID, KuidPayload(KUID(1234, 100, 0))));
    EXPECT_EQ(resolved.ReadKUID(), Loco);
    ReplyBuffer unknown(Call(Code::ResolveAssetID, KuidPayload(KUID(9, 9, 0))));
    EXPECT_EQ(unknown.ReadKUID(), KUID(9, 9, 0));
    ReplyBuffer builds(Call(Code::ListBuilds, {}));
    EXPECT_NE(std::string(builds.ReadPString().c_str()).find("44088"), std::string::npos);
}

}  // namespace
