// The asset request wrappers against a scripted daemon: payload bytes, reply reading, handle counting, failures.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "assetdb/client_test_environment.h"
#include "assetdb/kad_asset_info.h"
#include "assetdb/kad_client.h"
#include "assetdb/kad_filter_element.h"
#include "kuid/kuid.h"
#include "support/fake_daemon.h"
#include "support/kad_wire_bytes.h"

namespace {

using namespace KorvelTest;

// Answers each request code with fixed bytes (empty when none is set) and
// records every request; codes listed as dropped close the connection.
class ScriptedDaemonTest : public FakeDaemonTest {
protected:
    void SetUp() override { StartAnswering(ClientTestDatabasePath()); }

    bool Respond(FakeDaemonConnection&, int32_t code, int32_t, const KADBytes&, KADBytes& reply) override
    {
        std::lock_guard<std::mutex> hold(lock);
        if (dropped.count(code) != 0)
            return false;
        reply = replies[code];
        return true;
    }

    void Answer(KADRequestCode code, KADBytes reply)
    {
        std::lock_guard<std::mutex> hold(lock);
        replies[KADRequestNumber(code)] = std::move(reply);
    }
    void Drop(KADRequestCode code)
    {
        std::lock_guard<std::mutex> hold(lock);
        dropped.insert(KADRequestNumber(code));
    }

    std::mutex lock;
    std::map<int32_t, KADBytes> replies;
    std::set<int32_t> dropped;
};

TEST_F(ScriptedDaemonTest, OpenWithoutAHandleGivesAnEmptyReferenceAndNoClose)
{
    Answer(KADRequestCode::OpenAsset, Int32Payload({-1, -1}));
    {
        KADAssetHandleRef handle = KADClient::OpenAsset(KUID(1, 2, 0), true, nullptr);
        EXPECT_FALSE(handle.IsValid());
    }
    EXPECT_EQ(SeenCodes(), RequestNumbers({KADRequestCode::OpenAsset}));
    // KUID (content, packed), then the writable byte.
    KADBytes payload = Int32Payload({2, 1});
    payload.push_back(1);
    EXPECT_EQ(Seen()[0].payload, payload);
}

TEST_F(ScriptedDaemonTest, LastReleaseClosesTheHandleOnceAndFolderIsAskedAfterCommit)
{
    Answer(KADRequestCode::OpenAsset, HandleReply(7, 99, "editing", "/u/editing/a"));
    Answer(KADRequestCode::GetAssetFolder, [] {
        KADBytes reply;
        AppendPStr(reply, "local");
        AppendStr(reply, "/u/local/a");
        return reply;
    }());
    Answer(KADRequestCode::CommitAsset, KADBytes{1, 1});
    KADAssetHandleRef handle = KADClient::OpenAsset(KUID(1, 2, 0), true, nullptr);
    ASSERT_TRUE(handle.IsValid());
    EXPECT_TRUE(handle.IsWritable());
    Zel::PString name;
    Zel::File::Path folder;
    ASSERT_TRUE(handle.GetFolder(name, folder));
    EXPECT_STREQ(folder.c_str(), "/u/editing/a");
    EXPECT_STREQ(name.c_str(), "editing");

    bool second = false;
    KADAssetHandleRef copy = handle;
    EXPECT_TRUE(KADClient::CommitAsset(copy, 0, nullptr, &second));
    EXPECT_TRUE(second);
    EXPECT_FALSE(copy.IsWritable());
    ASSERT_TRUE(handle.GetFolder(name, folder));
    ASSERT_TRUE(handle.GetFolder(name, folder));
    EXPECT_STREQ(folder.c_str(), "/u/local/a");
    copy.Release();
    EXPECT_EQ(SeenCodes(),
              RequestNumbers({KADRequestCode::OpenAsset, KADRequestCode::CommitAsset, KADRequestCode::GetAssetFolder}));
    handle.Release();
    auto seen = Seen();
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen[1].payload, Int32Payload({7, 99, 0}));
    EXPECT_EQ(seen[3].code, KADRequestNumber(KADRequestCode::CloseAssetHandle));
    EXPECT_EQ(seen[3].payload, Int32Payload({7, 99}));
}

