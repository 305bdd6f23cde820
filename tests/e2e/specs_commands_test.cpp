// status, validate, installfrompath and chbdeleteall end to end: real KorvelUtil processes, the real daemon, real asset folders.
#include "e2e/harness/e2e_harness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "kuid/kuid.h"
#include "soup/soup_handle.h"

namespace {

namespace fs = std::filesystem;

const char NoErrors[] = "OK (0 Errors, 0 Warnings)\n";

std::string AssetConfig(const std::string& kuid, const std::string& name)
{
    return "kuid " + kuid + "\nkind \"scenery\"\nusername \"" + name + "\"\nkorvel-build 3.5\n";
}

// Every path below UserData/local, so a test can tell whether the store changed.
std::vector<std::string> LocalStore(const E2E::Installation& installation)
{
    std::vector<std::string> paths;
    for (const std::string& path : installation.ListTree())
        if (path.rfind("UserData/local/", 0) == 0)
            paths.push_back(path);
    return paths;
}

int CountLines(const std::string& text, const std::string& prefix)
{
    int count = 0;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (text.compare(start, prefix.size(), prefix) == 0)
            ++count;
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return count;
}

class SpecsCommands : public ::testing::Test {
protected:
    // An asset folder written by the test, outside the installation's store.
    std::string WriteAssetFolder(const std::string& relative, const std::string& kuid, const std::string& name)
    {
        installation.WriteFile(relative + "/config.txt", AssetConfig(kuid, name));
        installation.WriteFile(relative + "/Mesh.im", "mesh bytes of " + name);
        return installation.PathOf(relative);
    }

    // The asset store answers InstallFolder once it exists: a refused folder
    // gets an error line. Until then every install is an empty reply,
    // which prints no line at all.
    bool StoreAnswers()
    {
        std::string probe = WriteAssetFolder("Probe/Folder", "<kuid:424242:1>", "Probe");
        E2E::RunResult result = installation.Run({"installfrompath", probe});
        return result.exitStatus == 0 || CountLines(result.out, "- ") > 0;
    }

