// Crash atomicity of the store: the daemon ends at each step of a change; after a restart no asset is half there.
#include <stdlib.h>

#include <filesystem>

#include "asset_test_support.h"
#include "assetdb/protocol/kad_requests.h"
#include "support/scratch_tmpfs.h"

namespace {

using Code = KADRequestCode;

const KUID Loco(1234, 100, 0);
// The exit code of a daemon ended at a crash point.
constexpr int CrashExitCode = 86;

enum class Operation { Install, Edit, Commit, Revert, Delete };

// Where the edit copies lie: beside the committed revisions, or on a file
// system of their own, so that every move between them and the committed
// revisions or the trash crosses file systems.
enum class Layout { OneFileSystem, EditingElsewhere };

struct CrashCase {
    const char* point;
    Operation operation;
    bool completes;  // after the restart the change has happened
    Layout layout = Layout::OneFileSystem;
};

void PrintTo(const CrashCase& crash, std::ostream* out)
{
    *out << crash.point;
}

std::string CaseName(const ::testing::TestParamInfo<CrashCase>& info)
{
    std::string name = info.param.point;
    for (char& c : name)
        if (c == '.')
            c = '_';
    return name;
}

class AssetAtomicityTest : public AssetStoreTest, public ::testing::WithParamInterface<CrashCase> {
protected:
    void SetUp() override
    {
        if (GetParam().layout == Layout::EditingElsewhere && !editing.Mount(UserData() + "/editing", 64 << 20))
            GTEST_SKIP() << "Needs a second file system: " << editing.Reason();
    }

    void TearDown() override
    {
        unsetenv("KAD_TEST_CRASH_AT");
        AssetStoreTest::TearDown();
    }

    void InstallLoco()
    {
        WriteAssetFolder(Scratch() + "/loco", "kuid <kuid2:1234:100:0>\nkind \"scenery\"\nusername \"Loco\"\n",
                         {{"body.im", "first"}});
        ASSERT_EQ(InstallFolder(Scratch() + "/loco"), Loco);
    }

    // Sends the request that is to crash the daemon; the daemon closes the
    // connection without a reply.
    void SendCrashing(KADRequestCode code, const KADBytes& payload)
    {
        client.SendRequest(code, payload);
        EXPECT_TRUE(client.WaitForClose());
        client.Close();
        EXPECT_EQ(installation.WaitForExit(daemon), CrashExitCode);
    }

    void StartCrashing(const char* point)
    {
        Stop();
        setenv("KAD_TEST_CRASH_AT", point, 1);
        Start();
    }

    void RestartClean()
    {
        unsetenv("KAD_TEST_CRASH_AT");
        Start();
    }

    // Every asset the store lists has its folder with its config; no
    // staging folder, no empty asset folder is left anywhere, and nothing
    // half copied into the trash.
    void ExpectConsistent()
    {
        for (const KUID& id : Search(Int32Payload({0}))) {
            std::string folder = FolderOf(id);
            EXPECT_TRUE(std::filesystem::exists(folder + "/config.txt")) << folder;
        }
        for (const char* store : {"/local", "/editing", "/trash"}) {
            if (!std::filesystem::exists(UserData() + store))
                continue;
            for (const auto& entry : std::filesystem::recursive_directory_iterator(UserData() + store)) {
                std::string name = entry.path().filename().string();
                EXPECT_EQ(name.rfind(".staging-", 0), std::string::npos) << entry.path();
                EXPECT_EQ(name.rfind(".partial-", 0), std::string::npos) << entry.path();
                if (name.rfind("kuid_", 0) == 0 && std::string(store) != "/trash") {
                    EXPECT_FALSE(std::filesystem::is_empty(entry.path())) << entry.path();
                }
            }
        }
    }

