// Library objects through scripts in the script host, on library assets installed in a real daemon: one object per asset, plug-in calls, tokens and failures.
#include <gtest/gtest.h>

#include <filesystem>

#include "e2e/harness/e2e_harness.h"
#include "e2e/script_host_support.h"
#include "support/script_host_installation.h"

namespace {

using HostScripts::CallRow;

constexpr const char* Probe = "<kuid:424242:4301>";
constexpr const char* Plain = "<kuid:424242:4302>";
constexpr const char* NoPlugin = "<kuid:424242:4303>";
constexpr const char* Broken = "<kuid:424242:4304>";
constexpr const char* Scenery = "<kuid:424242:4305>";
constexpr const char* NoClass = "<kuid:424242:4306>";

const std::string Describe = "$string@LibraryProbe::Describe(string)";
const std::string Call = "$string@LibraryProbe::Call(string,string,bool,bool)";
const std::string Granted = "$bool@LibraryProbe::Granted(string,string,string,string)";
const std::string GrantedById = "$bool@LibraryProbe::GrantedById(string,string,string,string,string)";

class ScriptHostLibrary : public KorvelTest::ScriptHostInstallation {
protected:
    void SetUp() override
    {
        // The plug-in the probe library names, where the loader looks.
        std::filesystem::create_directories(installation.PathOf("bin/plugins"));
        std::filesystem::copy_file(std::string(KORVEL_TEST_PLUGINS_DIR) + "/kni_test_plugin.so",
                                   installation.PathOf("bin/plugins/kni_test_plugin.so"));
        installation.WriteFile("Incoming/Probe/probe_library.gs",
                               "include \"Library.gs\"\nclass ProbeLibrary isclass Library { };\n");
        InstallNamedAsset("Probe", Probe, "Probe Library",
                          "kind \"library\"\nscript \"probe_library\"\nclass \"ProbeLibrary\"\n"
                          "native-plugin \"kni_test_plugin\"\n");
        InstallNamedAsset("Plain", Plain, "Plain Library", "kind \"library\"\n");
        InstallNamedAsset("NoPlugin", NoPlugin, "No Plugin", "kind \"library\"\nnative-plugin \"no_such_plugin\"\n");
        // Its class is no KorvelGameObject: Init cannot run.
        installation.WriteFile("Incoming/Broken/broken_library.gs",
                               "include \"gs.gs\"\nclass BrokenLibrary isclass GameObject { };\n");
        InstallNamedAsset("Broken", Broken, "Broken Library",
                          "kind \"library\"\nscript \"broken_library\"\nclass \"BrokenLibrary\"\n");
        InstallNamedAsset("Scenery", Scenery, "Scenery", "kind \"scenery\"\n");
        // Its script has no class of the name its config gives.
        installation.WriteFile("Incoming/NoClass/other_library.gs",
                               "include \"Library.gs\"\nclass OtherLibrary isclass Library { };\n");
        InstallNamedAsset("NoClass", NoClass, "No Class",
                          "kind \"library\"\nscript \"other_library\"\nclass \"MissingLibrary\"\n");
    }
};

std::vector<std::string> Str(const std::vector<std::string>& texts)
{
    std::vector<std::string> words;
    for (const std::string& text : texts) {
        if (text == "0" || text == "1") {
            words.push_back("--int");
        } else {
            words.push_back("--str");
        }
        words.push_back(text);
    }
    return words;
}

TEST_F(ScriptHostLibrary, OneStartedObjectPerLibraryAssetOrNone)
{
    const HostScripts::HostRun run =
        HostScripts::ExpectCalls("library_probe.gs", "LibraryProbe",
                                 {
                                     {"$bool@LibraryProbe::Same(string)", Str({Probe}), "ok 1"},
                                     {Describe, Str({Probe}), "ok \"ProbeLibrary of Probe Library\""},
                                     // Without a script of its own a library is of the class Library.
                                     {Describe, Str({Plain}), "ok \"Library of Plain Library\""},
                                     {Describe, Str({Scenery}), "ok \"none\""},
                                     {Describe, Str({Broken}), "ok \"none\""},
                                     // A library whose class never bound goes too (the run ends with
                                     // nothing alive).
                                     {Describe, Str({NoClass}), "ok \"none\""},
                                     {Describe, Str({"<kuid:424242:9999>"}), "ok \"none\""},
                                     {Describe, Str({"null"}), "fail", "null object at parameter 1"},
                                 },
                                 Root());
    const std::string prefix = "KorvelScriptContext::GetScriptLibrary> ";
    EXPECT_TRUE(HostScripts::Logged(run, prefix + "unable to find Library " + Scenery)) << run.process.out;
    EXPECT_TRUE(HostScripts::Logged(run, prefix + "script failure on Library " + Broken)) << run.process.out;
    EXPECT_TRUE(HostScripts::Logged(run, prefix + "script failure on Library " + NoClass)) << run.process.out;
}

TEST_F(ScriptHostLibrary, CallsReachTheLibrarysPlugIn)
{
    const HostScripts::HostRun run =
        HostScripts::ExpectCalls("library_probe.gs", "LibraryProbe",
                                 {
                                     {Call, Str({Probe, "InitCount", "0", "0"}), "ok \"1\""},
                                     {Call, Str({Probe, "Join", "0", "0"}), "ok \"a|b\""},
                                     {Call, Str({Probe, "Join", "0", "1"}), "ok \"a|(null)\""},
                                     {Call, Str({Probe, "Join", "1", "0"}), "ok \"\""},
                                     // Results that are no strings, and unknown functions, give null.
                                     {Call, Str({Probe, "AnArray", "0", "0"}), "ok null"},
                                     {Call, Str({Probe, "Nothing", "0", "0"}), "ok null"},
                                     {Call, Str({Probe, "Missing", "0", "0"}), "ok null"},
                                     {Call, Str({Probe, "", "0", "0"}), "fail", "empty string at parameter 1"},
                                     // No plug-in: the empty string and a line in the log.
                                     {Call, Str({Plain, "Join", "0", "0"}), "ok \"\""},
                                     {Call, Str({NoPlugin, "Join", "0", "0"}), "ok \"\""},
                                 },
                                 Root());
    EXPECT_TRUE(HostScripts::Logged(run, std::string("Library.LibraryCall> unknown function 'Join' was called on "
                                                     "object '") +
                                             Plain + " \"Plain Library\"'"))
        << run.process.out;
}

TEST_F(ScriptHostLibrary, TokensIssuedByOneLibraryAreValidatedByAnother)
{
    HostScripts::ExpectCalls(
        "library_probe.gs", "LibraryProbe",
        {
            {Granted, Str({Probe, Plain, "read", "read"}), "ok 1"},
            {Granted, Str({Probe, Plain, "read", "write"}), "ok 0"},
            {Granted, Str({Probe, Plain, "read", ""}), "ok 0"},
            // Issued to another asset than the one that validates.
            {Granted, Str({Probe, Probe, "read", "read"}), "ok 1"},
            {GrantedById, Str({Probe, Plain, "read", "read", Probe}), "ok 1"},
            {GrantedById, Str({Probe, Plain, "read", "read", Plain}), "ok 0"},
            {GrantedById, Str({Probe, Plain, "read", "read", Scenery}), "ok 0"},
            {"$bool@LibraryProbe::Merged(string,string)", Str({Probe, Plain}), "ok 1"},
            {"$void@LibraryProbe::Icon(string)", Str({Probe}), "ok void"},
            {"$void@LibraryProbe::IconWithoutAsset(string)", Str({Probe}), "fail", "null object at parameter 1"},
        },
        Root());
}

}  // namespace
