// delete and repair end to end: a delete the disk refuses says why and keeps the asset, and no empty asset folder outlives its asset.
#include <filesystem>

#include "e2e/store_safety_support.h"

namespace fs = std::filesystem;

namespace StoreSafety {
namespace {

const std::string RepairedCleanly = "Repairing asset database (this may take some time)\nOK (0 Errors, 0 Warnings)\n";

TEST_F(StoreSafetyTest, ADeleteFromAReadOnlyLocalFolderFailsAndKeepsTheAsset)
{
    if (!mount.Mount(UserData() + "/local", 32 << 20))
        GTEST_SKIP() << "Needs a second file system: " << mount.Reason();
    InstallLoco();
    ASSERT_TRUE(mount.MakeReadOnly()) << mount.Reason();

    E2E::RunResult deleted = installation.Run({"delete", Loco});
    EXPECT_EQ(deleted.exitStatus, 255) << deleted.out;
    EXPECT_EQ(
        CountLines(deleted.out, std::string("- ") + Loco + " : Unable to delete asset: ", "Read-only file system"), 1)
        << deleted.out;
    EXPECT_EQ(Status(), "eIadLmf");
    EXPECT_EQ(CommittedReadme(), "A loco.\n");

    ASSERT_TRUE(mount.MakeWritable());
    EXPECT_EQ(installation.Run({"repairdatabase"}).out, RepairedCleanly);
    deleted = installation.Run({"delete", Loco});
    EXPECT_EQ(deleted.exitStatus, 0) << deleted.out;
    EXPECT_EQ(deleted.out, "OK (0 Errors, 0 Warnings)\n");
    EXPECT_FALSE(Exists(std::string("local/") + LocoKey));
    EXPECT_FALSE(fs::is_empty(UserData() + "/trash"));
}

TEST_F(StoreSafetyTest, ADeleteOnAFullDiskFailsAndKeepsTheAsset)
{
    if (!mount.Mount(UserData(), 48 << 20))
        GTEST_SKIP() << "Needs a second file system: " << mount.Reason();
    InstallLoco();
    ASSERT_TRUE(mount.Fill());

    E2E::RunResult deleted = installation.Run({"delete", Loco});
    EXPECT_EQ(deleted.exitStatus, 255) << deleted.out;
    EXPECT_EQ(CountLines(deleted.out, std::string("- ") + Loco + " : Unable to delete asset: "), 1) << deleted.out;
    EXPECT_EQ(deleted.out.find("OK (0 Errors"), std::string::npos) << deleted.out;

    mount.Empty();
    EXPECT_EQ(Status(), "eIadLmf");
    EXPECT_EQ(CommittedReadme(), "A loco.\n");
    EXPECT_EQ(installation.Run({"repairdatabase"}).out, RepairedCleanly);
    EXPECT_EQ(installation.Run({"delete", Loco}).exitStatus, 0);
}

// What a delete, a user's hand or an older daemon leaves: no folder that a
// repair keeps or reports again and again.
TEST_F(StoreSafetyTest, NoEmptyAssetFolderOutlivesItsAssetAndASecondRepairFindsNothing)
{
    InstallLoco();
    std::string house = installation.PathOf("Incoming/House");
    WriteFileText(house + "/config.txt", "kuid <kuid:1234:200>\nkind \"scenery\"\nusername \"House\"\n");
    WriteFileText(house + "/house.im", "house");
    ASSERT_EQ(installation.Run({"installfrompath", house}).exitStatus, 0);
    std::string houseKey = "local/kuid_1234_200_0";
    ASSERT_TRUE(Exists(houseKey));

    // A delete, also of an asset open for edit.
    ASSERT_FALSE(Edit().empty());
    ASSERT_EQ(installation.Run({"delete", Loco}).exitStatus, 0);
    EXPECT_FALSE(Exists(std::string("local/") + LocoKey));
    EXPECT_FALSE(Exists(std::string("editing/") + LocoKey));

    // The user removed the House's files by hand, leaving the empty
    // revision folder; an older daemon left an empty asset folder.
    for (const auto& revision : fs::directory_iterator(UserData() + "/" + houseKey)) {
        for (const auto& leaf : fs::directory_iterator(revision.path()))
            fs::remove_all(leaf.path());
    }
    fs::create_directories(UserData() + "/local/kuid_77_1_0/r1");
    fs::create_directories(UserData() + "/local/kuid_77_2_0");
    fs::create_directories(UserData() + "/editing/kuid_77_3_0/e1/kuid_77_3_0");

    E2E::RunResult first = installation.Run({"repairdatabase"});
    EXPECT_EQ(first.exitStatus, 0) << first.out;
    EXPECT_EQ(CountLines(first.out, "! <kuid:1234:200> : ", "folder is missing"), 1) << first.out;
    EXPECT_EQ(CountLines(first.out, "- "), 0) << first.out;
    EXPECT_FALSE(Exists(houseKey));
    EXPECT_FALSE(Exists("local/kuid_77_1_0"));
    EXPECT_FALSE(Exists("local/kuid_77_2_0"));
    EXPECT_FALSE(Exists("editing/kuid_77_3_0"));
    EXPECT_NE(installation.Run({"status", "<kuid:1234:200>"}).exitStatus, 0);

    EXPECT_EQ(installation.Run({"repairdatabase"}).out, RepairedCleanly);
}

}  // namespace
}  // namespace StoreSafety
