// commit end to end when the edit copies or the committed revisions lie on another, read-only or full file system, and commit of a config that names no asset.
#include <filesystem>
#include <optional>

#include "e2e/store_safety_support.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;

namespace StoreSafety {
namespace {

// Edits Loco's readme in its edit copy; the edit copy's folder.
std::string EditReadme(const std::string& folder)
{
    WriteFileText(folder + "/readme.txt", "A loco.\nEdited.\n");
    return folder;
}

class CommitAcrossFileSystems : public StoreSafetyTest {
protected:
    // UserData/editing as a link to a folder in /dev/shm, as a user puts the
    // edit copies on another disk.
    bool LinkEditingToSharedMemory()
    {
        shared.emplace("korvel-editing", "/dev/shm");
        if (shared->Root().empty())
            return false;
        std::error_code ignored;
        fs::remove(UserData() + "/editing", ignored);  // an empty one the daemon may have made
        fs::create_symlink(shared->Root(), UserData() + "/editing", ignored);
        return !ignored;
    }

    std::optional<KorvelTest::TempFolder> shared;
};

TEST_F(CommitAcrossFileSystems, TheEditCopyIsCopiedAcrossAndCommitted)
{
    for (bool linked : {false, true}) {
        SCOPED_TRACE(linked ? "editing is a link to /dev/shm" : "editing is a tmpfs");
        InstallLoco();
        if (linked) {
            mount.Unmount();
            ASSERT_TRUE(LinkEditingToSharedMemory());
        } else if (!mount.Mount(UserData() + "/editing", 64 << 20)) {
            GTEST_SKIP() << "Needs a second file system: " << mount.Reason();
        }
        std::string folder = EditReadme(Edit());
        ASSERT_FALSE(folder.empty());
        E2E::RunResult commit = installation.Run({"commit", Loco});
        EXPECT_EQ(commit.exitStatus, 0) << commit.out;
        EXPECT_EQ(commit.out, "OK (0 Errors, 0 Warnings)\n");
        EXPECT_EQ(CommittedReadme(), "A loco.\nEdited.\n");
        ASSERT_EQ(CommittedFolders().size(), 1u);
        EXPECT_EQ(ReadFileText(CommittedFolders()[0] + "/body.im"), BigBody());
        EXPECT_FALSE(Exists(std::string("editing/") + LocoKey));
        EXPECT_EQ(Status(), "eIadLmf");

        // The repair finds the asset where the index says it is.
        E2E::RunResult repair = installation.Run({"repairdatabase"});
        EXPECT_EQ(repair.out, "Repairing asset database (this may take some time)\nOK (0 Errors, 0 Warnings)\n");
        EXPECT_EQ(Status(), "eIadLmf");
        EXPECT_EQ(CommittedReadme(), "A loco.\nEdited.\n");
        ASSERT_EQ(installation.Run({"delete", Loco}).exitStatus, 0);
    }
}

struct TargetFault {
    const char* name;
    bool full;  // else read-only
    const char* reason;
};

void PrintTo(const TargetFault& fault, std::ostream* out)
{
    *out << fault.name;
}

class CommitIntoABrokenTarget : public StoreSafetyTest, public ::testing::WithParamInterface<TargetFault> {};

TEST_P(CommitIntoABrokenTarget, FailsWithAReasonAndKeepsBothVersions)
{
    const TargetFault& fault = GetParam();
    if (!mount.Mount(UserData() + "/local", 32 << 20))
        GTEST_SKIP() << "Needs a second file system: " << mount.Reason();
    InstallLoco();
    std::string folder = EditReadme(Edit());
    ASSERT_EQ(Status(), "EIadLmf");
    ASSERT_TRUE(fault.full ? mount.Fill() : mount.MakeReadOnly()) << mount.Reason();

    E2E::RunResult commit = installation.Run({"commit", Loco});
    EXPECT_EQ(commit.exitStatus, 255) << commit.out;
    EXPECT_EQ(CountLines(commit.out, std::string("- ") + Loco + " : Unable to commit asset: ", fault.reason), 1)
        << commit.out;
    EXPECT_EQ(Status(), "EIadLmf");
    EXPECT_EQ(CommittedReadme(), "A loco.\n");
    EXPECT_EQ(ReadFileText(folder + "/readme.txt"), "A loco.\nEdited.\n");
    EXPECT_EQ(ReadFileText(folder + "/body.im"), BigBody());

    // Once the disk allows it, the same commit goes through.
    ASSERT_TRUE(fault.full ? (mount.Empty(), true) : mount.MakeWritable());
    commit = installation.Run({"commit", Loco});
    EXPECT_EQ(commit.exitStatus, 0) << commit.out;
    EXPECT_EQ(CommittedReadme(), "A loco.\nEdited.\n");
    EXPECT_EQ(Status(), "eIadLmf");
    E2E::RunResult repair = installation.Run({"repairdatabase"});
    EXPECT_EQ(repair.out, "Repairing asset database (this may take some time)\nOK (0 Errors, 0 Warnings)\n");
}

INSTANTIATE_TEST_SUITE_P(ReadOnlyOrFull, CommitIntoABrokenTarget,
                         ::testing::Values(TargetFault{"ReadOnly", false, "Read-only file system"},
                                           TargetFault{"Full", true, "No space left on device"}),
                         [](const ::testing::TestParamInfo<TargetFault>& info) { return info.param.name; });

// A config that reads as nothing (or whose "kuid" is gone) is refused like
// one that names another asset: committed, the asset would lose its kind,
// category and name.
TEST_F(StoreSafetyTest, ACommitOfAConfigThatDoesNotNameTheAssetIsRefused)
{
    struct BadConfig {
        const char* name;
        std::string text;
        const char* reason;
    };
    std::string garbage;
    for (int i = 0; i < 400; ++i)
        garbage.push_back(static_cast<char>((i * 97 + 13) & 0xFF));
    const BadConfig cases[] = {
        // The reader names what it found wrong in bytes that are no config.
        {"garbage", garbage, ""},
        {"empty", "", "its config cannot be read or names no asset id"},
        {"no kuid", "kind \"traincar\"\nusername \"Fast Loco\"\n", "its config cannot be read or names no asset id"},
        {"another asset", "kuid <kuid:1234:101>\nkind \"traincar\"\n",
         "its config names another asset id <kuid:1234:101>"},
    };
    InstallLoco();
    std::string folder = Edit();
    ASSERT_FALSE(folder.empty());
    std::string before = installation.Run({"status", Loco}).out;
    for (const BadConfig& bad : cases) {
        SCOPED_TRACE(bad.name);
        WriteFileText(folder + "/config.txt", bad.text);
        E2E::RunResult commit = installation.Run({"commit", Loco});
        EXPECT_EQ(commit.exitStatus, 255) << commit.out;
        EXPECT_EQ(CountLines(commit.out, std::string("- ") + Loco + " : Unable to commit asset: ", bad.reason), 1)
            << commit.out;
        // Still open for edit, with its category and name.
        std::string after = installation.Run({"status", Loco}).out;
        EXPECT_EQ(StatusLetters(after), "EIadLmf");
        EXPECT_EQ(after.substr(after.find(" : ", after.find(" : ") + 3)),
                  before.substr(before.find(" : ", before.find(" : ") + 3)));
        EXPECT_EQ(ReadFileText(folder + "/config.txt"), bad.text);
    }
    WriteFileText(folder + "/config.txt", LocoConfig());
    EXPECT_EQ(installation.Run({"commit", Loco}).exitStatus, 0);
    EXPECT_EQ(Status(), "eIadLmf");
}

}  // namespace
}  // namespace StoreSafety
