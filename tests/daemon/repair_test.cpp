// The database repair of the real daemon: batches across their boundary, a crash between batches, the faulty mark, the trash purge.
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <thread>

#include "results/results_log.h"
#include "asset_test_support.h"
#include "assetdb/protocol/kad_protocol.h"
#include "daemon/store_connection.h"

namespace {

constexpr std::int32_t PlainRepair = KADRepairModeNormal;
constexpr std::int32_t ExtendedRepair = KADRepairModeExtended;
constexpr int CrashExitCode = 86;
// More folders than one batch of the repair holds.
constexpr int FolderCount = 1200;
constexpr int BatchSize = 1000;

std::string AssetFolderConfig(int content)
{
    return "kuid <kuid:424242:" + std::to_string(content) + ">\nkind \"scenery\"\nusername \"Folder " +
           std::to_string(content) + "\"\n";
}

class RepairTest : public AssetStoreTest {
protected:
    void TearDown() override
    {
        unsetenv("KAD_TEST_CRASH_AT");
        AssetStoreTest::TearDown();
    }

    // Committed folders without rows, as a lost index leaves them; asset 1
    // also has an older revision beside its newest.
    void WriteFolders()
    {
        for (int content = 1; content <= FolderCount; ++content) {
            std::string key = UserData() + "/local/kuid_424242_" + std::to_string(content) + "_0";
            WriteAssetFolder(key + "/r2/asset", AssetFolderConfig(content), {});
        }
        WriteAssetFolder(UserData() + "/local/kuid_424242_1_0/r1/asset", AssetFolderConfig(1), {});
    }

