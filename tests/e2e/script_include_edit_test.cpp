// One command host validates an asset, the asset whose script it includes is edited, and the next validation links the edit.
#include "e2e/harness/e2e_harness.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>

namespace {

const char BaseId[] = "<kuid:424242:3140>";
const char CarId[] = "<kuid:424242:3141>";

class ScriptIncludeEdit : public ::testing::Test {
protected:
    void Install(const std::string& name, const std::string& id, const std::string& config, const std::string& script,
                 const std::string& source)
    {
        const std::string folder = "Incoming/" + name + "/";
        installation.WriteFile(folder + "config.txt", "kuid " + id + "\nusername \"" + name + "\"\n" + config);
        installation.WriteFile(folder + script, source);
        E2E::RunResult run = installation.Run({"installfrompath", installation.PathOf(folder)});
        ASSERT_EQ(run.exitStatus, 0) << run.out;
    }

    // The edit folder `edit` prints for the asset; empty when none.
    std::string EditFolder(const std::string& id) const
    {
        E2E::RunResult edit = installation.Run({"edit", id});
        const std::size_t at = edit.out.find(" : /");
        if (at == std::string::npos)
            return std::string();
        return edit.out.substr(at + 3, edit.out.find('\n', at) - at - 3);
    }

    // Every host the daemon's log says was sent a validation.
    std::set<std::string> HostsAsked() const
    {
        const std::string text = installation.ReadFile("UserData/assets.tdx/kaddaemon.log");
        const std::regex sent(R"(question 0 sent to command host (\d+))");
        std::set<std::string> hosts;
        for (auto at = std::sregex_iterator(text.begin(), text.end(), sent); at != std::sregex_iterator(); ++at)
            hosts.insert((*at)[1].str());
        return hosts;
    }

    E2E::Installation installation;
};

TEST_F(ScriptIncludeEdit, AnEditedIncludedScriptIsLinkedByTheNextValidationInTheSameHost)
{
    Install("Base", BaseId, "kind \"traincar\"\nkorvel-build 3.3\nscript \"base\"\nclass \"Base\"\n", "base.gs",
            "include \"Vehicle.gs\"\nclass Base isclass Vehicle { };\n");
    Install("Car", CarId,
            std::string("kind \"traincar\"\nkorvel-build 3.3\nscript \"car\"\nclass \"Car\"\n"
                        "script-include-table {\n  0 ") +
                BaseId + "\n}\n",
            "car.gs", "include \"base.gs\"\nclass Car isclass Base { };\n");
    E2E::RunResult first = installation.Run({"validate", CarId});
    ASSERT_EQ(first.out, "OK (0 Errors, 0 Warnings)\n");

    // The included class is no vehicle any more; the car's own text is unchanged.
    const std::string folder = EditFolder(BaseId);
    ASSERT_FALSE(folder.empty());
    installation.WriteFile(folder.substr(installation.Root().size() + 1) + "/base.gs",
                           "include \"gs.gs\"\nclass Base isclass GameObject { };\n");
    E2E::RunResult commit = installation.Run({"commit", BaseId});
    ASSERT_EQ(commit.exitStatus, 0) << commit.out;

    E2E::RunResult second = installation.Run({"validate", CarId});
    EXPECT_EQ(second.out, std::string("- ") + CarId +
                              " : Script class does not match asset kind (vehicle).\nOK (1 Errors, 0 Warnings)\n");
    EXPECT_EQ(HostsAsked().size(), 1u);
    // Rebuilt once: a third look finds the same, from the cache.
    E2E::RunResult third = installation.Run({"validate", CarId});
    EXPECT_EQ(third.out, second.out);
}

}  // namespace