TEST_F(ScriptedDaemonTest, RevertReleasesTheReferenceItIsGiven)
{
    Answer(KADRequestCode::OpenAsset, HandleReply(3, 4, "editing", "/f"));
    Answer(KADRequestCode::RevertAsset, KADBytes{1});
    KADAssetHandleRef handle = KADClient::OpenAsset(KUID(1, 2, 0), false, nullptr);
    EXPECT_TRUE(KADClient::RevertAsset(handle, nullptr));
    EXPECT_FALSE(handle.IsValid());
    EXPECT_EQ(SeenCodes(), RequestNumbers({KADRequestCode::OpenAsset, KADRequestCode::RevertAsset,
                                           KADRequestCode::CloseAssetHandle}));
    // Without a handle nothing is sent.
    EXPECT_FALSE(KADClient::RevertAsset(handle, nullptr));
    EXPECT_FALSE(KADClient::CommitAsset(handle, 0, nullptr, nullptr));
    EXPECT_EQ(SeenCodes().size(), 3u);
}

TEST_F(ScriptedDaemonTest, OpenForEditTakesTheIdFromTheReply)
{
    KADBytes reply = Int32Payload({5, 6, 100, int32_t((1u << 25) | 523)});
    AppendPStr(reply, "editing");
    AppendStr(reply, "/e");
    Answer(KADRequestCode::OpenAssetForEdit, reply);
    KADAssetHandleRef handle = KADClient::OpenAssetForEdit(NullKUID, true, Zel::String("Name"));
    ASSERT_TRUE(handle.IsValid());
    EXPECT_EQ(handle.Get()->assetId, KUID(523, 100, 1));
    KADBytes payload = Int32Payload({-1, -1});
    payload.push_back(1);
    AppendStr(payload, "Name");
    EXPECT_EQ(Seen()[0].payload, payload);
}

TEST_F(ScriptedDaemonTest, LatestVersionIsNotSentForNullOrEqualIds)
{
    KADClient::SetLatestVersion(NullKUID, KUID(1, 2, 3));
    KADClient::SetLatestVersion(KUID(1, 2, 3), NullKUID);
    KADClient::SetLatestVersion(KUID(1, 2, 3), KUID(1, 2, 3));
    KADClient::SetLatestVersion(KUID(1, 2, 3), KUID(1, 2, 4));
    EXPECT_EQ(SeenCodes(), RequestNumbers({KADRequestCode::SetLatestVersion}));
}

TEST_F(ScriptedDaemonTest, StatusTestsAreTrueWhenTheDaemonCannotBeAsked)
{
    Drop(KADRequestCode::GetAssetInfo);
    EXPECT_TRUE(KADClient::IsAssetLocallyModified(KUID(1, 2, 0)));
    EXPECT_TRUE(KADClient::HasStatusI(KUID(1, 2, 0)));
    EXPECT_TRUE(KADClient::HasStatusF(KUID(1, 2, 0)));
    EXPECT_TRUE(KADClient::HasStatusM(KUID(1, 2, 0), false));
    EXPECT_TRUE(KADClient::GetAssetName(KUID(1, 2, 0)).IsEmpty());
    KADAssetInfo info;
    EXPECT_FALSE(KADClient::GetAssetInfo(KUID(1, 2, 0), -1, info));
    EXPECT_EQ(info.localRating, 255);
}

