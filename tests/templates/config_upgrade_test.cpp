// Old-format configs: what the upgrade makes of them before the template reader checks them, and what it leaves alone.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "soup/text_soup.h"
#include "template_test_support.h"
#include "templates/dod_build_numbers.h"
#include "templates/dod_config_upgrade.h"

namespace TemplateTests {
namespace {

using DODLib::DataManager;

class ConfigUpgradeTest : public TemplateTest {
protected:
    // The config upgraded as the template reader upgrades it (the build of
    // the check taken from its "korvel-build"), in its text form.
    std::string Upgraded(const std::string& config)
    {
        SoupHandle soup = ParseSoup(config);
        DataManager* manager = DataManager::Instance();
        manager->LoadTemplates();
        manager->SetBuild(DODLib::CheckBuildFromConfigValue(
            soup.GetNamedTagAsFloat(Zel::PString("korvel-build"), DODLib::DefaultConfigBuild)));
        DODLib::UpgradeOldConfigIfNeeded(soup);
        return TextOf(soup);
    }

    // A golden written as config text, in the writer's form.
    static std::string TextOf(const std::string& golden) { return TextOf(ParseSoup(golden)); }
    static std::string TextOf(const SoupHandle& soup)
    {
        std::string text;
        AppendTextSoup(soup, text);
        return text;
    }

    // Meshes of the asset folder "asset/" load with the attachment points
    // their file lists, one name a line (the engine's mesh reader stands in
    // here for what it will find in a real mesh).
    void LoadMeshesAsNameLists()
    {
        DataManager* manager = DataManager::Instance();
        manager->SetAsset(Zel::PString("editing"), Zel::File::Path("asset/"));
        manager->SetMeshLoader([this](const Zel::PString& file, bool, DODLib::Container*) {
            std::unique_ptr<DODLib::MeshData> mesh;
            std::ifstream in(root_ + "/UserData/editing/" + std::string(file.View()));
            if (!in)
                return mesh;
            mesh = std::make_unique<DODLib::MeshData>();
            mesh->SetInspected(true);
            for (std::string line; std::getline(in, line);)
                mesh->AddAttachmentPoint(Zel::PString(line));
            return mesh;
        });
    }

