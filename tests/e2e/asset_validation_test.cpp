// Validation of real assets end to end: templates, scripts, the compiled-script cache and the faulty flag.
#include "e2e/harness/e2e_harness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "mesh/lm_writer.h"

namespace {

namespace fs = std::filesystem;

// One asset: its folder name, id, config body (after kuid and username) and script files.
struct AssetCase {
    const char* folder;
    const char* id;
    const char* config;
    std::vector<std::pair<std::string, std::string>> files;
    const char* expected;  // validate's whole output; null: compiler lines
    bool faulty;           // what status shows afterwards
};

const AssetCase Cases[] = {
    {"Lamp", "<kuid:424242:3101>", "kind \"scenery\"\nkorvel-build 3.3\n", {}, "OK (0 Errors, 0 Warnings)\n", false},
    {"Car",
     "<kuid:424242:3102>",
     "kind \"traincar\"\nkorvel-build 3.3\nscript \"car\"\nclass \"Car\"\n",
     {{"car.gs", "include \"Vehicle.gs\"\nclass Car isclass Vehicle\n{\n  public int Axles(void) { return 4; }\n};\n"}},
     "OK (0 Errors, 0 Warnings)\n",
     false},
    {"Signal",
     "<kuid:424242:3103>",
     "kind \"mosignal\"\nkorvel-build 3.3\nscript \"sig\"\nclass \"HomeSignal\"\n",
     {{"sig.gs", "include \"Signal.gs\"\nclass HomeSignal isclass Signal { };\n"}},
     "OK (0 Errors, 0 Warnings)\n",
     false},
    {"Post",
     "<kuid:424242:3104>",
     "kind \"scenery\"\nkorvel-build 3.3\nmesh-table {\n  default {\n    mesh \"missing.im\"\n  }\n}\n",
     {},
     "- <kuid:424242:3104> : Unable to load the mesh 'missing.im'.\n"
     "! <kuid:424242:3104> : The asset has no visible mesh.\nOK (1 Errors, 1 Warnings)\n",
     true},
    {"Broken",
     "<kuid:424242:3105>",
     "kind \"traincar\"\nkorvel-build 3.3\nscript \"broken\"\nclass \"Broken\"\n",
     {{"broken.gs", "include \"Vehicle.gs\"\nclass Broken isclass Vehicle\n{\n  public int X(void) { return ; \n};\n"}},
     nullptr,  // compiler lines, checked apart
     true},
    {"Misfit",
     "<kuid:424242:3106>",
     "kind \"traincar\"\nkorvel-build 3.3\nscript \"misfit\"\nclass \"Misfit\"\n",
     {{"misfit.gs", "include \"gs.gs\"\nclass Misfit isclass GameObject { };\n"}},
     "- <kuid:424242:3106> : Script class does not match asset kind (vehicle).\nOK (1 Errors, 0 Warnings)\n",
     true},
    {"NoPrimary",
     "<kuid:424242:3107>",
     "kind \"scenery\"\nkorvel-build 3.3\nscript \"main\"\nclass \"Main\"\n",
     {{"other.gs", "include \"gs.gs\"\nclass Other isclass GameObject { };\n"}},
     // The template's file check finds it before the scripts are compiled.
     "- <kuid:424242:3107> : The script file 'main' does not exist.\nOK (1 Errors, 0 Warnings)\n",
     true},
    {"Rooted",
     "<kuid:424242:3108>",
     "kind \"scenery\"\nkorvel-build 3.3\nscript \"/x\"\nclass \"X\"\n",
     {},
     "OK (0 Errors, 0 Warnings)\n",
     false},
};

// Configs made before build 2.9: the checks see them as the upgrade makes
// them (the installer adds the username).
// A real mesh, since the checks read the meshes a config names.
std::string QuadMesh()
{
    KorvelTest::ImFile file;
    file.chunks.push_back(KorvelTest::QuadChunk());
    return KorvelTest::WriteIm(file);
}

const AssetCase OldCases[] = {
    // Junk the old parser made of a description's free text, numbered
    // categories and old names: gone before the checks, nothing to report.
    {"Hut",
     "<kuid:424242:3201>",
     "kind \"scenery\"\nasset-filename \"hut\"\nkorvel-build 2.0\ncategory-region-0 \"eu\"\n"
     "category-era-0 \"1950\"\nauteur \"Someone\"\ndescription \"An old hut\"\nmade with care\nthe end\n",
     {{"hut.im", QuadMesh()}, {"default.im", "legacy mesh"}, {"mapfile.trk", "legacy track"}},
     "OK (0 Errors, 0 Warnings)\n",
     false},
    // The mesh table the upgrade builds from the asset file name names a
    // mesh the folder lacks: the checks find it (the store keeps an old
    // asset's files in a folder named after that file name).
    {"Shed",
     "<kuid:424242:3202>",
     "kind \"scenery\"\nasset-filename \"shed\"\nkorvel-build 2.5\n",
     {},
     "- <kuid:424242:3202> : Unable to load the mesh 'shed.im'.\n"
     "OK (1 Errors, 0 Warnings)\n",
     true},
};

class AssetValidation : public ::testing::Test {
protected:
    void Install(const AssetCase& asset)
    {
        const std::string folder = std::string("Incoming/") + asset.folder + "/";
        installation.WriteFile(folder + "config.txt", std::string("kuid ") + asset.id + "\nusername \"" + asset.folder +
                                                          "\"\n" + asset.config);
        for (const auto& file : asset.files)
            installation.WriteFile(folder + file.first, file.second);
        E2E::RunResult run = installation.Run({"installfrompath", installation.PathOf(folder)});
        ASSERT_EQ(run.exitStatus, 0) << run.out;
    }

