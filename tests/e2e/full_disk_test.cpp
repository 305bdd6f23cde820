// A full disk under the user data: commands that need to write say so, and never print an id they did not get.
#include "e2e/harness/e2e_harness.h"

#include <gtest/gtest.h>

#include <string>

#include "support/scratch_tmpfs.h"

namespace {

constexpr char AssetTag[] = "<kuid:424242:3001>";

class FullDisk : public ::testing::Test {
protected:
    void SetUp() override
    {
        // A small file system of its own under the user data, so it can be
        // filled without filling the machine's disk.
        if (!disk.Mount(installation.PathOf("UserData"), 16 << 20))
            GTEST_SKIP() << disk.Reason() << "; a full disk needs mount privilege";
        // New ids are drawn for this user.
        installation.WriteFile("UserData/assets.tdx/kaddaemon.cfg",
                               "kuid-user-id                            424242\r\n");
        installation.WriteFile("Incoming/Lamp/config.txt", std::string("kuid ") + AssetTag +
                                                               "\nkind \"scenery\"\nusername \"Full Lamp\"\n"
                                                               "korvel-build 3.5\n");
        installation.WriteFile("Incoming/Lamp/lamp.im", std::string(20000, 'm'));
        E2E::RunResult install = installation.Run({"installfrompath", installation.PathOf("Incoming/Lamp")});
        ASSERT_EQ(install.exitStatus, 0) << install.out << install.err;
    }

    void TearDown() override
    {
        // The daemon keeps its index open on the mounted file system.
        installation.StopDaemons();
        disk.Unmount();
    }

    E2E::Installation installation;
    KorvelTest::ScratchTmpfs disk;
};

}  // namespace

TEST_F(FullDisk, GenerateKUIDSaysTheDiskIsFullAndPrintsNoId)
{
    // With room the daemon hands out ids.
    E2E::RunResult fine = installation.Run({"generatekuid"});
    ASSERT_EQ(fine.exitStatus, 0) << fine.out;
    ASSERT_EQ(fine.out.rfind("<KUID2:424242:", 0), 0u) << fine.out;

    ASSERT_TRUE(disk.Fill()) << disk.Reason();
    E2E::RunResult full = installation.Run({"generatekuid"});
    EXPECT_EQ(full.exitStatus, 255) << full.out << full.err;
    EXPECT_EQ(full.out.find("KUID2"), std::string::npos) << full.out;
    EXPECT_NE(full.out.find("- <NULL> : Unable to generate a new AssetID: the disk is full."), std::string::npos)
        << full.out;
    EXPECT_NE(full.out.find("OK (1 Errors"), std::string::npos) << full.out;
}

TEST_F(FullDisk, EditOfAnInstalledAssetSaysTheDiskIsFull)
{
    ASSERT_TRUE(disk.Fill()) << disk.Reason();
    E2E::RunResult edit = installation.Run({"edit", AssetTag});
    EXPECT_EQ(edit.exitStatus, 255) << edit.out << edit.err;
    EXPECT_EQ(edit.out.find("Unknown AssetID"), std::string::npos) << edit.out;
    EXPECT_NE(
        edit.out.find(std::string("- ") + AssetTag + " : Unable to open the asset for editing: the disk is full."),
        std::string::npos)
        << edit.out;

    // Once there is room again the same edit works.
    disk.Empty();
    E2E::RunResult again = installation.Run({"edit", AssetTag});
    EXPECT_EQ(again.exitStatus, 0) << again.out;
    EXPECT_EQ(again.out.rfind(std::string("+ ") + AssetTag + " : ", 0), 0u) << again.out;
}

#ifdef KORVEL_TEST_HOOKS
TEST_F(FullDisk, AVerdictTheIndexCannotKeepIsAnErrorLineOfValidate)
{
    // The asset's build is newer than the validator checks, so validate has
    // a verdict (faulty) to record.
    installation.StopDaemons();
    E2E::RunOptions judging;
    judging.environment = {"KAD_TEST_VALIDATOR_JUDGES=1"};
    ASSERT_EQ(installation.Run({"status", AssetTag}, judging).exitStatus, 0);

    ASSERT_TRUE(disk.Fill()) << disk.Reason();
    E2E::RunResult validated = installation.Run({"validate", AssetTag});
    EXPECT_NE(validated.out.find("This asset was made for a newer version of the program and cannot be checked."),
              std::string::npos)
        << validated.out;
    // The faulty flag could not be written: validate says so instead of
    // leaving the old flags to pass for the verdict.
    EXPECT_NE(validated.out.find(std::string("- ") + AssetTag + " : Unable to keep the validation result of "),
              std::string::npos)
        << validated.out;
}
#endif
