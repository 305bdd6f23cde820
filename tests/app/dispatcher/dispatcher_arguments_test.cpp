// DispatchCommand: command lines and their exact output, log lines and results.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/commands.h"
#include "results/results_log.h"
#include "results/results_log_test_support.h"
#include "dispatcher_test_support.h"
#include "fake_kad_client.h"

namespace {

struct Case {
    std::vector<std::string> words;
    const char* output;
    int result;
};

const char NoErrors[] = "OK (0 Errors, 0 Warnings)\n";
const char InvalidArgument[] = "- <NULL> : Invalid argument, please check the help for the list of valid argument\n\n"
                               "OK (1 Errors, 0 Warnings)\n";
const char MissingAssetID[] = "- <NULL> : Missing AssetID parameter.\nOK (1 Errors, 0 Warnings)\n";

void Check(const Case& c)
{
    std::string line;
    for (const std::string& word : c.words)
        line += "[" + word + "]";
    DispatchOutcome outcome = RunCommandLine(c.words);
    EXPECT_EQ(outcome.output, c.output) << line;
    EXPECT_EQ(outcome.result, c.result) << line;
}

}  // namespace

TEST(DispatchCommand, QueriesThatNeedNoDaemon)
{
    const std::string build = std::string("Build 44088\n") + NoErrors;
    const Case cases[] = {
        {{"version"}, build.c_str(), 0},
        {{"VERSION"}, build.c_str(), 0},
        {{"Version", "ignored"}, build.c_str(), 0},
        {{"installedversionlo"}, NoErrors, 74},
        {{"installedversionhi"}, NoErrors, 1},
        {{"installedbuildnumberlo"}, NoErrors, 56},
        {{"installedbuildnumberhi"}, NoErrors, 172},
        {{"installedversion"}, NoErrors, 330},
        {{"installedbuildnumber"}, NoErrors, 44088},
        {{"InstalledBuildNumber"}, NoErrors, 44088},
    };
    for (const Case& c : cases)
        Check(c);
}

TEST(DispatchCommand, EchoPrintsEachWordAsTypedFollowedByABlank)
{
    const Case cases[] = {
        {{"echo", "a", "b"}, "a b \nOK (0 Errors, 0 Warnings)\n", 0},
        {{"ECHO", "Mixed", "CASE"}, "Mixed CASE \nOK (0 Errors, 0 Warnings)\n", 0},
        {{"echo"}, "\nOK (0 Errors, 0 Warnings)\n", 0},
        {{"echo", "", "x"}, " x \nOK (0 Errors, 0 Warnings)\n", 0},
    };
    for (const Case& c : cases)
        Check(c);
}

TEST(DispatchCommand, UnknownWordsAndMissingCommandWord)
{
    const Case cases[] = {
        {{"frobnicate"}, InvalidArgument, -1},
        {{"help"}, InvalidArgument, -1},  // only main's own first argument is tested for it
        {{""}, InvalidArgument, -1},
        {{}, InvalidArgument, -1},
        {{"versions"}, InvalidArgument, -1},
        {{"registeraccount", "user"}, InvalidArgument, -1},  // fewer than four entries: no match
        {{"registeraccount"}, InvalidArgument, -1},
    };
    for (const Case& c : cases)
        Check(c);
}