TEST_F(ScriptedDaemonTest, StatusBitsComeFromTheRecord)
{
    // An installed asset (status 0 bit 3), not modified, missing dependencies.
    KADBytes reply = Int32Payload({2, 1});
    AppendStr(reply, "n");
    AppendStr(reply, "");
    AppendStr(reply, "");
    for (uint8_t b : {1, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0})
        reply.push_back(b);
    Answer(KADRequestCode::GetAssetInfo, reply);
    EXPECT_FALSE(KADClient::IsAssetLocallyModified(KUID(1, 2, 0)));
    EXPECT_TRUE(KADClient::HasStatusI(KUID(1, 2, 0)));
    EXPECT_FALSE(KADClient::HasStatusF(KUID(1, 2, 0)));
    EXPECT_TRUE(KADClient::HasStatusM(KUID(1, 2, 0), true));
    EXPECT_STREQ(KADClient::GetAssetName(KUID(1, 2, 0)).c_str(), "n");
    // Each accessor asks with its own mask.
    auto seen = Seen();
    ASSERT_EQ(seen.size(), 5u);
    EXPECT_EQ(seen[0].payload, Int32Payload({2, 1, 8}));
    EXPECT_EQ(seen[4].payload, Int32Payload({2, 1, 1}));
}

TEST_F(ScriptedDaemonTest, IdListsStopWhereTheReplyEnds)
{
    // A count of a billion with one id and half of another behind it.
    KADBytes reply = Int32Payload({1000000000, 9, 7, 5});
    Answer(KADRequestCode::SearchAssets, reply);
    Answer(KADRequestCode::GetDependencies, reply);
    ChunkedList<KUID, 128> found;
    KADFilterElementGroup filter;
    KADClient::SearchAssets(&filter, found);
    ASSERT_EQ(found.TotalCount(), 2);
    EXPECT_EQ(*found.At(0), KUID(7, 9, 0));
    EXPECT_TRUE(found.At(1)->IsNull());
    ChunkedList<KUID, 128> dependencies;
    EXPECT_TRUE(KADClient::GetAssetDependencies(KUID(1, 2, 0), dependencies));
    EXPECT_EQ(dependencies.TotalCount(), 2);
    auto seen = Seen();
    EXPECT_EQ(seen[0].payload, (KADBytes{'p', 'u', 'r', 'g', 1, 0, 0, 0, 0, 0}));
    EXPECT_EQ(seen[1].payload, Int32Payload({1, 2, 1}));
}

TEST_F(ScriptedDaemonTest, KeywordTextTooLongForTheWireIsNotSent)
{
    KADClient::SetAssetKeywords(KUID(1, 2, 0), Zel::String(std::string(0x10000, 'k')));
    KADClient::SetAssetKeywords(KUID(1, 2, 0), Zel::String("TR;#fast"));
    auto seen = Seen();
    ASSERT_EQ(seen.size(), 1u);
    KADBytes payload = Int32Payload({2, 1});
    AppendStr(payload, "TR;#fast");
    EXPECT_EQ(seen[0].payload, payload);
}

TEST_F(ScriptedDaemonTest, InstallArchiveAndGenerateKUIDReadTheirReplies)
{
    KADBytes installReply = Int32Payload({3});
    installReply.push_back(1);
    Answer(KADRequestCode::InstallArchive, installReply);
    Answer(KADRequestCode::GenerateKUID, Int32Payload({77, int32_t((2u << 25) | 12345)}));
    bool skipped = false;
    EXPECT_EQ(KADClient::InstallArchive(Zel::File::Path("/tmp/a.cdp"), nullptr, 2, &skipped, nullptr), 3u);
    EXPECT_TRUE(skipped);
    EXPECT_EQ(KADClient::GenerateKUID(), KUID(12345, 77, 2));
    KADBytes payload;
    AppendStr(payload, "/tmp/a.cdp");
    KADAppendInt32(payload, 2);
    EXPECT_EQ(Seen()[0].payload, payload);
    // An empty reply to GenerateKUID reads as the null id.
    Answer(KADRequestCode::GenerateKUID, KADBytes{});
    EXPECT_TRUE(KADClient::GenerateKUID().IsNull());
}

}  // namespace
