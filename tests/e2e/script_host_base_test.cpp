// The natives of "KorvelScriptBase" through scripts in the script host, on assets installed in a real daemon.
#include <gtest/gtest.h>

#include "e2e/harness/e2e_harness.h"
#include "e2e/script_host_support.h"
#include "support/script_host_installation.h"

namespace {

using HostScripts::CallRow;

constexpr const char* Alpha = "<kuid:424242:4201>";
constexpr const char* Beta = "<kuid:424242:4202>";
constexpr const char* OldGamma = "<kuid2:424242:4203:1>";
constexpr const char* Gamma = "<kuid2:424242:4203:2>";
constexpr const char* Unknown = "<kuid:424242:9999>";

const std::string Kind = "$string@BaseProbe::Kind(string)";
const std::string KindAndCodes = "$string@BaseProbe::KindAndCodes(string,string)";
const std::string Search = "$string@BaseProbe::Search(string,bool)";

class ScriptHostBase : public KorvelTest::ScriptHostInstallation {
protected:
    void SetUp() override
    {
        Install("Alpha", Alpha, "Alpha", "scenery");
        Install("Beta", Beta, "Beta", "scenery");
        Install("OldGamma", OldGamma, "Old Gamma", "scenery");
        Install("Gamma", Gamma, "Gamma", "scenery");
        Install("Road", "<kuid:424242:4204>", "Road", "track");
    }

    void Install(const std::string& folder, const std::string& id, const std::string& name, const std::string& kind)
    {
        InstallNamedAsset(folder, id, name, "kind \"" + kind + "\"\n");
    }
};

std::vector<std::string> Str(const std::string& text, const std::vector<std::string>& more = {})
{
    std::vector<std::string> words = {"--str", text};
    words.insert(words.end(), more.begin(), more.end());
    return words;
}

std::string Ids(const std::vector<std::string>& ids)
{
    std::string text;
    for (const std::string& id : ids)
        text += id + " ";
    return "ok \"" + text + "\"";
}

TEST_F(ScriptHostBase, AssetListsByKindAndCategoryCodes)
{
    const HostScripts::HostRun run = HostScripts::ExpectCalls(
        "base_probe.gs", "BaseProbe",
        {
            // Installed, current assets of the kind's category; the older
            // version of an installed asset is obsolete.
            {Kind, Str("Scenery"), Ids({Alpha, Beta, Gamma})},
            {"$bool@BaseProbe::Shared(string)", Str("scenery"), "ok 1"},
            {Kind, Str("nothing-such"), "ok \"\""},
            {KindAndCodes, Str("SCENERY", {"--str", "xx"}), "ok \"\""},
            {Kind, {"--null"}, "fail", "null string at parameter 1"},
            {Kind, Str(""), "fail", "empty string at parameter 1"},
            {KindAndCodes, Str("scenery", {"--str", ""}), "fail", "empty string at parameter 2"},
            {KindAndCodes, Str("scenery", {"--null"}), "fail", "null string at parameter 2"},
        },
        Root());
    EXPECT_TRUE(HostScripts::Logged(run, "World.GetAssetList> warning: found zero assets of type 'nothing-such'"))
        << run.process.out;
    EXPECT_TRUE(HostScripts::Logged(run, "World.GetAssetList> warning: found zero assets of type 'scenery'"))
        << run.process.out;
}

TEST_F(ScriptHostBase, SearchesByCategoryGiveIds)
{
    HostScripts::ExpectCalls(
        "base_probe.gs", "BaseProbe",
        {
            {Search, Str("sy", {"--int", "1"}), Ids({Alpha, Beta, Gamma})},
            // Not only local ones: obsolete assets are still left out.
            {Search, Str("SY;SCEN", {"--int", "0"}), Ids({Alpha, Beta, Gamma})},
            {Search, Str("SY|SPLN", {"--int", "0"}), Ids({Alpha, Beta, Gamma, "<kuid:424242:4204>"})},
            {Search, Str("TR", {"--int", "1"}), "ok \"\""},

            // Too long for the wire: nothing, never everything.
            {Search, Str(std::string(70000, 'Z'), {"--int", "0"}), "ok \"\""},
            {Search, Str("", {"--int", "0"}), "fail", "empty string at parameter 1"},
            {Search, {"--null", "--int", "1"}, "fail", "null string at parameter 1"},
            // Every installed asset is its newest known version.
            {"$string@BaseProbe::Updated()", {}, "ok \"\""},
        },
        Root());
}

TEST_F(ScriptHostBase, AssetsLibrariesSystemCallsAndTheLog)
{
    const std::string found = "$string@BaseProbe::Found(string)";
    const std::string library = "$bool@BaseProbe::Library(string)";
    const std::string called = "$int@BaseProbe::Called(string,bool)";
    const HostScripts::HostRun run = HostScripts::ExpectCalls(
        "base_probe.gs", "BaseProbe",
        {
            {found, Str(Beta), "ok \"Beta\""},
            {found, Str("<kuid:424242:4203>"), "ok \"Gamma\""},
            {found, Str(Unknown), "ok \"\""},
            {found, Str("null"), "fail", "null object at parameter 1"},
            {library, Str(Alpha), "ok 1"},
            {library, Str(Alpha), "ok 1"},
            {library, Str("null"), "fail", "null object at parameter 1"},
            // The answer holds the null soup.
            {called, Str("clock", {"--int", "0"}), "ok 0"},
            {called, Str("", {"--int", "0"}), "fail", "empty string at parameter 1"},
            {called, Str("clock", {"--int", "1"}), "fail", "null object at parameter 2"},
            {"$bool@BaseProbe::Opened(string)", Str("http://example.org/"), "ok 0"},
            {"$bool@BaseProbe::Opened(string)", Str(""), "fail", "empty string at parameter 1"},
            {"$void@BaseProbe::Logged(string)", Str("Grüße, 100% \"%s\""), "ok void"},
            {"$void@BaseProbe::Logged(string)", {"--null"}, "ok void"},
            {"$bool@BaseProbe::Clock()", {}, "ok 1"},
        },
        Root());
    EXPECT_TRUE(HostScripts::Logged(run, "Grüße, 100% \"%s\"")) << run.process.out;
    EXPECT_TRUE(
        HostScripts::Logged(run, std::string("KorvelScriptContext::GetScriptLibrary> unable to find Library ") + Alpha))
        << run.process.out;
}

}  // namespace