TEST(DispatchCommand, MissingArgumentMessages)
{
    auto error = [](const char* text) { return std::string("- <NULL> : ") + text + "\nOK (1 Errors, 0 Warnings)\n"; };
    const std::string language = error("Missing input langauge id parameter.");
    const std::string filePath = error("Missing input filepath parameter.");
    const std::string inputPath = error("Missing input path parameter.");
    const std::string invalidFile = error("Invalid file path.");
    const std::string path = error("Missing path parameter.");
    const std::string category = error("Missing category parameter.");
    const std::string output = error("Missing output path parameter.");
    const std::string cdp = error("Missing CDP filepath.");
    const Case cases[] = {
        {{"setlanguage"}, language.c_str(), -1},
        {{"setlanguage", ""}, language.c_str(), -1},
        {{"installcdp"}, filePath.c_str(), -1},
        {{"installCDP", ""}, filePath.c_str(), -1},
        {{"installfrompath"}, inputPath.c_str(), -1},
        {{"importconsists"}, inputPath.c_str(), -1},
        {{"installfromchb"}, MissingAssetID, -1},
        {{"edit"}, MissingAssetID, -1},
        {{"printconfig"}, MissingAssetID, -1},
        {{"commit", ""}, MissingAssetID, -1},
        {{"revert"}, MissingAssetID, -1},
        {{"delete"}, MissingAssetID, -1},
        {{"status"}, MissingAssetID, -1},
        {{"validate"}, MissingAssetID, -1},
        {{"compresstexture"}, MissingAssetID, -1},
        {{"compile"}, invalidFile.c_str(), -1},
        {{"encrypt"}, invalidFile.c_str(), -1},
        {{"listbuilds"}, path.c_str(), -1},
        {{"searchbycategory", "-a"}, category.c_str(), -1},
        {{"searchbycategory", "-A", ""}, category.c_str(), -1},
        {{"createcdp"}, output.c_str(), -1},
        {{"createCDP", ""}, output.c_str(), -1},
        {{"chbparse"}, cdp.c_str(), -1},
    };
    for (const Case& c : cases)
        Check(c);
}

TEST(DispatchCommand, MalformedArguments)
{
    auto error = [](const char* text) { return std::string("- <NULL> : ") + text + "\nOK (1 Errors, 0 Warnings)\n"; };
    const std::string unknownLanguage = error("Unknown language code.");
    const std::string invalidPath = error("Invalid input path.");
    const std::string extension = error("The output filename must have a .cdp extension.");
    const Case cases[] = {
        {{"setlanguage", "xx"}, unknownLanguage.c_str(), -1},
        {{"setlanguage", "usa"}, unknownLanguage.c_str(), -1},
        {{"installfrompath", "/no/such/folder/anywhere"}, invalidPath.c_str(), -1},
        // installfromchb parses strictly, and the null id counts as missing.
        {{"installfromchb", "abc"}, MissingAssetID, -1},
        {{"installfromchb", "<kuid:1:2"}, MissingAssetID, -1},
        {{"installfromchb", "1:2"}, MissingAssetID, -1},
        {{"installfromchb", "<NULL>"}, MissingAssetID, -1},
        {{"installfromchb", "<kuid2:-3:1:0>"}, MissingAssetID, -1},
        {{"createcdp", "out.txt", "<kuid:1:2>"}, extension.c_str(), -1},
        {{"createcdp", "out"}, extension.c_str(), -1},
    };
    for (const Case& c : cases)
        Check(c);
}

TEST(DispatchCommand, SetLanguageStoresTheLowerCasedCode)
{
    FakeKADClientCalls().clear();
    Check({{"setlanguage", "FR"}, NoErrors, 0});
    Check({{"SETLANGUAGE", "hu"}, NoErrors, 0});
    Check({{"setlanguage", "Uk"}, NoErrors, 0});
    EXPECT_EQ(FakeKADClientCalls(),
              (std::vector<std::string>{"SetSetting(internet,language,fr)", "SetSetting(internet,language,hu)",
                                        "SetSetting(internet,language,uk)"}));
}

TEST(DispatchCommand, EveryLanguageCodeIsKnown)
{
    for (const char* code : {"US", "UK", "CN", "CZ", "NL", "FR", "DE", "IT", "KR", "PL", "RU", "ES", "HU"})
        Check({{"setlanguage", code}, NoErrors, 0});
}

TEST(DispatchCommand, CloseKADDaemonAsksTheDaemonToClose)
{
    FakeKADClientCalls().clear();
    Check({{"closekaddaemon"}, NoErrors, 0});
    EXPECT_EQ(FakeKADClientCalls(), std::vector<std::string>{"CloseDaemon()"});
}

