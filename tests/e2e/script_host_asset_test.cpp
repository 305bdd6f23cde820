// The Asset and StringTable native classes through scripts in the script host, on assets installed in a real daemon.
#include <gtest/gtest.h>

#include "e2e/harness/e2e_harness.h"
#include "e2e/script_host_support.h"
#include "support/script_host_installation.h"

namespace {

using HostScripts::CallRow;

constexpr const char* Main = "<kuid2:424242:4002:1>";
constexpr const char* Parent = "<kuid:424242:4001>";

class ScriptHostAsset : public KorvelTest::ScriptHostInstallation {
protected:
    void SetUp() override
    {
        InstallNamedAsset("Parent", Parent, "Parent Car", "kind \"scenery\"\nkorvel-build 3.3\n");
        InstallNamedAsset("Main", Main, "Main Car",
                          std::string("kind \"scenery\"\nkorvel-build 2.8\n") +
                              "description \"A car\"\ninfo-url \"http://example.org/car\"\n"
                              "category-era \"1960s;1970s\"\ncategory-region \"US\"\n"
                              "kuid-table\n{\n  Partner " +
                              Parent + "\n  other " + Parent +
                              "\n}\n"
                              "string-table\n{\n  greeting \"Hi $0, $$1 is $1$\"\n  Plain \"plain\"\n}\n");
    }
};

std::vector<std::string> On(const std::string& id, const std::vector<std::string>& more = {})
{
    std::vector<std::string> words = {"--str", id};
    words.insert(words.end(), more.begin(), more.end());
    return words;
}

TEST_F(ScriptHostAsset, InfoConfigDependenciesAndFavouriteOfAnInstalledAsset)
{
    HostScripts::ExpectCalls(
        "asset_probe.gs", "AssetProbe",
        {
            // An id the daemon does not know still gives an object, with an empty record.
            {"$string@AssetProbe::Name(string)", On("<kuid:424242:9999>"), "ok \"\""},
            {"$bool@AssetProbe::Same(string)", On(Main), "ok 1"},
            // The base id resolves to the installed version: the same object.
            {"$bool@AssetProbe::SameAs(string,string)", On("<kuid:424242:4002>", {"--str", Main}), "ok 1"},
            {"$string@AssetProbe::Kuid(string)", On("<kuid:424242:4002>"), std::string("ok \"") + Main + "\""},
            {"$string@AssetProbe::Name(string)", On(Main), "ok \"Main Car\""},
            {"$string@AssetProbe::KuidName(string)", On(Main), "ok \"Main Car\""},
            {"$string@AssetProbe::KuidName(string)", On("<kuid:424242:9999>"), "ok \"\""},
            {"$string@AssetProbe::Description(string)", On(Main), "ok \"A car\""},
            {"$string@AssetProbe::Creator(string)", On(Main), "ok \"\""},
            {"$string@AssetProbe::Era(string)", On(Main), "ok \"1960s;1970s\""},
            {"$string@AssetProbe::Region(string)", On(Main), "ok \"US\""},
            {"$string@AssetProbe::InfoURL(string)", On(Main), "ok \"http://example.org/car\""},
            {"$string@AssetProbe::InfoURL(string)", On(Parent), "ok \"\""},
            // Both sides truncated to hundredths.
            {"$bool@AssetProbe::Supports(string,float)", On(Main, {"--float", "2.8"}), "ok 1"},
            {"$bool@AssetProbe::Supports(string,float)", On(Main, {"--float", "2.81"}), "ok 0"},
            {"$bool@AssetProbe::Supports(string,float)", On("<kuid:424242:9999>", {"--float", "1"}), "ok 0"},
            {"$bool@AssetProbe::Modified(string)", On(Main), "ok 1"},
            {"$bool@AssetProbe::Favorite(string)", On(Main), "ok 0"},
            {"$bool@AssetProbe::SetFavorite(string,bool)", On(Main, {"--int", "1"}), "ok 1"},
            {"$bool@AssetProbe::SetFavorite(string,bool)", On(Main, {"--int", "0"}), "ok 0"},
            {"$string@AssetProbe::Parent(string)", On(Main), "ok \"none\""},
            {"$string@AssetProbe::ConfigTag(string,string)", On(Main, {"--str", "username"}), "ok \"Main Car\""},
            {"$bool@AssetProbe::ConfigLocked(string)", On(Main), "ok 1"},
            {"$void@AssetProbe::ConfigWrite(string)", On(Main), "fail", "Soup.SetNamedTag> parent soup is locked"},
            {"$string@AssetProbe::Dependencies(string)", On(Main), std::string("ok \"") + Parent + " locked\""},
            {"$void@AssetProbe::DependenciesWrite(string)", On(Main), "fail", "KUIDList.Copy> list is locked"},
        },
        Root());
}

TEST_F(ScriptHostAsset, KuidTableLookUpsAndTheNameThatIsNotThere)
{
    const HostScripts::HostRun run = HostScripts::ExpectCalls(
        "asset_probe.gs", "AssetProbe",
        {
            {"$string@AssetProbe::Lookup(string,string)", On(Main, {"--str", "PARTNER"}),
             std::string("ok \"") + Parent + "\""},
            {"$string@AssetProbe::Lookup(string,string)", On(Main, {"--str", "nobody"}), "fail",
             "Asset.FindKUID> unable to find 'nobody' in kuid-table"},
            {"$string@AssetProbe::Lookup(string,string)", On(Main, {"--null"}), "fail", "null string at parameter 1"},
            {"$string@AssetProbe::FindByName(string,string)", On(Main, {"--str", "partner"}), "ok \"Parent Car\""},
            {"$string@AssetProbe::FindByName(string,string)", On(Main, {"--str", ""}), "fail",
             "empty string at parameter 1"},
            // Two names of one id: one object.
            {"$bool@AssetProbe::FoundIsShared(string,string)", On(Main, {"--str", "other"}), "ok 1"},
            // Without a kuid-table every name is missing.
            {"$string@AssetProbe::Lookup(string,string)", On(Parent, {"--str", "partner"}), "fail",
             "Asset.FindKUID> unable to find 'partner' in kuid-table"},
        },
        Root());
    EXPECT_TRUE(HostScripts::Logged(run, "Available kuids are: \"partner\" \"other\" ")) << run.process.out;
}

TEST_F(ScriptHostAsset, StringTableParametersAndFallbacks)
{
    const std::string setParam = "$void@AssetProbe::SetParam(int,string)";
    const std::string text = "$string@AssetProbe::Text(string)";
    HostScripts::ExpectCalls(
        "asset_probe.gs", "AssetProbe",
        {
            {"$bool@AssetProbe::Table(string)", On(Main), "ok 1"},
            {"$string@AssetProbe::Language()", {}, "ok \"english\""},
            {setParam, {"--int", "0", "--str", "5 km"}, "ok void"},
            // A parameter's own "$" signs are not expanded.
            {setParam, {"--int", "1", "--str", "$0"}, "ok void"},
            {text, {"--str", "GREETING"}, "ok \"Hi 5 km, $1 is $0$\""},
            {setParam, {"--int", "10", "--str", "x"}, "fail", "StringTable.SetParam> index (10) out of range (0..9)"},
            {setParam, {"--int", "-1", "--str", "x"}, "fail", "StringTable.SetParam> index (-1) out of range (0..9)"},
            {text, {"--str", "GREETING"}, "ok \"Hi 5 km, $1 is $0$\""},
            {setParam, {"--int", "1", "--null"}, "ok void"},
            {text, {"--str", "greeting"}, "ok \"Hi 5 km, $1 is $\""},
            {text, {"--str", "plain"}, "ok \"plain\""},
            {text, {"--str", ""}, "ok \"\""},
            {text, {"--null"}, "ok \"\""},
            {text, {"--str", "absent"}, "ok \"\""},
            {"$void@AssetProbe::ClearParams()", {}, "ok void"},
            {text, {"--str", "GREETING"}, "ok \"Hi , $1 is $\""},
            // An asset without a string-table still has a table: it finds nothing.
            {"$bool@AssetProbe::Table(string)", On(Parent), "ok 1"},
            {text, {"--str", "greeting"}, "ok \"\""},
        },
        Root());
}

TEST_F(ScriptHostAsset, LanguageAndScenarioTextsComeFromTheInterfaceText)
{
    const std::string text = "$string@AssetProbe::Text(string)";
    installation.WriteFile("data/interfacetext.txt", "$main_language \"deutsch\"\n"
                                                     "scenario_text\n{\n  goal \"Reach $0\"\n"
                                                     "  greeting \"from the scenario\"\n}\n");
    HostScripts::ExpectCalls("asset_probe.gs", "AssetProbe",
                             {
                                 {"$bool@AssetProbe::Table(string)", On(Main), "ok 1"},
                                 {"$string@AssetProbe::Language()", {}, "ok \"deutsch\""},
                                 {"$void@AssetProbe::SetParam(int,string)", {"--int", "0", "--str", "Town"}, "ok void"},
                                 {text, {"--str", "GOAL"}, "ok \"Reach Town\""},
                                 // The asset's own table comes first.
                                 {text, {"--str", "greeting"}, "ok \"Hi Town, $1 is $\""},
                             },
                             Root());
    // Without a language of its own the interface text is English.
    installation.WriteFile("data/interfacetext.txt", "$other \"x\"\n");
    HostScripts::ExpectCalls("asset_probe.gs", "AssetProbe",
                             {
                                 {"$bool@AssetProbe::Table(string)", On(Main), "ok 1"},
                                 {"$string@AssetProbe::Language()", {}, "ok \"english\""},
                                 {text, {"--str", "goal"}, "ok \"\""},
                             },
                             Root());
}

}  // namespace
