// Validation of configs made before build 2.9 through the real daemon and command host: the upgraded config is checked, the asset's files stay as they are.
#include "e2e/harness/e2e_harness.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

namespace {

namespace fs = std::filesystem;

struct OldAsset {
    const char* folder;
    const char* id;
    const char* config;
    std::vector<std::pair<const char*, const char*>> files;
    const char* expected;  // validate's whole output
};

const OldAsset Assets[] = {
    // Junk the old parser made of a description's free text, numbered
    // categories and old names: gone before the checks, nothing to report.
    {"Hut",
     "<kuid:424242:3201>",
     "kind \"scenery\"\nname \"Old Hut\"\nasset-filename \"hut\"\nkorvel-build 2.0\n"
     "category-region-0 \"eu\"\ncategory-era-0 \"1950\"\nauteur \"Someone\"\n"
     "description \"An old hut\"\nmade with care\nthe end\n",
     {{"hut.im", "mesh bytes"}, {"default.im", "legacy mesh"}},
     "OK (0 Errors, 0 Warnings)\n"},
    // The mesh table the upgrade builds from the asset file name names a
    // mesh the folder lacks: the checks find it (the store keeps an old
    // asset's files in a folder named after that file name).
    {"Shed",
     "<kuid:424242:3202>",
     "kind \"scenery\"\nusername \"Shed\"\nasset-filename \"shed\"\nkorvel-build 2.5\n",
     {},
     "- <kuid:424242:3202> : Unable to load the mesh 'kuid_424242_3202_0/r1/shed/shed.im'.\n"
     "OK (1 Errors, 0 Warnings)\n"},
};

class OldConfigValidation : public ::testing::Test {
protected:
    void Install(const OldAsset& asset)
    {
        const std::string folder = std::string("Incoming/") + asset.folder + "/";
        installation.WriteFile(folder + "config.txt", std::string("kuid ") + asset.id + "\n" + asset.config);
        for (const auto& [name, content] : asset.files)
            installation.WriteFile(folder + name, content);
        E2E::RunResult run = installation.Run({"installfrompath", installation.PathOf(folder)});
        ASSERT_EQ(run.exitStatus, 0) << run.out << run.err;
    }

    // Every file below the installed asset's folder with its bytes.
    std::map<std::string, std::string> Snapshot(const OldAsset& asset) const
    {
        std::string key = std::string(asset.id);
        key = "kuid_" + key.substr(6, key.size() - 7) + "_0";
        for (char& c : key)
            if (c == ':')
                c = '_';
        const std::string folder = installation.PathOf("UserData/local/" + key);
        std::map<std::string, std::string> files;
        for (const auto& entry : fs::recursive_directory_iterator(folder)) {
            const std::string relative = fs::relative(entry.path(), installation.PathOf("")).string();
            files[relative] = entry.is_regular_file() ? installation.ReadFile(relative) : "(folder)";
        }
        return files;
    }

    E2E::Installation installation;
};

TEST_F(OldConfigValidation, TheUpgradedConfigIsCheckedAndTheFilesAreLeftAsTheyWere)
{
    for (const OldAsset& asset : Assets)
        Install(asset);
    for (const OldAsset& asset : Assets) {
        const std::map<std::string, std::string> before = Snapshot(asset);
        ASSERT_FALSE(before.empty()) << asset.folder;
        // Twice in one host: the first upgrade must leave nothing behind
        // that changes the second.
        for (int round = 0; round < 2; ++round) {
            const E2E::RunResult run = installation.Run({"validate", asset.id});
            EXPECT_EQ(run.out, asset.expected) << asset.folder << " round " << round;
            EXPECT_EQ(run.exitStatus, 0) << asset.folder;
        }
        EXPECT_EQ(Snapshot(asset), before) << asset.folder;
    }
}

}  // namespace