// Past its checks each word reaches its body (a recording stub here) with
// the arguments as the dispatcher hands them on: lower-cased, parsed as an
// id, or the raw entries as typed.
TEST(DispatchCommand, ArgumentsThatPassTheChecksReachTheBody)
{
    struct Reached {
        std::vector<std::string> words;
        const char* call;
    };
    const Reached reached[] = {
        {{"installcdp", "A.cdp"}, "CommandInstallCDP(a.cdp)"},
        {{"installfrompath", "/"}, "CommandInstallFromPath(/)"},
        {{"installfromchb", "<kuid:1:2>"}, "CommandInstallFromCHB(<kuid:1:2>)"},
        {{"InstallFromCHB", "<KUID2:3:1:4>"}, "CommandInstallFromCHB(<kuid2:3:1:4>)"},
        {{"importconsists", "X.txt"}, "CommandImportConsists(x.txt)"},
        {{"edit", "<kuid:1:2>"}, "CommandEdit(<kuid:1:2>)"},
        // A malformed id passes the presence check and reaches the body as
        // the null id.
        {{"printconfig", "nonsense"}, "CommandPrintConfig(<NULL>)"},
        {{"compile", "A.gs", "-x"}, "CommandCompile(4,/opt/korvel/bin/KorvelUtil,compile,A.gs,-x)"},
        {{"kadcommandhost"}, "CommandKADCommandHost()"},
        {{"kadcommandhost", "ignored"}, "CommandKADCommandHost()"},
        {{"encrypt", "A.gs"}, "CommandEncrypt(a.gs)"},
        {{"listbuilds", "Builds.txt"}, "CommandListBuilds(builds.txt)"},
        {{"commit", "<kuid:1:2>"}, "CommandCommit(<kuid:1:2>)"},
        {{"revert", "<kuid2:1:2:3>"}, "CommandRevert(<kuid2:1:2:3>)"},
        {{"delete", "1:2"}, "CommandDelete(<NULL>)"},  // strict parsing: the bare form is no id
        {{"generatekuid"}, "CommandGenerateKUID()"},
        {{"repairdatabase"}, "CommandRepairDatabase((null))"},
        {{"repairdatabase", "Extended"}, "CommandRepairDatabase(extended)"},
        {{"compresstexture", "Folder"}, "CommandCompressTexture(folder)"},
        {{"authors"}, "CommandAuthors()"},
        {{"searchbycategory"}, "CommandSearchByCategory((null),false)"},
        {{"searchbycategory", "TR"}, "CommandSearchByCategory(tr,false)"},
        {{"searchbycategory", "-a", "TR"}, "CommandSearchByCategory(TR,true)"},
        {{"searchbycategory", "-A", "Tr"}, "CommandSearchByCategory(Tr,true)"},
        {{"status", "<kuid:1:2>"}, "CommandStatus(<kuid:1:2>)"},
        {{"validate", "<kuid:1:2>"}, "CommandValidate(<kuid:1:2>)"},
        {{"createcdp", "OUT.CDP"}, "CommandCreateCDP(OUT.CDP,0)"},
        {{"createcdp", "Out.cdp", "<KUID:1:2>", "3:4"}, "CommandCreateCDP(Out.cdp,2,<KUID:1:2>,3:4)"},
        {{"chbparse", "A.cdp"}, "CommandCHBParse(A.cdp)"},
        {{"chbdeleteall"}, "CommandCHBDeleteAll()"},
        {{"backupkeywords"}, "CommandBackupKeywords(KeywordsBackup.dat)"},
        {{"backupkeywords", "Mine.dat"}, "CommandBackupKeywords(mine.dat)"},
        {{"importkeywords"}, "CommandImportKeywords()"},
    };
    for (const Reached& r : reached) {
        FakeKADClientCalls().clear();
        Check({r.words, NoErrors, 0});
        EXPECT_EQ(FakeKADClientCalls(), std::vector<std::string>{r.call}) << r.words[0];
    }
}

// A body that has not landed answers with an error line and a failure, so
// the command never passes for a success.
TEST(DispatchCommand, BodiesNotYetAvailableFailWithAnErrorLine)
{
    for (const char* word : {"compile", "encrypt", "compresstexture"}) {
        ResultsLog log;
        EXPECT_EQ(ReportCommandNotAvailable(log, word), -1) << word;
        EXPECT_EQ(PrintToString(log), std::string("- <NULL> : The command \"") + word +
                                          "\" is not available yet.\nOK (1 Errors, 0 Warnings)\n");
    }
}
