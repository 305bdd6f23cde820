// OnlineAccess and OnlineGroup through scripts in the script host, on library assets installed in a real daemon, without an online profile.
#include <gtest/gtest.h>

#include "e2e/harness/e2e_harness.h"
#include "e2e/script_host_support.h"
#include "support/script_host_installation.h"

namespace {

using HostScripts::CallRow;

constexpr const char* First = "<kuid:424242:4401>";
constexpr const char* Second = "<kuid:424242:4402>";

class ScriptHostOnline : public KorvelTest::ScriptHostInstallation {
protected:
    void SetUp() override
    {
        InstallNamedAsset("First", First, "First Library", "kind \"library\"\n");
        InstallNamedAsset("Second", Second, "Second Library", "kind \"library\"\n");
    }
};

// Texts, and numbers written "#n".
std::vector<std::string> Words(const std::vector<std::string>& texts)
{
    std::vector<std::string> words;
    for (const std::string& text : texts) {
        const bool number = !text.empty() && text[0] == '#';
        words.push_back(number ? "--int" : "--str");
        words.push_back(number ? text.substr(1) : text);
    }
    return words;
}

TEST_F(ScriptHostOnline, LocalDataBudgetBoxesAndGroupsWithoutAService)
{
    const std::string sig = "@OnlineProbe::";
    HostScripts::ExpectCalls(
        "online_probe.gs", "OnlineProbe",
        {
            {"$bool" + sig + "Same(string,string)", Words({First, First}), "ok 1"},
            {"$bool" + sig + "Same(string,string)", Words({First, Second}), "ok 0"},
            {"$int" + sig + "Status(string)", Words({First}), "ok 0"},
            {"$string" + sig + "Username(string)", Words({First}), "ok \"\""},
            // Local data per asset, under the lower-cased name, through the daemon.
            {"$int" + sig + "Store(string,string,string)", Words({First, "Best", "17"}), "ok 0"},
            {"$string" + sig + "Fetch(string,string)", Words({First, "BEST"}), "ok \"17\""},
            {"$string" + sig + "Fetch(string,string)", Words({Second, "best"}), "ok \"\""},
            {"$string" + sig + "Fetch(string,string)", Words({First, ""}), "fail", "empty string at parameter 1"},
            {"$void" + sig + "FetchIntoConfig(string)", Words({First}), "fail",
             "OnlineAccess.GetLocalData> soup is locked"},
            // Not connected: each post is refused by the client but counted; past 61 the budget refuses.
            // The object lives while the script holds it: each call starts a new budget.
            {"$int" + sig + "Posts(string,int)", Words({First, "#61"}), "ok 1"},
            {"$int" + sig + "Posts(string,int)", Words({First, "#62"}), "ok 4"},
            {"$string" + sig + "Collect(string)", Words({First}), "ok \"1:\""},
            {"$string" + sig + "Offline(string)", Words({Second}), "ok \"0,0,6\""},
            // Groups wait for a service that never answers.
            {"$string" + sig + "Group(string,string)", Words({Second, ""}), "ok \"1,1,0,-1,,,1,1:\""},
            {"$string" + sig + "Group(string,string)", Words({Second, "c7"}), "ok \"1,1,0,-1,,,1,1:\""},
        },
        Root());
}

}  // namespace