    // Starts a repair and polls it to its end; the repair's lines.
    std::vector<std::pair<std::int32_t, std::string>> Repair(std::int32_t mode)
    {
        std::vector<KADTestMessage> notes;
        Call(KADRequestCode::StartRepair, Int32Payload({mode}), &notes);
        for (;;) {
            ReplyBuffer reply(Call(KADRequestCode::GetRepairProgress, {}, &notes));
            if (!reply.ReadBool(false))
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return ResultLinesOf(notes);
    }

    std::size_t CountAssets() { return Search(Int32Payload({0})).size(); }

    static int CountLinesWith(const std::vector<std::pair<std::int32_t, std::string>>& lines, const std::string& text)
    {
        int count = 0;
        for (const auto& line : lines)
            count += line.second.find(text) != std::string::npos ? 1 : 0;
        return count;
    }

    bool OlderRevisionPresent() const { return std::filesystem::exists(UserData() + "/local/kuid_424242_1_0/r1"); }
};

TEST_F(RepairTest, FoldersAcrossABatchBoundaryAreAllAddedAndSurviveARestart)
{
    WriteFolders();
    Start();
    auto lines = Repair(PlainRepair);
    EXPECT_EQ(CountLinesWith(lines, "added to the database"), FolderCount);
    EXPECT_EQ(CountLinesWith(lines, "older revision"), 1);
    EXPECT_EQ(CountAssets(), static_cast<std::size_t>(FolderCount));
    EXPECT_FALSE(OlderRevisionPresent());
    EXPECT_EQ(Info(KUID(424242, FolderCount, 0)).name, "Folder " + std::to_string(FolderCount));

    Stop();
    Start();
    EXPECT_EQ(CountAssets(), static_cast<std::size_t>(FolderCount));
    // A second repair finds nothing to change.
    EXPECT_TRUE(Repair(PlainRepair).empty());
}

#ifdef KORVEL_TEST_HOOKS
TEST_F(RepairTest, ARepairKilledAfterItsFirstBatchIsCompletedByTheNext)
{
    WriteFolders();
    setenv("KAD_TEST_CRASH_AT", "repair.batch", 1);
    Start();
    Call(KADRequestCode::StartRepair, Int32Payload({PlainRepair}));
    EXPECT_TRUE(client.WaitForClose());
    client.Close();
    EXPECT_EQ(installation.WaitForExit(daemon), CrashExitCode);

    unsetenv("KAD_TEST_CRASH_AT");
    Start();
    // The first batch is committed whole, nothing after it; the older
    // revision of asset 1, whose row is in that batch, was not yet moved.
    EXPECT_EQ(CountAssets(), static_cast<std::size_t>(BatchSize));
    EXPECT_TRUE(OlderRevisionPresent());

    auto lines = Repair(PlainRepair);
    EXPECT_EQ(CountLinesWith(lines, "added to the database"), FolderCount - BatchSize);
    EXPECT_EQ(CountAssets(), static_cast<std::size_t>(FolderCount));
    EXPECT_FALSE(OlderRevisionPresent());
    EXPECT_FALSE(std::filesystem::is_empty(UserData() + "/trash"));
}
#endif

// Sets an entry's own modification time (a link's, not its target's).
void SetModified(const std::string& path, std::time_t when)
{
    timespec times[2] = {{when, 0}, {when, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << path;
}

TEST_F(RepairTest, TheExtendedRepairPurgesTrashEntriesPastTheirRetention)
{
    const std::time_t now = std::time(nullptr);
    const std::time_t old = now - 11 * 24 * 3600;
    const std::time_t recent = now - 9 * 24 * 3600;
    const std::string trash = UserData() + "/trash/";
    const std::string outside = Scratch() + "/outside";
    WriteAssetFolder(outside, "kuid <kuid:9:9>\n", {{"keep.im", "keep"}});
    struct Entry {
        std::string name;
        std::time_t nameTime;  // 0: a name without a time
        std::time_t modified;
        bool link;  // a link to a folder outside the trash
        bool purged;
    };
    const std::vector<Entry> entries = {
        {"kuid_1_2_0-%-1-0", old, old, false, true},
        {"kuid_1_3_0-%-1-0", old, recent, false, false},  // touched since it was trashed
        {"kuid_1_4_0-%-1-0", recent, old, false, false},  // trashed recently, its files are old
        {"kuid_-1_5_-2-%-1-0-1", old, old, false, true},  // negative numbers in the key
        {"left-by-hand", 0, old, false, true},
        {"left-by-hand-recently", 0, recent, false, false},
        {"old-link", 0, old, true, true},
    };
    for (const Entry& entry : entries) {
        std::string name = entry.name;
        if (name.find('%') != std::string::npos)
            name.replace(name.find('%'), 1, std::to_string(entry.nameTime));
        std::string path = trash + name;
        if (entry.link) {
            std::filesystem::create_directories(trash);
            ASSERT_EQ(symlink(outside.c_str(), path.c_str()), 0);
        } else {
            // A link inside a purged folder goes as a link: its target stays.
            WriteAssetFolder(path + "/asset", "kuid <kuid:1:2>\n", {{"body.im", "old"}});
            ASSERT_EQ(symlink(outside.c_str(), (path + "/asset/outside").c_str()), 0);
        }
        SetModified(path, entry.modified);
    }
    Start("trash-retention-days 10\n");

    // The plain repair leaves the trash alone.
    Repair(PlainRepair);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(trash), {}), static_cast<long>(entries.size()));

    auto lines = Repair(ExtendedRepair);
    EXPECT_EQ(CountLinesWith(lines, "4 trash entries older than 10 days were removed."), 1);
    for (const Entry& entry : entries) {
        std::string name = entry.name;
        if (name.find('%') != std::string::npos)
            name.replace(name.find('%'), 1, std::to_string(entry.nameTime));
        EXPECT_EQ(std::filesystem::symlink_status(trash + name).type() == std::filesystem::file_type::not_found,
                  entry.purged)
            << entry.name;
    }
    EXPECT_EQ(ReadFileText(outside + "/keep.im"), "keep");
}

TEST_F(RepairTest, AnEditCopyThatIsGoneNoLongerKeepsTheAssetOpenForEdit)
{
    WriteAssetFolder(Scratch() + "/house", AssetFolderConfig(8), {});
    Start();
    const KUID house = InstallFolder(Scratch() + "/house");
    ASSERT_EQ(house, KUID(424242, 8, 0));
    Opened edit = Open(house, true);
    ASSERT_FALSE(edit.folder.empty());
    ASSERT_EQ(Info(house).status1 & 1, 1);
    std::filesystem::remove_all(UserData() + "/editing");

    auto lines = Repair(PlainRepair);
    EXPECT_EQ(CountLinesWith(lines, "edit copy is missing"), 1);
    AssetInfo info = Info(house);
    EXPECT_EQ(info.status1 & 1, 0);
    EXPECT_EQ(info.status0 & 8, 8);
    // A read-only open gives the committed folder again, and it is there.
    EXPECT_TRUE(std::filesystem::exists(Open(house, false).folder + "/config.txt"));
}

TEST_F(RepairTest, ACommittedEditCopyThatReadsFineIsNoLongerFaulty)
{
    // A file besides the config, so that the folder without its config is
    // unreadable rather than empty.
    WriteAssetFolder(Scratch() + "/house", AssetFolderConfig(9), {{"body.im", "mesh"}});
    Start();
    const KUID house = InstallFolder(Scratch() + "/house");
    ASSERT_EQ(house, KUID(424242, 9, 0));
    std::filesystem::remove(FolderOf(house) + "/config.txt");
    Repair(PlainRepair);
    ASSERT_EQ(Info(house).status1 & 2, 2);

    Opened edit = Open(house, true);
    WriteFileText(edit.folder + "/config.txt", AssetFolderConfig(9));
    ReplyBuffer committed(Call(KADRequestCode::CommitAsset, HandlePayload(edit, {0})));
    ASSERT_TRUE(committed.ReadBool(false));
    EXPECT_EQ(Info(house).status1 & 2, 0);
}

TEST_F(RepairTest, ADaemonWhoseStoreDidNotStartRepairsNothingAndSaysSo)
{
    Start();
    Stop();
    {
        // A change the store can never finish recovering.
        KADStoreConnection index;
        ASSERT_TRUE(index.Open(UserData() + "/assets.tdx/index.sqlite"));
        ASSERT_TRUE(index.Exec("INSERT INTO op_journal (kind, user, content, version, src, dst, old, created)"
                               " VALUES ('install', 1, 2, 0, '', '', '', 0)"));
        ASSERT_TRUE(index.Exec("CREATE TRIGGER stuck BEFORE DELETE ON op_journal"
                               " BEGIN SELECT RAISE(ABORT, 'stuck'); END"));
    }
    Start();
    // Without a store the repair has no folders of its own; it must not take
    // the file system's root for them.
    const std::string strayIndex = "/index.sqlite";
    const bool strayBefore = std::filesystem::exists(strayIndex);
    auto lines = Repair(ExtendedRepair);
    const bool strayAfter = std::filesystem::exists(strayIndex);
    if (!strayBefore) {
        for (const char* suffix : {"", "-wal", "-shm"})
            std::filesystem::remove(strayIndex + suffix);
    }
    EXPECT_EQ(strayAfter, strayBefore);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].first, 3);
    EXPECT_NE(lines[0].second.find("cannot be repaired"), std::string::npos) << lines[0].second;
}

TEST_F(RepairTest, TheExtendedRepairSaysWhenItCannotValidateAndMarksNothingFaulty)
{
    // This installation has no program to start as a command host: no
    // asset can be asked about, and none is judged faulty for it.
    WriteAssetFolder(UserData() + "/local/kuid_424242_7_0/r1/asset", AssetFolderConfig(7), {});
    WriteAssetFolder(UserData() + "/local/kuid_424242_8_0/r1/asset", AssetFolderConfig(8), {});
    Start();
    auto lines = Repair(ExtendedRepair);
    EXPECT_EQ(CountLinesWith(lines, "The remaining assets were not re-validated."), 1);
    EXPECT_EQ(Info(KUID(424242, 7, 0)).status1 & 2, 0);
    EXPECT_EQ(Info(KUID(424242, 8, 0)).status1 & 2, 0);
}

}  // namespace
