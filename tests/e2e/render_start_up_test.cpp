// The render context at start-up, seen from outside: with -zellog the material types the engine lacks are listed, once each, and the command still succeeds.
#include <gtest/gtest.h>

#include <string>

#include "e2e/harness/e2e_harness.h"

namespace {

size_t Count(const std::string& text, const std::string& what)
{
    size_t count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size()))
        ++count;
    return count;
}

TEST(RenderStartUpTest, ZellogListsTheMaterialTypesTheEngineLacksAndNothingElse)
{
    E2E::Installation installation;
    for (const char* renderer : {"-zellog", "norender"}) {
        bool logged = std::string(renderer) == "-zellog";
        std::vector<std::string> arguments = {"version", renderer};
        if (!logged)
            arguments.push_back("-zellog");
        E2E::RunResult run = installation.Run(arguments);
        ASSERT_FALSE(run.timedOut);
        const std::string prefix = "DataManager::RegisterKorvelBumpVertexType> Unable to load '";
        EXPECT_EQ(Count(run.out, prefix), 4u) << renderer << "\n" << run.out;
        for (const char* type : {"m.tbumpcoltex", "m.tbumpglosscol", "m.tgroundonetex", "m.tgroundonetexvs"})
            EXPECT_EQ(Count(run.out, prefix + type + "'\n"), 1u) << type;
        // The product's own types and the engine's built-in ones load.
        EXPECT_EQ(Count(run.out, "m.tbumpgloss'"), 0u);
        EXPECT_EQ(Count(run.out, "SharedTextureCollection failed"), 0u);
    }
    // Without -zellog nothing of it reaches the output.
    E2E::RunResult quiet = installation.Run({"version"});
    EXPECT_EQ(Count(quiet.out, "RegisterKorvelBumpVertexType"), 0u);
    installation.StopDaemons();
}

}  // namespace
