// The script-host end-to-end fixture: a fresh installation whose daemon holds the assets a test installs, and the option that points the host at it.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e/harness/e2e_harness.h"

namespace KorvelTest {

class ScriptHostInstallation : public ::testing::Test {
protected:
    // Writes Incoming/<folder>/config.txt (files already written there go
    // with it) and installs the folder into the installation's daemon, which
    // the first install starts.
    void InstallAsset(const std::string& folder, const std::string& config) const
    {
        installation.WriteFile("Incoming/" + folder + "/config.txt", config);
        const E2E::RunResult run =
            installation.Run({"installfrompath", installation.PathOf("Incoming/" + folder + "/")});
        ASSERT_EQ(run.exitStatus, 0) << run.out;
    }

    // The same with the config's id and user name in front of the rest of it.
    void InstallNamedAsset(const std::string& folder, const std::string& id, const std::string& name,
                           const std::string& rest) const
    {
        InstallAsset(folder, "kuid " + id + "\nusername \"" + name + "\"\n" + rest);
    }

    // The host's options for this installation's root.
    std::vector<std::string> Root() const { return {"--root", installation.Root()}; }

    E2E::Installation installation;
};

}  // namespace KorvelTest