    std::string Status(const char* id) const { return installation.Run({"status", id}).out; }

    // The letters of status: an upper-case F marks a faulty asset.
    bool ShowsFaulty(const char* id) const { return Status(id).find("LmF") != std::string::npos; }

    std::vector<std::string> CacheFiles() const
    {
        std::vector<std::string> names;
        const std::string folder = installation.PathOf("UserData/cache/libraries");
        if (fs::is_directory(folder))
            for (const auto& entry : fs::directory_iterator(folder))
                names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    // The committed folder of an installed asset, root-relative.
    std::string CommittedFolder(const char* key) const
    {
        return std::string("UserData/local/") + key + "/r1/" + key + "/";
    }

    // Every file below an installed asset's folders, with its bytes.
    std::map<std::string, std::string> FilesOf(const char* key) const
    {
        const std::string base = installation.PathOf("");
        std::map<std::string, std::string> files;
        for (const auto& entry :
             fs::recursive_directory_iterator(installation.PathOf(std::string("UserData/local/") + key))) {
            const std::string relative = fs::relative(entry.path(), base).string();
            files[relative] = entry.is_regular_file() ? installation.ReadFile(relative) : "(folder)";
        }
        return files;
    }

    void CheckVerdict(const AssetCase& asset, const E2E::RunResult& run) const
    {
        EXPECT_EQ(run.exitStatus, 0) << asset.folder;
        if (asset.expected != nullptr) {
            EXPECT_EQ(run.out, asset.expected) << asset.folder;
        } else {
            // The compiler's own lines, as error lines naming the asset.
            EXPECT_NE(run.out.find(std::string("- ") + asset.id + " : broken.gs("), std::string::npos) << run.out;
            EXPECT_EQ(run.out.find("Failed to compile asset"), std::string::npos) << run.out;
        }
        EXPECT_EQ(ShowsFaulty(asset.id), asset.faulty) << asset.folder << ": " << Status(asset.id);
    }

    E2E::Installation installation;
};

TEST_F(AssetValidation, EachAssetGetsItsOwnVerdictInEitherOrderInOneHost)
{
    for (const AssetCase& asset : Cases)
        Install(asset);
    // One host serves every question: what one validation leaves behind
    // (set-up, specs, loaded libraries) must not change another's verdict.
    for (const AssetCase& asset : Cases)
        CheckVerdict(asset, installation.Run({"validate", asset.id}));
    for (auto asset = std::rbegin(Cases); asset != std::rend(Cases); ++asset)
        CheckVerdict(*asset, installation.Run({"validate", asset->id}));
}

TEST_F(AssetValidation, OldConfigsAreCheckedUpgradedAndTheirFilesAreLeftAsTheyWere)
{
    const char* const keys[] = {"kuid_424242_3201_0", "kuid_424242_3202_0"};
    for (const AssetCase& asset : OldCases)
        Install(asset);
    std::vector<std::map<std::string, std::string>> before;
    for (const char* key : keys) {
        before.push_back(FilesOf(key));
        ASSERT_FALSE(before.back().empty()) << key;
    }
    // Twice in one host: the first upgrade must leave nothing behind that
    // changes the second.
    for (int round = 0; round < 2; ++round) {
        for (const AssetCase& asset : OldCases)
            CheckVerdict(asset, installation.Run({"validate", asset.id}));
    }
    for (size_t i = 0; i < std::size(keys); ++i)
        EXPECT_EQ(FilesOf(keys[i]), before[i]) << keys[i];
}

TEST_F(AssetValidation, UnchangedScriptsAreCompiledOnceIntoTheCache)
{
    Install(Cases[1]);
    ASSERT_EQ(installation.Run({"validate", Cases[1].id}).out, "OK (0 Errors, 0 Warnings)\n");
    const std::vector<std::string> cached = CacheFiles();
    ASSERT_EQ(cached.size(), 1u);
    const std::string path = installation.PathOf("UserData/cache/libraries/" + cached[0]);
    const auto written = fs::last_write_time(path);
    // A new host (the daemon closed and started again) finds the file.
    installation.Run({"closekaddaemon"});
    EXPECT_EQ(installation.Run({"validate", Cases[1].id}).out, "OK (0 Errors, 0 Warnings)\n");
    EXPECT_EQ(CacheFiles(), cached);
    EXPECT_EQ(fs::last_write_time(path), written);

    // A damaged cache file is compiled again, once.
    installation.WriteFile("UserData/cache/libraries/" + cached[0], "not a library");
    installation.Run({"closekaddaemon"});
    EXPECT_EQ(installation.Run({"validate", Cases[1].id}).out, "OK (0 Errors, 0 Warnings)\n");
    EXPECT_EQ(CacheFiles(), cached);
    EXPECT_NE(installation.ReadFile("UserData/cache/libraries/" + cached[0]), "not a library");
}

TEST_F(AssetValidation, AFixedIncludeIsPickedUpAlthoughTheMainScriptDidNotChange)
{
    // The main script's cache file names the include by the checksum of the
    // include's text: once the include changes, that file no longer links.
    const AssetCase asset = {"Split",
                             "<kuid:424242:3120>",
                             "kind \"traincar\"\nkorvel-build 3.3\nscript \"car\"\nclass \"Car\"\n",
                             {{"car.gs", "include \"parts.gs\"\nclass Car isclass Base { };\n"},
                              {"parts.gs", "include \"gs.gs\"\nclass Base isclass GameObject { };\n"}},
                             nullptr,
                             true};
    Install(asset);
    EXPECT_EQ(installation.Run({"validate", asset.id}).out,
              "- <kuid:424242:3120> : Script class does not match asset kind (vehicle).\nOK (1 Errors, 0 Warnings)\n");
    EXPECT_TRUE(ShowsFaulty(asset.id));

    installation.WriteFile(CommittedFolder("kuid_424242_3120_0") + "parts.gs",
                           "include \"Vehicle.gs\"\nclass Base isclass Vehicle { };\n");
    installation.Run({"closekaddaemon"});
    EXPECT_EQ(installation.Run({"validate", asset.id}).out, "OK (0 Errors, 0 Warnings)\n");
    EXPECT_FALSE(ShowsFaulty(asset.id));
}

TEST_F(AssetValidation, AssetsIncludingEachOtherCompileOnceEach)
{
    const AssetCase first = {"First",
                             "<kuid:424242:3130>",
                             "kind \"traincar\"\nkorvel-build 3.3\nscript \"first\"\nclass \"First\"\n"
                             "script-include-table {\n  0 <kuid:424242:3131>\n}\n",
                             {{"first.gs", "include \"second.gs\"\nclass First isclass Second { };\n"}},
                             nullptr,
                             false};
    const AssetCase second = {"Second",
                              "<kuid:424242:3131>",
                              "kind \"traincar\"\nkorvel-build 3.3\nscript \"second\"\nclass \"Second\"\n"
                              "script-include-table {\n  0 <kuid:424242:3130>\n}\n",
                              {{"second.gs", "include \"Vehicle.gs\"\nclass Second isclass Vehicle { };\n"}},
                              nullptr,
                              false};
    Install(first);
    Install(second);
    EXPECT_EQ(installation.Run({"validate", first.id}).out, "OK (0 Errors, 0 Warnings)\n");
    EXPECT_EQ(CacheFiles().size(), 2u);
    EXPECT_EQ(installation.Run({"validate", second.id}).out, "OK (0 Errors, 0 Warnings)\n");
    EXPECT_EQ(CacheFiles().size(), 2u);
}

TEST_F(AssetValidation, MissingOrDamagedCoreLibraryStopsScriptedAssetsWithAReason)
{
    const struct {
        const char* what;
        bool remove;
    } cases[] = {{"missing", true}, {"damaged", false}};
    for (const auto& c : cases) {
        E2E::Installation fresh;
        if (c.remove)
            fresh.Remove("libraries/gs.gsl");
        else
            fresh.WriteFile("libraries/gs.gsl", "GSL damaged beyond use");
        fresh.WriteFile("Incoming/Car/config.txt",
                        std::string("kuid ") + Cases[1].id + "\nusername \"Car\"\n" + Cases[1].config);
        fresh.WriteFile("Incoming/Car/car.gs", Cases[1].files[0].second);
        ASSERT_EQ(fresh.Run({"installfrompath", fresh.PathOf("Incoming/Car")}).exitStatus, 0);
        E2E::RunResult run = fresh.Run({"validate", Cases[1].id});
        EXPECT_EQ(run.out, std::string("- ") + Cases[1].id +
                               " : KADCompileAsset unable to initialise script system\nOK (1 Errors, 0 Warnings)\n")
            << c.what;
        EXPECT_EQ(run.exitStatus, 0);
    }
}

TEST_F(AssetValidation, ExtendedRepairValidatesEveryAssetThroughTheHosts)
{
    Install(Cases[1]);
    Install(Cases[5]);
    // Installing judges nothing: no letter is set until a validation ran.
    EXPECT_FALSE(ShowsFaulty(Cases[5].id));
    E2E::RunResult repair = installation.Run({"repairdatabase", "extended"});
    EXPECT_NE(repair.out.find("- <kuid:424242:3106> : Script class does not match asset kind (vehicle).\n"),
              std::string::npos)
        << repair.out;
    EXPECT_TRUE(ShowsFaulty(Cases[5].id)) << Status(Cases[5].id);
    EXPECT_FALSE(ShowsFaulty(Cases[1].id)) << Status(Cases[1].id);
}

}  // namespace