    E2E::Installation installation;
};

#define REQUIRE_ASSET_STORE()                                                                                          \
    do {                                                                                                               \
        if (!StoreAnswers())                                                                                           \
            GTEST_SKIP() << "the daemon's asset store does not answer InstallFolder yet";                              \
    } while (0)

TEST_F(SpecsCommands, StatusOfAnUnknownAssetPrintsNoStatusLineAndLogsTheId)
{
    E2E::RunResult result = installation.Run({"status", "<kuid:424242:9999>"});
    EXPECT_EQ(result.exitStatus, 255);
    EXPECT_EQ(result.out, "- <kuid:424242:9999> : Unknown AssetID.\nOK (1 Errors, 0 Warnings)\n");
}

TEST_F(SpecsCommands, ValidateOfAnUnknownAssetFailsWithoutAskingForValidation)
{
    E2E::RunResult result = installation.Run({"validate", "<kuid:424242:9998>"});
    EXPECT_EQ(result.exitStatus, 255);
    EXPECT_EQ(CountLines(result.out, "+ "), 0);
}

TEST_F(SpecsCommands, FolderWithoutAnyConfigInstallsNothing)
{
    installation.WriteFile("Loose/readme.txt", "no asset here");
    installation.WriteFile("Loose/Deeper/notes.txt", "nor here");
    std::vector<std::string> before = LocalStore(installation);
    E2E::RunResult result = installation.Run({"installfrompath", installation.PathOf("Loose")});
    EXPECT_EQ(result.exitStatus, 255);
    // The failure says why instead of passing for a clean run.
    EXPECT_NE(result.out.find("No asset was installed"), std::string::npos) << result.out;
    EXPECT_EQ(LocalStore(installation), before);
}

TEST_F(SpecsCommands, InstalledAssetShowsItsStatusAndEditingShowsE)
{
    REQUIRE_ASSET_STORE();
    std::string folder = WriteAssetFolder("Incoming/Tree", "<kuid:424242:1001>", "Specs Tree");
    E2E::RunResult install = installation.Run({"installfrompath", folder});
    ASSERT_EQ(install.exitStatus, 0) << install.out;

    E2E::RunResult status = installation.Run({"status", "<kuid:424242:1001>"});
    EXPECT_EQ(status.exitStatus, 0) << status.out;
    std::regex installed(R"(\+ <kuid:424242:1001> : eIadLmf : [^\n]* : Specs Tree\nOK \(0 Errors, 0 Warnings\)\n)");
    EXPECT_TRUE(std::regex_match(status.out, installed)) << status.out;

    E2E::RunResult edit = installation.Run({"edit", "<kuid:424242:1001>"});
    ASSERT_EQ(edit.exitStatus, 0) << edit.out;
    status = installation.Run({"status", "<kuid:424242:1001>"});
    EXPECT_NE(status.out.find(" : EIadLmf : "), std::string::npos) << status.out;
}

TEST_F(SpecsCommands, ValidateOfAnInstalledAssetAsksTheDaemonAndPrintsItsLinesForTheAsset)
{
    REQUIRE_ASSET_STORE();
    std::string folder = WriteAssetFolder("Incoming/Bench", "<kuid:424242:1002>", "Specs Bench");
    ASSERT_EQ(installation.Run({"installfrompath", folder}).exitStatus, 0);
    E2E::RunResult result = installation.Run({"validate", "<kuid:424242:1002>"});
    // 0 whenever the asset could be opened; the daemon's lines tell the
    // outcome, and with no validator that is an error line, never silence.
    EXPECT_EQ(result.exitStatus, 0) << result.out;
    EXPECT_GE(CountLines(result.out, "- <kuid:424242:1002> : ") + CountLines(result.out, "! <kuid:424242:1002> : ") +
                  CountLines(result.out, "; <kuid:424242:1002> : ") + CountLines(result.out, "+ <kuid:424242:1002> : "),
              1)
        << result.out;
}

TEST_F(SpecsCommands, FolderOfAssetFoldersInstallsEachOneAndNotTheirSubFolders)
{
    REQUIRE_ASSET_STORE();
    WriteAssetFolder("Pack/One", "<kuid:424242:1011>", "One");
    WriteAssetFolder("Pack/Two", "<kuid:424242:1012>", "Two");
    // Below an asset folder: part of that asset, never an asset of its own.
    WriteAssetFolder("Pack/One/Inner", "<kuid:424242:1013>", "Inner");
    E2E::RunResult result = installation.Run({"installfrompath", installation.PathOf("Pack")});
    EXPECT_EQ(result.exitStatus, 0) << result.out;
    EXPECT_EQ(installation.Run({"status", "<kuid:424242:1011>"}).exitStatus, 0);
    EXPECT_EQ(installation.Run({"status", "<kuid:424242:1012>"}).exitStatus, 0);
    EXPECT_EQ(installation.Run({"status", "<kuid:424242:1013>"}).exitStatus, 255);
}

TEST_F(SpecsCommands, ConfigsNamingTwoDifferentAssetsAreRefusedAndChangeNothing)
{
    REQUIRE_ASSET_STORE();
    std::string folder = WriteAssetFolder("Odd/Asset", "<kuid:424242:1021>", "Odd");
    // A binary config beside the text one, naming another asset.
    SoupHandle other;
    other.SetNamedTagKUID(Zel::PString("kuid"), KUID(424242, 1022, 0));
    other.SetNamedTag(Zel::PString("kind"), "scenery");
    ASSERT_TRUE(other.SaveToFile(Zel::PString(), (folder + "/config.chump").c_str()));

    std::vector<std::string> before = LocalStore(installation);
    E2E::RunResult result = installation.Run({"installfrompath", folder});
    EXPECT_EQ(result.exitStatus, 255) << result.out;
    EXPECT_GE(CountLines(result.out, "- "), 1) << result.out;
    EXPECT_EQ(LocalStore(installation), before);
    EXPECT_EQ(installation.Run({"status", "<kuid:424242:1021>"}).exitStatus, 255);
    EXPECT_EQ(installation.Run({"status", "<kuid:424242:1022>"}).exitStatus, 255);
}

TEST_F(SpecsCommands, SymbolicLinksInAnAssetFolderAreNotFollowed)
{
    REQUIRE_ASSET_STORE();
    installation.WriteFile("Secret/private.txt", "must not be copied");
    fs::create_directories(installation.PathOf("Secret/Folder"));
    installation.WriteFile("Secret/Folder/inside.txt", "nor this");
    std::string folder = WriteAssetFolder("Linked/Asset", "<kuid:424242:1031>", "Linked");
    fs::create_symlink(installation.PathOf("Secret/private.txt"), folder + "/stolen.txt");
    fs::create_directory_symlink(installation.PathOf("Secret/Folder"), folder + "/stolen-folder");
    // A loop back to the folder being walked.
    fs::create_directory_symlink(installation.PathOf("Linked"), installation.PathOf("Linked/Loop"));

    E2E::RunResult result = installation.Run({"installfrompath", installation.PathOf("Linked")});
    EXPECT_EQ(result.exitStatus, 0) << result.out;
    for (const std::string& path : LocalStore(installation)) {
        EXPECT_EQ(path.find("stolen"), std::string::npos) << path;
        EXPECT_EQ(path.find("inside.txt"), std::string::npos) << path;
        EXPECT_FALSE(fs::is_symlink(installation.PathOf(path))) << path;
    }
}

TEST_F(SpecsCommands, CHBDeleteAllDeletesEveryInstalledAsset)
{
    REQUIRE_ASSET_STORE();
    WriteAssetFolder("Many/A", "<kuid:424242:1041>", "A");
    WriteAssetFolder("Many/B", "<kuid:424242:1042>", "B");
    ASSERT_EQ(installation.Run({"installfrompath", installation.PathOf("Many")}).exitStatus, 0);
    E2E::RunResult result = installation.Run({"chbdeleteall"});
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(result.out, NoErrors);
    EXPECT_EQ(installation.Run({"status", "<kuid:424242:1041>"}).exitStatus, 255);
    EXPECT_EQ(installation.Run({"status", "<kuid:424242:1042>"}).exitStatus, 255);
    // The probe's asset went too.
    EXPECT_EQ(installation.Run({"status", "<kuid:424242:1>"}).exitStatus, 255);
}

}  // namespace
