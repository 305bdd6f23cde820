// Crash atomicity of a batch install: the daemon ends between the assets of an archive and around its flushes.
#include <stdlib.h>

#include <filesystem>

#include "asset_test_support.h"
#include "assetdb/protocol/kad_requests.h"
#include "soup/archive_builder.h"
#include "soup/binary_soup.h"

namespace {

using Code = KADRequestCode;

// The exit code of a daemon ended at a crash point.
constexpr int CrashExitCode = 86;

struct BatchCrash {
    const char* point;
    bool completes;  // after the restart every asset of the archive is in
};

void PrintTo(const BatchCrash& crash, std::ostream* out)
{
    *out << crash.point;
}

class BatchAtomicityTest : public AssetStoreTest, public ::testing::WithParamInterface<BatchCrash> {
protected:
    void TearDown() override
    {
        unsetenv("KAD_TEST_CRASH_AT");
        AssetStoreTest::TearDown();
    }

    // An archive of three assets; the first two are then deleted, the third
    // stays installed, so the batch both adds and replaces.
    std::string MakeArchive()
    {
        SoupHandle archive;
        for (std::int32_t i = 0; i < 3; ++i) {
            std::string folder = Scratch() + "/a" + std::to_string(i);
            WriteAssetFolder(folder,
                             "kuid <kuid:1234:" + std::to_string(200 + i) + ">\nkind \"scenery\"\nusername \"Batch\"\n",
                             {{"body.im", "batch " + std::to_string(i)}});
            EXPECT_EQ(InstallFolder(folder), ids[i]);
            ReplyBuffer exported(Call(Code::ExportAssetChunk, KuidPayload(ids[i], {3})));
            SoupHandle loaded;
            EXPECT_TRUE(ReadBinarySoup(loaded, exported));
            SoupHandle entry;
            entry.Copy(loaded);
            EXPECT_STREQ(AddAssetToArchive(archive, entry).c_str(), "");
        }
        std::string path = Scratch() + "/batch.cdp";
        EXPECT_STREQ(WriteArchiveFile(archive, path.c_str()).c_str(), "");
        for (std::int32_t i = 0; i < 2; ++i) {
            ReplyBuffer deleted(Call(Code::DeleteAsset, KuidPayload(ids[i], {1})));
            EXPECT_TRUE(deleted.ReadBool(false));
        }
        return path;
    }

    const KUID ids[3] = {KUID(1234, 200, 0), KUID(1234, 201, 0), KUID(1234, 202, 0)};
};

TEST_P(BatchAtomicityTest, RestartFinishesOrRollsBackTheWholeBatch)
{
    const BatchCrash& crash = GetParam();
    Start();
    std::string archive = MakeArchive();
    std::string replacedFolder = FolderOf(ids[2]);

    Stop();
    setenv("KAD_TEST_CRASH_AT", crash.point, 1);
    Start();
    client.SendRequest(Code::InstallArchive, TextAndWord(archive, 2));
    EXPECT_TRUE(client.WaitForClose());
    client.Close();
    EXPECT_EQ(installation.WaitForExit(daemon), CrashExitCode);
    unsetenv("KAD_TEST_CRASH_AT");
    Start();

    for (std::int32_t i = 0; i < 3; ++i) {
        AssetInfo info = Info(ids[i]);
        EXPECT_EQ(info.found, i == 2 || crash.completes) << i;
        if (info.found) {
            EXPECT_EQ(ReadFileText(FolderOf(ids[i]) + "/body.im"), "batch " + std::to_string(i));
        }
    }
    // The replaced revision is in its place, or (replaced) in the trash.
    EXPECT_EQ(FolderOf(ids[2]) != replacedFolder, crash.completes);
    EXPECT_EQ(std::filesystem::exists(replacedFolder), !crash.completes);
    for (const char* store : {"/local", "/trash"}) {
        for (const auto& entry : std::filesystem::recursive_directory_iterator(UserData() + store)) {
            std::string name = entry.path().filename().string();
            EXPECT_EQ(name.rfind(".staging-", 0), std::string::npos) << entry.path();
            if (name.rfind("kuid_", 0) == 0 && std::string(store) == "/local") {
                EXPECT_FALSE(std::filesystem::is_empty(entry.path())) << entry.path();
            }
        }
    }
    // A second install of the same archive after the restart works whatever was left.
    std::vector<KADTestMessage> notes;
    ReplyBuffer again(Call(Code::InstallArchive, TextAndWord(archive, 2), &notes));
    EXPECT_EQ(again.ReadUInt32(0), 3u);
}

INSTANTIATE_TEST_SUITE_P(EveryBatchStep, BatchAtomicityTest,
                         ::testing::Values(
                             // Between the assets, before the batch's flush: nothing of the batch is recorded.
                             BatchCrash{"install.staged", false}, BatchCrash{"install.synced", false},
                             BatchCrash{"install.parked", false},
                             // From the recorded intent on, the next start completes every asset.
                             BatchCrash{"install.journaled", true}, BatchCrash{"install.renamed", true},
                             BatchCrash{"install.published", true}),
                         [](const ::testing::TestParamInfo<BatchCrash>& info) {
                             std::string name = info.param.point;
                             for (char& c : name)
                                 if (c == '.')
                                     c = '_';
                             return name;
                         });

}  // namespace