    KorvelTest::ScratchTmpfs editing;
};

TEST_P(AssetAtomicityTest, RestartFinishesOrRollsBack)
{
    const CrashCase& crash = GetParam();
    Start();
    if (crash.operation != Operation::Install)
        InstallLoco();
    // The committed folder, asked before an edit copy exists (the folder of
    // an asset open for edit is its edit copy).
    std::string committed = crash.operation == Operation::Install ? std::string() : FolderOf(Loco);
    std::string editFolder;
    // Across file systems a delete moves an edit copy too.
    bool withEdit = crash.operation == Operation::Commit || crash.operation == Operation::Revert ||
                    (crash.operation == Operation::Delete && crash.layout == Layout::EditingElsewhere);
    if (withEdit) {
        editFolder = Open(Loco, true).folder;
        WriteFileText(editFolder + "/body.im", "second");
    }

    StartCrashing(crash.point);
    switch (crash.operation) {
    case Operation::Install:
        WriteAssetFolder(Scratch() + "/loco", "kuid <kuid2:1234:100:0>\nkind \"scenery\"\n", {{"body.im", "first"}});
        SendCrashing(Code::InstallFolder, TextAndWord(Scratch() + "/loco", 0));
        break;
    case Operation::Edit: {
        TBuffer request;
        request.WriteKUID(Loco);
        request.WriteBool(true);
        SendCrashing(Code::OpenAsset, BytesOfBuffer(request));
        break;
    }
    case Operation::Commit:
        SendCrashing(Code::CommitAsset, HandlePayload(Open(Loco, true), {0}));
        break;
    case Operation::Revert:
        SendCrashing(Code::RevertAsset, HandlePayload(Open(Loco, true)));
        break;
    case Operation::Delete:
        SendCrashing(Code::DeleteAsset, KuidPayload(Loco, {1}));
        break;
    }

    RestartClean();
    ExpectConsistent();
    AssetInfo info = Info(Loco);
    bool editOpen = (info.status1 & 1) != 0;
    switch (crash.operation) {
    case Operation::Install:
        EXPECT_EQ(info.found, crash.completes);
        if (crash.completes) {
            EXPECT_EQ(ReadFileText(FolderOf(Loco) + "/body.im"), "first");
        }
        break;
    case Operation::Edit:
        EXPECT_EQ(editOpen, crash.completes);
        EXPECT_EQ(ReadFileText(FolderOf(Loco) + "/body.im"), "first");
        break;
    case Operation::Commit:
        EXPECT_EQ(editOpen, !crash.completes);
        EXPECT_EQ(ReadFileText(FolderOf(Loco) + "/body.im"), "second");
        if (crash.completes)
            EXPECT_FALSE(std::filesystem::exists(committed));
        else
            EXPECT_EQ(ReadFileText(committed + "/body.im"), "first");
        break;
    case Operation::Revert:
        EXPECT_EQ(editOpen, !crash.completes);
        EXPECT_EQ(std::filesystem::exists(editFolder), !crash.completes);
        break;
    case Operation::Delete:
        EXPECT_EQ(info.found, !crash.completes);
        EXPECT_EQ(std::filesystem::exists(committed), !crash.completes);
        if (!editFolder.empty()) {
            EXPECT_EQ(std::filesystem::exists(editFolder), !crash.completes);
            if (!crash.completes) {
                EXPECT_EQ(ReadFileText(editFolder + "/body.im"), "second");
            }
        }
        break;
    }
    // Nothing is ever deleted outright: whatever left its place is in the trash.
    if (crash.completes && crash.operation != Operation::Install && crash.operation != Operation::Edit) {
        EXPECT_FALSE(std::filesystem::is_empty(UserData() + "/trash"));
    }
}

INSTANTIATE_TEST_SUITE_P(
    EveryStep, AssetAtomicityTest,
    ::testing::Values(
        CrashCase{"install.staged", Operation::Install, false},
        CrashCase{"install.journaled", Operation::Install, true},
        CrashCase{"install.renamed", Operation::Install, true}, CrashCase{"edit.staged", Operation::Edit, false},
        CrashCase{"edit.journaled", Operation::Edit, true}, CrashCase{"commit.staged", Operation::Commit, false},
        CrashCase{"commit.journaled", Operation::Commit, true}, CrashCase{"commit.renamed", Operation::Commit, true},
        CrashCase{"revert.journaled", Operation::Revert, true}, CrashCase{"delete.staged", Operation::Delete, false},
        CrashCase{"delete.journaled", Operation::Delete, true}, CrashCase{"delete.renamed", Operation::Delete, true},
        // The folders that leave are set aside before anything is recorded.
        CrashCase{"install.parked", Operation::Install, false}, CrashCase{"commit.parked", Operation::Commit, false},
        CrashCase{"revert.parked", Operation::Revert, false}, CrashCase{"delete.parked", Operation::Delete, false},
        // An install is flushed with the other installs of its batch: after
        // the flush of the staged files, after the flush of the renames.
        CrashCase{"install.synced", Operation::Install, false},
        CrashCase{"install.published", Operation::Install, true}),
    CaseName);

constexpr Layout Elsewhere = Layout::EditingElsewhere;

// The edit copy is copied onto the committed revisions' file system before
// the commit is recorded, and copied into the trash before it leaves.
INSTANTIATE_TEST_SUITE_P(EveryStepAcrossFileSystems, AssetAtomicityTest,
                         ::testing::Values(CrashCase{"edit.staged", Operation::Edit, false, Elsewhere},
                                           CrashCase{"edit.journaled", Operation::Edit, true, Elsewhere},
                                           CrashCase{"commit.staged", Operation::Commit, false, Elsewhere},
                                           CrashCase{"commit.copied", Operation::Commit, false, Elsewhere},
                                           CrashCase{"commit.parked", Operation::Commit, false, Elsewhere},
                                           CrashCase{"commit.journaled", Operation::Commit, true, Elsewhere},
                                           CrashCase{"commit.renamed", Operation::Commit, true, Elsewhere},
                                           CrashCase{"trash.copied", Operation::Commit, true, Elsewhere},
                                           CrashCase{"revert.parked", Operation::Revert, false, Elsewhere},
                                           CrashCase{"revert.journaled", Operation::Revert, true, Elsewhere},
                                           CrashCase{"delete.parked", Operation::Delete, false, Elsewhere},
                                           CrashCase{"delete.journaled", Operation::Delete, true, Elsewhere},
                                           CrashCase{"delete.renamed", Operation::Delete, true, Elsewhere}),
                         CaseName);

}  // namespace
