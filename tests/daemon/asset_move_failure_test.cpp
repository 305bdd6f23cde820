// A change whose folders cannot move fails whole: the row and every folder as they were, an error line, and it can be done once the disk allows.
#include <stdlib.h>

#include <filesystem>

#include "asset_test_support.h"
#include "assetdb/protocol/kad_requests.h"
#include "support/scratch_tmpfs.h"

namespace {

using Code = KADRequestCode;
using Lines = std::vector<std::pair<std::int32_t, std::string>>;

const KUID Loco(1234, 100, 0);
constexpr std::int32_t LineError = 3;

bool HasErrorWith(const Lines& lines, const std::string& text)
{
    for (const auto& line : lines) {
        if (line.first == LineError && line.second.find(text) != std::string::npos)
            return true;
    }
    return false;
}

std::string Dump(const Lines& lines)
{
    std::string text;
    for (const auto& line : lines)
        text += std::to_string(line.first) + " " + line.second + "\n";
    return text;
}

class AssetMoveFailureTest : public AssetStoreTest {
protected:
    void TearDown() override
    {
        unsetenv("KAD_TEST_FAIL_AT");
        AssetStoreTest::TearDown();
    }

    // Loco installed ("first") and open for edit ("second" in the edit copy).
    void InstallAndEdit()
    {
        WriteAssetFolder(Scratch() + "/loco", "kuid <kuid2:1234:100:0>\nkind \"scenery\"\nusername \"Loco\"\n",
                         {{"body.im", "first"}});
        ASSERT_EQ(InstallFolder(Scratch() + "/loco"), Loco);
        committed = FolderOf(Loco);
        editFolder = Open(Loco, true).folder;
        ASSERT_FALSE(editFolder.empty());
        WriteFileText(editFolder + "/body.im", "second");
    }

    bool Request(KADRequestCode code, const KADBytes& payload, Lines& lines)
    {
        std::vector<KADTestMessage> notes;
        ReplyBuffer reply(Call(code, payload, &notes));
        lines = ResultLinesOf(notes);
        return reply.ReadBool(false);
    }

    bool Commit(Lines& lines) { return Request(Code::CommitAsset, HandlePayload(Open(Loco, true), {0}), lines); }
    bool Revert(Lines& lines) { return Request(Code::RevertAsset, HandlePayload(Open(Loco, false)), lines); }
    bool Delete(Lines& lines) { return Request(Code::DeleteAsset, KuidPayload(Loco, {1}), lines); }

    // Installed, still open for edit, both folders with their content, and
    // nothing set aside left behind.
    void ExpectUntouched()
    {
        AssetInfo info = Info(Loco);
        EXPECT_TRUE(info.found);
        EXPECT_EQ(info.status0 & 0x08, 0x08);
        EXPECT_EQ(info.status1 & 1, 1);
        EXPECT_EQ(ReadFileText(committed + "/body.im"), "first");
        EXPECT_EQ(ReadFileText(editFolder + "/body.im"), "second");
        EXPECT_EQ(Open(Loco, true).folder, editFolder);
        ExpectNothingSetAside();
    }

    void ExpectNothingSetAside()
    {
        for (const char* store : {"/local", "/editing"}) {
            if (!std::filesystem::exists(UserData() + store))
                continue;
            for (const auto& entry : std::filesystem::recursive_directory_iterator(UserData() + store))
                EXPECT_EQ(entry.path().filename().string().rfind(".staging-", 0), std::string::npos) << entry.path();
        }
    }

    std::string committed;
    std::string editFolder;
};

#ifdef KORVEL_TEST_HOOKS
// The last rename, after the index recorded the change, fails (as a disk
// that breaks at that moment would make it): the index takes the change
// back and every folder returns to its place.
TEST_F(AssetMoveFailureTest, AMoveIntoPlaceThatFailsAfterTheRecordIsTakenBack)
{
    Start();
    InstallAndEdit();
    Stop();
    for (const char* point : {"commit.rename", "install.rename", "edit.rename"}) {
        SCOPED_TRACE(point);
        setenv("KAD_TEST_FAIL_AT", point, 1);
        Start();
        Lines lines;
        if (std::string(point) == "commit.rename") {
            EXPECT_FALSE(Commit(lines));
            EXPECT_TRUE(HasErrorWith(lines, "Unable to commit asset: The new folder cannot be put in place at "))
                << Dump(lines);
        } else if (std::string(point) == "install.rename") {
            WriteAssetFolder(Scratch() + "/loco", "kuid <kuid2:1234:100:0>\nkind \"scenery\"\n",
                             {{"body.im", "third"}});
            EXPECT_TRUE(InstallFolder(Scratch() + "/loco", &lines).IsNull());
            EXPECT_TRUE(HasErrorWith(lines, "The new folder cannot be put in place at ")) << Dump(lines);
        } else {
            // A second edit copy is made only after a revert.
            ASSERT_TRUE(Revert(lines));
            EXPECT_EQ(Open(Loco, true).slot, -1);
            EXPECT_EQ(Info(Loco).status1 & 1, 0);
            unsetenv("KAD_TEST_FAIL_AT");
            Stop();
            Start();
            editFolder = Open(Loco, true).folder;
            WriteFileText(editFolder + "/body.im", "second");
        }
        ExpectUntouched();
        Stop();
        unsetenv("KAD_TEST_FAIL_AT");
    }
    // Nothing of the failed changes is left for the next start to do.
    Start();
    ExpectUntouched();
    Lines lines;
    EXPECT_TRUE(Commit(lines)) << Dump(lines);
    EXPECT_EQ(ReadFileText(FolderOf(Loco) + "/body.im"), "second");
    EXPECT_FALSE(std::filesystem::exists(committed));
}
#endif

// A folder that cannot leave its place stops the change before anything is
// recorded: a delete whose edit copy lies on a read-only file system keeps
// the committed folder it had already set aside, and the row.
TEST_F(AssetMoveFailureTest, ADeleteOrRevertWhoseEditCopyCannotMoveChangesNothing)
{
    KorvelTest::ScratchTmpfs editing;
    if (!editing.Mount(UserData() + "/editing", 16 << 20))
        GTEST_SKIP() << "Needs a second file system: " << editing.Reason();
    Start();
    InstallAndEdit();
    ASSERT_TRUE(editing.MakeReadOnly()) << editing.Reason();

    Lines lines;
    EXPECT_FALSE(Delete(lines));
    EXPECT_TRUE(HasErrorWith(lines, "Unable to delete asset: ")) << Dump(lines);
    EXPECT_TRUE(HasErrorWith(lines, "Read-only file system")) << Dump(lines);
    ExpectUntouched();

    EXPECT_FALSE(Revert(lines));
    EXPECT_TRUE(HasErrorWith(lines, "Unable to revert asset: ")) << Dump(lines);
    ExpectUntouched();

    // The same requests once the disk allows them.
    ASSERT_TRUE(editing.MakeWritable());
    Stop();
    Start();
    ExpectUntouched();
    EXPECT_TRUE(Delete(lines)) << Dump(lines);
    EXPECT_FALSE(Info(Loco).found);
    EXPECT_FALSE(std::filesystem::exists(UserData() + "/local/kuid_1234_100_0"));
    EXPECT_FALSE(std::filesystem::exists(UserData() + "/editing/kuid_1234_100_0"));
}

}  // namespace