    void WriteMesh(const std::string& name, const std::string& points)
    {
        const std::filesystem::path path = root_ + "/UserData/editing/asset/" + name;
        std::filesystem::create_directories(path.parent_path());
        WriteFile(path.string(), points);
    }
};

struct UpgradeCase {
    const char* name;
    const char* config;
    const char* golden;
    // Tags the upgrade sets anew after the categories it fills in.
    const char* moved = "";
};

// Whole configs, and what each becomes: tags that are set anew move to the
// end, in the order the upgrade sets them; "korvel-build" comes last.
const UpgradeCase WholeConfigs[] = {
    {"traincar with bogeys and an asset file name",
     "kuid <kuid:1:100>\nkind \"traincar\"\nname \"Old Loco\"\nasset-filename \"loco\"\nkorvel-build 2.4\n"
     "category-region-0 \"eu\"\ncategory-region-1 \"us\"\ncategory-era-1 \"1950\"\n"
     "bogey <kuid:1:200>\nbogey-1-r <kuid:1:201>\nrunning-numbers\n{\n0 \"101\"\n}\n"
     "auteur \"Someone\"\ndescription \"A fine loco\"\nbuilt by me\n",
     "kuid <kuid:1:100>\nkind \"traincar\"\ndescription \"A fine loco\"\nusername \"Old Loco\"\n"
     "category-region \"EU;US\"\ncategory-era \"1950s\"\n"
     "mesh-table\n{\ndefault\n{\nmesh \"loco_body/loco_body.pm\"\nauto-create 1\n}\n"
     "shadow\n{\nmesh \"loco_shadow/loco_shadow.pm\"\nauto-create 0\n}\n}\n"
     "bogeys\n{\n0\n{\nbogey <kuid:1:200>\nreversed 0\n}\n1\n{\nbogey <kuid:1:201>\nreversed 1\n}\n}\n"
     "category-class \"ZX\"\nauthor \"Someone\"\nkorvel-build 2.9\n"},
    {"traincar whose only bogey tag is bogey 1",
     "kuid <kuid:1:101>\nkind \"traincar\"\nusername \"Odd\"\nkorvel-build 2.89\nbogey-1 <kuid:1:200>\n"
     "category-class \"AS\"\n",
     "kuid <kuid:1:101>\nkind \"traincar\"\nusername \"Odd\"\nbogey-1 <kuid:1:200>\ncategory-class \"AS\"\n"
     "bogeys\n{\n}\ncategory-era \"1800s\"\ncategory-region \"00\"\nkorvel-build 2.9\n"},
    {"scenery with an animated mesh and a night mesh",
     "kuid <kuid:1:102>\nkind \"Scenery\"\nasset-filename \"hut\"\nkorvel-build 2.2\nauto-animation 1\n"
     "night \"hutnight\"\nbendy 1\nfontsize 3\nrgb 1,2\nregion \"UK\"\ntype \"house\"\nlicense \"\"\n"
     "icon-texture \"icon.tga\"\ncategory-region-0 \"eu\"\ncategory-class \"BR\"\n",
     "kuid <kuid:1:102>\nkind \"Scenery\"\ncategory-class \"BR\"\nusername \"hut\"\n"
     "mesh-table\n{\ndefault\n{\nauto-create 1\nmesh \"hut.im\"\nanim \"anim.kin\"\nanimation-loop-speed 1.0\n}\n"
     "night\n{\nmesh \"hutnight/hutnight.im\"\nnight-mesh-base \"default\"\n}\n}\n"
     "category-era \"1800s\"\ncategory-region \"00\"\n"
     "thumbnails\n{\n0\n{\nimage \"icon.tga\"\nwidth 64\nheight 64\n}\n}\nkorvel-build 2.9\n"},
    {"track and bridge lose what the old mesh layout needed",
     "kuid <kuid:1:103>\nkind \"track\"\nusername \"Rail\"\nasset-filename \"rail\"\nkorvel-build 2.0\n"
     "height 0.2\nmini \"m\"\nfunction \"f\"\ntrackside 1\ncategory-era \"1900s\"\ncategory-class \"TR\"\n"
     "category-region \"AU\"\n",
     "kuid <kuid:1:103>\nkind \"track\"\nusername \"Rail\"\ntrackside 1\ncategory-era \"1900s\"\n"
     "category-class \"TR\"\ncategory-region \"AU\"\nkorvel-build 2.9\n"},
    {"interior with attachments, a mesh and a camera",
     "kuid <kuid:1:104>\nkind \"interior\"\nusername \"Cab\"\nasset-filename \"cab\"\nkorvel-build 2.5\n"
     "mesh \"cab/cab.im\"\nattachment\n{\nlever\n{\natt \"a.lever\"\n}\nseat\n{\natt \"a.seat\"\n"
     "att-parent \"frame\"\n}\n}\ncamera 1,2,3\n",
     "kuid <kuid:1:104>\nkind \"interior\"\nusername \"Cab\"\n"
     "mesh-table\n{\nlever\n{\natt \"a.lever\"\natt-parent \"default\"\n}\nseat\n{\natt \"a.seat\"\n"
     "att-parent \"frame\"\n}\ndefault\n{\nmesh \"cab/cab.im\"\nauto-create 1\n}\n}\n"
     "cameralist\n{\ncamera0 1,2,3,0,0\n}\ncameradefault 0\n"
     "category-era \"1800s\"\ncategory-class \"ZX\"\ncategory-region \"00\"\nkorvel-build 2.9\n"},
    {"an interior camera beside a camera list numbered with a gap",
     "kuid <kuid:1:107>\nkind \"interior\"\nusername \"Cab\"\nkorvel-build 2.5\ncameradefault 1\n"
     "cameralist\n{\ncamera1 4,5,6,0,0\n}\ncamera 1,2,3\n",
     "kuid <kuid:1:107>\nkind \"interior\"\nusername \"Cab\"\ncameradefault 1\n"
     "cameralist\n{\ncamera1 4,5,6,0,0\ncamera2 1,2,3,0,0\n}\n"
     "category-era \"1800s\"\ncategory-class \"ZX\"\ncategory-region \"00\"\nkorvel-build 2.9\n"},
    {"junction meshes named by their modes",
     "kuid <kuid:1:105>\nkind \"mojunction\"\nusername \"Points\"\nasset-filename \"pts\"\nkorvel-build 2.1\n"
     "mode0 \"Left\"\nmode1 \"right\"\n",
     "kuid <kuid:1:105>\nkind \"mojunction\"\nusername \"Points\"\n"
     "mesh-table\n{\nleft\n{\nmesh \"Left/Left.im\"\nauto-create \"1\"\n}\n"
     "right\n{\nmesh \"right/right.im\"\nauto-create \"0\"\n}\n}\n"
     "category-era \"1800s\"\ncategory-class \"ZX\"\ncategory-region \"00\"\nkorvel-build 2.9\n"},
    {"sound scripts name bare files by their position",
     "kuid <kuid:1:106>\nkind \"mesh\"\nusername \"Bell\"\nkorvel-build 2.0\nlight 1\n"
     "soundscript\n{\nring\n{\nsound\n{\nbell.wav\nvolume 2\nclang.wav\n}\n}\n}\n",
     "kuid <kuid:1:106>\nkind \"mesh\"\nusername \"Bell\"\n"
     "soundscript\n{\nring\n{\nsound\n{\n0 \"bell.wav\"\nvolume 2\n2 \"clang.wav\"\n}\n}\n}\n"
     "category-era \"1800s\"\ncategory-class \"ZX\"\ncategory-region \"00\"\nkorvel-build 2.9\n"},
    {"a map's null region goes, and a username keeps its first line",
     "kind \"map\"\nusername \"Line one\nLine two\"\nkorvel-build 2.0\nregion <kuid:-1:-1>\n",
     "kind \"map\"\ncategory-era \"1800s\"\ncategory-class \"ZX\"\ncategory-region \"00\"\n"
     "username \"Line one\"\nkorvel-build 2.9\n"},
    {"a map keeps a region that names one", "kind \"map\"\nusername \"M\"\nkorvel-build 2.0\nregion <kuid:1:9>\n",
     "kind \"map\"\nusername \"M\"\nregion <kuid:1:9>\n"
     "category-era \"1800s\"\ncategory-class \"ZX\"\ncategory-region \"00\"\nkorvel-build 2.9\n"},
};

TEST_F(ConfigUpgradeTest, OldConfigsBecomeTheirCurrentLayout)
{
    for (const UpgradeCase& test : WholeConfigs)
        EXPECT_EQ(Upgraded(test.config), TextOf(test.golden)) << test.name;
}

// A config.chump is read as a binary soup, whose tags are removed and
// appended through its own tree: the same configs give the same results.
TEST_F(ConfigUpgradeTest, BinaryConfigsAreUpgradedAlike)
{
    const std::string path = base_ + "/config.chump";
    for (const UpgradeCase& test : WholeConfigs) {
        ASSERT_TRUE(ParseSoup(test.config).SaveToFile(Zel::PString(), path.c_str())) << test.name;
        SoupHandle soup;
        ASSERT_TRUE(soup.LoadFromFile(Zel::PString(), path.c_str())) << test.name;
        DataManager::Instance()->SetBuild(DODLib::CheckBuildFromConfigValue(
            soup.GetNamedTagAsFloat(Zel::PString("korvel-build"), DODLib::DefaultConfigBuild)));
        DODLib::UpgradeOldConfigIfNeeded(soup);
        EXPECT_EQ(TextOf(soup), TextOf(test.golden)) << test.name;
    }
}

// The same rules for single tags: every case is a config of its own.
TEST_F(ConfigUpgradeTest, StrayTagsGoAndOldNamesBecomeCurrentOnes)
{
    const char* const head = "kind \"mesh\"\nusername \"u\"\nkorvel-build 2.0\n";
    const char* const categories = "category-era \"1800s\"\ncategory-class \"ZX\"\ncategory-region \"00\"\n";
    const UpgradeCase cases[] = {
        {"names of digits, underscores or quotes", "12 1\n___ 1\nit's 1\na_1 1\n", "a_1 1\n"},
        {"colours of fewer than three parts", "rgb 1,2\n", ""},
        {"a colour of three parts", "rgb 1,2,3\n", "rgb 1,2,3\n"},
        {"comment and foreign-name tags", "rem \"r\"\nname-de \"d\"\nlicence \"l\"\nversion 3\nobsolete 1\n", ""},
        {"words of free text", "the 1\ncopyright \"c\"\nfeel \"free\"\n", ""},
        {"asset tags no template knows", "asset 1\nasset-size 2\nasset-x \"y\"\n", ""},
        {"an empty license", "license \"\"\n", ""},
        {"a license", "license \"mine\"\n", "license \"mine\"\n"},
        {"old names of current tags", "organization \"Org\"\ndescription: \"Text\"\n", "",
         "organisation \"Org\"\ndescription \"Text\"\n"},
        {"an old name beside its current one", "organization \"Old\"\norganisation \"New\"\n",
         "organisation \"New\"\n"},
        {"auteur replaces the author", "author \"A\"\nauteur \"B\"\n", "", "author \"B\"\n"},
        // A script name given its extension is stored anew, after "class".
        {"script libraries", "scriptlibrary \"lib\"\nclasslibrary \"Lib\"\n", "class \"Lib\"\nscript \"lib.gs\"\n"},
        {"a script with its extension", "script \"main.gs\"\n", "script \"main.gs\"\n"},
        {"tags after the description no template knows", "description \"d\"\nthis is junk\nauthor \"a\"\n",
         "description \"d\"\nauthor \"a\"\n"},
        {"identity tags after the description", "description \"d\"\nkuid <kuid:1:5>\n",
         "description \"d\"\nkuid <kuid:1:5>\n"},
        {"user-name beside a username", "user-name \"x\"\n", ""},
        {"cache and file-name tags", "thumbnail \"t.jpg\"\n__dir \"x\"\n.cache\n{\n}\n", ""},
    };
    for (const UpgradeCase& test : cases) {
        EXPECT_EQ(Upgraded(std::string(head) + test.config),
                  TextOf(std::string(head) + test.golden + categories + test.moved + "korvel-build 2.9\n"))
            << test.name;
    }
}

// What step 21 does to the categories of old configs.
TEST_F(ConfigUpgradeTest, CategoriesAreCollectedAndFilledIn)
{
    struct Case {
        const char* config;
        const char* era;
        const char* region;
        const char* classCode;
    } cases[] = {
        {"category-region-0 \"eu\"\ncategory-region-1 \"us\"\n", "1800s", "EU;US", "ZX"},
        {"category-region-0 \"eu\"\n", "1800s", "00", "ZX"},
        {"category-region-1 \"gb\"\ncategory-region-3 \"fr\"\n", "1800s", "GB", "ZX"},
        {"category-region \"World Trees\"\n", "1800s", "00", "ZX"},
        {"category-region \"all\"\ncategory-class \"TR\"\n", "1800s", "00", "ZX"},
        {"category-era-1 \"1950\"\n", "1950s", "00", "ZX"},
        {"category-era-0 \"1920s\"\ncategory-era-1 \"1930\"\n", "1920s;1930s", "00", "ZX"},
        {"category-class \"as\"\n", "1800s", "00", "as"},
    };
    for (const Case& test : cases) {
        const SoupHandle soup =
            ParseSoup(Upgraded(std::string("kind \"traincar\"\nusername \"u\"\nkorvel-build 2.0\n") + test.config));
        EXPECT_EQ(soup.GetNamedTag(Zel::PString("category-era")), test.era) << test.config;
        EXPECT_EQ(soup.GetNamedTag(Zel::PString("category-region")), test.region) << test.config;
        EXPECT_EQ(soup.GetNamedTag(Zel::PString("category-class")), test.classCode) << test.config;
    }
}

TEST_F(ConfigUpgradeTest, ConfigsFromBuild29OnAreLeftAlone)
{
    const std::string rest = "kind \"traincar\"\nname \"n\"\nasset-filename \"loco\"\nbogey <kuid:1:2>\n12 1\n";
    for (const char* build : {"2.9", "2.95", "3.3"}) {
        const std::string config = std::string("korvel-build ") + build + "\n" + rest;
        EXPECT_EQ(Upgraded(config), TextOf(config)) << build;
    }
    // 2.89 is checked as 2.891 and is still old.
    EXPECT_NE(Upgraded("korvel-build 2.89\n" + rest), TextOf("korvel-build 2.89\n" + rest));
    // No build at all is build 1.3.
    EXPECT_NE(Upgraded(rest), TextOf(rest));
}

TEST_F(ConfigUpgradeTest, NameEffectsComeFromTheMeshsNameAttachments)
{
    LoadMeshesAsNameLists();
    WriteMesh("sign.im", "a.name0\na.name1\na.light\na.name3\n");
    const std::string upgraded =
        Upgraded("kind \"scenery\"\nusername \"Sign\"\nasset-filename \"sign\"\nkorvel-build 2.0\n"
                 "fontcolor 255,0,0\nfontsize 0.5\n");
    EXPECT_EQ(upgraded,
              TextOf("kind \"scenery\"\nusername \"Sign\"\n"
                     "mesh-table\n{\ndefault\n{\nauto-create 1\nmesh \"sign.im\"\neffects\n{\n"
                     "0\n{\nkind \"name\"\natt \"a.name0\"\nfontcolor 255,0,0\nfontsize 0.5\nname \"name\"\n}\n"
                     "1\n{\nkind \"name\"\natt \"a.name1\"\nfontcolor 255,0,0\nfontsize 0.5\nname \"name\"\n}\n"
                     "}\n}\n}\n"
                     "category-era \"1800s\"\ncategory-class \"ZX\"\ncategory-region \"00\"\n"
                     "korvel-build 2.9\n"));
    // A mesh that does not load names nothing.
    EXPECT_EQ(Upgraded("kind \"scenery\"\nusername \"S\"\nasset-filename \"gone\"\nkorvel-build 2.0\nfontsize 1\n"),
              TextOf("kind \"scenery\"\nusername \"S\"\n"
                     "mesh-table\n{\ndefault\n{\nauto-create 1\nmesh \"gone.im\"\n}\n}\n"
                     "category-era \"1800s\"\ncategory-class \"ZX\"\ncategory-region \"00\"\nkorvel-build 2.9\n"));
    EXPECT_TRUE(Findings().empty()) << ::testing::PrintToString(Findings());
}

TEST_F(ConfigUpgradeTest, TurntablesAndCrossingsGetTheTracksTheirMeshesEnd)
{
    LoadMeshesAsNameLists();
    WriteMesh("pit/pit.im", "a.otrack0a\na.otrack0b\na.otrack1a\n");
    WriteMesh("deck/deck.im", "a.itrack0a\na.itrack0b\n");
    WriteMesh("cross/cross.im", "a.road0a\na.road0b\na.track0a\na.track0b\na.track1a\na.track1b\n");
    const char* const tracksEnd =
        "category-era \"1800s\"\ncategory-class \"ZX\"\ncategory-region \"00\"\nkorvel-build 2.9\n";
    EXPECT_EQ(Upgraded("kind \"turntable\"\nusername \"T\"\nasset-filename \"tt\"\nkorvel-build 2.0\n"
                       "mode0 \"pit\"\nmode1 \"deck\"\ntrack <kuid:1:7>\n"),
              TextOf(std::string("kind \"turntable\"\nusername \"T\"\n"
                                 "mesh-table\n{\ndefault\n{\nmesh \"pit/pit.im\"\nauto-create 1\n}\n"
                                 "turntable\n{\nmesh \"deck/deck.im\"\n}\n}\n"
                                 "attached-track\n{\n"
                                 "tracko0\n{\nvertices\n{\n0 \"a.otrack0a\"\n1 \"a.otrack0b\"\n}\ntrack <kuid:1:7>\n"
                                 "useadjoiningtracktype 0\n}\n"
                                 "tracki0\n{\nvertices\n{\n0 \"a.itrack0a\"\n1 \"a.itrack0b\"\n}\ntrack <kuid:1:7>\n"
                                 "useadjoiningtracktype 0\n}\n}\n") +
                     tracksEnd));
    EXPECT_EQ(Upgraded("kind \"mocrossing\"\nusername \"X\"\nasset-filename \"x\"\nkorvel-build 2.0\n"
                       "mode0 \"cross\"\nmode1 \"unused\"\nroad <kuid:1:8>\n"),
              TextOf(std::string("kind \"mocrossing\"\nusername \"X\"\n"
                                 "mesh-table\n{\ndefault\n{\nmesh \"cross/cross.im\"\nanim \"cross/anim.kin\"\n"
                                 "auto-create 1\n}\n}\n"
                                 "attached-track\n{\n"
                                 "road0\n{\nvertices\n{\n0 \"a.road0a\"\n1 \"a.road0b\"\n}\ntrack <kuid:1:8>\n"
                                 "useadjoiningtracktype 1\n}\n"
                                 "track0\n{\nvertices\n{\n0 \"a.track0a\"\n1 \"a.track0b\"\n}\ntrack <NULL>\n"
                                 "useadjoiningtracktype 1\n}\n"
                                 "track1\n{\nvertices\n{\n0 \"a.track1a\"\n1 \"a.track1b\"\n}\ntrack <NULL>\n"
                                 "useadjoiningtracktype 1\n}\n}\n") +
                     tracksEnd));
    // A config that has its mesh table keeps it, and gets no tracks.
    const std::string own = "kind \"turntable\"\nusername \"T\"\nasset-filename \"tt\"\nkorvel-build 2.0\n"
                            "mesh-table\n{\ndefault\n{\nmesh \"own.im\"\n}\n}\nmode0 \"pit\"\ntrack <kuid:1:7>\n";
    const SoupHandle kept = ParseSoup(Upgraded(own));
    EXPECT_EQ(kept.GetNamedSoup(Zel::PString("mesh-table")).CountTags(), 1);
    EXPECT_FALSE(kept.HasNamedTag(Zel::PString("attached-track")));
    EXPECT_TRUE(kept.HasNamedTag(Zel::PString("track")));
}

// The meshes read for their attachment points are not the checks' meshes:
// one that does not load leaves no finding and no failed-mesh state.
TEST_F(ConfigUpgradeTest, MeshesReadByTheUpgradeLeaveNoFindings)
{
    DataManager* manager = DataManager::Instance();
    manager->SetAsset(Zel::PString("editing"), Zel::File::Path("asset/"));
    DODLib::ErrorHandler::Instance()->Clear();
    Upgraded("kind \"scenery\"\nusername \"S\"\nasset-filename \"gone\"\nkorvel-build 2.0\n");
    Upgraded("kind \"turntable\"\nusername \"T\"\nasset-filename \"t\"\nkorvel-build 2.0\nmode0 \"a\"\n");
    EXPECT_TRUE(Findings().empty()) << ::testing::PrintToString(Findings());
    EXPECT_FALSE(manager->IsMeshFailed());
}

// The template reader upgrades the config it is given: the checks see the
// upgraded tags, the build of the check stays the config's own.
TEST_F(ConfigUpgradeTest, TheTemplateReaderChecksTheUpgradedConfig)
{
    const std::string config = "kuid <kuid:1:300>\nkind \"scenery\"\nname \"Hut\"\nkorvel-build 2.0\n"
                               "category-region-0 \"eu\"\nfontsize 2\n";
    SoupHandle soup = ParseSoup(config);
    DataManager::Instance()->LoadTemplates();
    container_ = std::make_unique<DODLib::Container>();
    ASSERT_TRUE(container_->Validate(soup));
    EXPECT_EQ(TextOf(soup), TextOf("kuid <kuid:1:300>\nkind \"scenery\"\nusername \"Hut\"\n"
                                   "category-era \"1800s\"\ncategory-class \"ZX\"\ncategory-region \"00\"\n"
                                   "korvel-build 2.9\n"));
    EXPECT_NEAR(DataManager::Instance()->GetBuild(), 2.001f, 1e-6f);
    EXPECT_TRUE(Findings().empty()) << ::testing::PrintToString(Findings());
}

// Every old config gets the three categories: every kind the shipped
// templates define must allow them, or every old asset of the kind fails.
TEST_F(ConfigUpgradeTest, EveryShippedKindTakesTheCategoriesTheUpgradeAdds)
{
    DataManager::Instance()->LoadTemplates();
    const SoupHandle library = DataManager::Instance()->GetLibrary();
    int kinds = 0;
    for (int32_t i = 0; i < library.CountTags(); ++i) {
        if (library.GetIndexedSoup(i).GetNamedTagAsInt(Zel::PString("top-level"), 0) == 0)
            continue;
        const std::string kind = library.GetIndexedTagName(i).c_str();
        ++kinds;
        ASSERT_TRUE(ReadConfig("kuid <kuid:1:1>\nkind \"" + kind + "\"\nusername \"u\"\nkorvel-build 2.0\n")) << kind;
        for (const Finding& finding : Findings())
            EXPECT_EQ(finding.text.find("category-"), std::string::npos) << kind << ": " << finding.text;
    }
    EXPECT_GT(kinds, 40);
}

// Validation only reads: with the renaming of legacy files off, the old
// fixed file names stay as they are.
TEST_F(ConfigUpgradeTest, TheAssetFolderIsUnchangedByTheChecks)
{
    const std::string folder = MakeAsset("old", "kuid <kuid:1:301>\nkind \"map\"\nusername \"Map\"\n"
                                                "asset-filename \"big\"\nkorvel-build 2.0\ncasts_shadows 1.0\n");
    for (const char* name : {"mapfile.bmk", "mapfile.obs", "mapfile.gnd", "mapfile.trk", "default.im"})
        WriteFile(folder + "/" + name, name);
    std::filesystem::create_directories(folder + "/big_shadow");
    WriteFile(folder + "/big_shadow/default_shadow.im", "shadow");
    auto snapshot = [&]() {
        std::map<std::string, std::string> files;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
            files[entry.path().string()] = entry.is_regular_file() ? ReadFile(entry.path().string()) : "folder";
        return files;
    };
    const auto before = snapshot();
    ASSERT_FALSE(DataManager::Instance()->RenamesLegacyFiles());
    CheckAsset("old");
    EXPECT_EQ(snapshot(), before);
}

}  // namespace
}  // namespace TemplateTests
