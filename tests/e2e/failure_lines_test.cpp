// Every failing command says why: a non-zero exit always comes with a line naming the cause.
#include "e2e/harness/e2e_harness.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct FailureCase {
    const char* name;
    std::vector<std::string> arguments;  // "$ROOT" is replaced by the installation root
    int exitStatus;
    const char* line;  // a fragment of the line that says why
};

class FailureLines : public ::testing::Test {
protected:
    void SetUp() override
    {
        installation.WriteFile(
            "Incoming/good/config.txt",
            "kuid <kuid:424242:1>\nkind \"scenery\"\nusername \"Failure lines\"\nkorvel-build 3.5\n");
        installation.WriteFile("Incoming/good/mesh.im", "mesh bytes");
        installation.WriteFile("Incoming/plain.txt", "not an asset");
        installation.WriteFile("Incoming/empty/readme.txt", "a folder without a config");
        E2E::RunResult installed = installation.Run({"installfrompath", installation.PathOf("Incoming/good")});
        ASSERT_EQ(installed.exitStatus, 0) << installed.out << installed.err;
    }

    std::vector<std::string> Expand(const std::vector<std::string>& arguments) const
    {
        std::vector<std::string> expanded;
        for (std::string argument : arguments) {
            if (std::string::size_type at = argument.find("$ROOT"); at != std::string::npos)
                argument.replace(at, 5, installation.Root());
            expanded.push_back(argument);
        }
        return expanded;
    }

    E2E::Installation installation;
};

TEST_F(FailureLines, EachFailingCommandPrintsWhy)
{
    const std::vector<FailureCase> cases = {
        {"installfrompath of a plain file",
         {"installfrompath", "$ROOT/Incoming/plain.txt"},
         255,
         "No asset was installed"},
        {"installfrompath of a folder without a config",
         {"installfrompath", "$ROOT/Incoming/empty"},
         255,
         "No asset was installed"},
        {"installfrompath of a missing path", {"installfrompath", "$ROOT/Incoming/none"}, 255, "Invalid input path."},
        {"revert of an asset not open for edit", {"revert", "<kuid:424242:1>"}, 255, "it is not open for edit"},
        {"revert of an unknown asset", {"revert", "<kuid:424242:77>"}, 255, "Unknown AssetID."},
        {"backupkeywords into a missing folder",
         {"backupkeywords", "$ROOT/no/such/folder/keywords.dat"},
         255,
         "Unable to write the keyword file"},
        {"validate of an unknown asset", {"validate", "<kuid:424242:77>"}, 255, "Unknown AssetID."},
        {"commit of an unknown asset", {"commit", "<kuid:424242:77>"}, 255, "Unknown AssetID."},
        {"importkeywords without a keyword file", {"importkeywords"}, 255, "Unable to read the keyword file"},
    };
    for (const FailureCase& item : cases) {
        SCOPED_TRACE(item.name);
        E2E::RunResult result = installation.Run(Expand(item.arguments));
        EXPECT_EQ(result.exitStatus, item.exitStatus) << result.out << result.err;
        EXPECT_NE((result.out + result.err).find(item.line), std::string::npos) << result.out << result.err;
    }
}

}  // namespace
