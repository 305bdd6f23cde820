// Store-safety tests end to end: a sample asset of a few MB installed with the real utility, and what the store then holds.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "e2e/harness/e2e_harness.h"
#include "support/file_text.h"
#include "support/scratch_tmpfs.h"

namespace StoreSafety {

using KorvelTest::ReadFileText;
using KorvelTest::WriteFileText;

constexpr const char* Loco = "<kuid:1234:100>";
constexpr const char* LocoKey = "kuid_1234_100_0";

inline std::string LocoConfig()
{
    return "kuid <kuid:1234:100>\nkind \"traincar\"\nusername \"Fast Loco\"\ncategory-class \"AH\"\n";
}

// Several MB, so that a copy across file systems is a real one.
inline std::string BigBody()
{
    std::string bytes(3 << 20, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>((i * 131) >> 3);
    return bytes;
}

// The status letters of an asset ("+ <kuid> : letters : category : name").
inline std::string StatusLetters(const std::string& out)
{
    std::size_t at = out.find(" : ");
    return at == std::string::npos ? std::string() : out.substr(at + 3, 7);
}

// Lines of the printed log that carry the prefix and hold the text.
inline int CountLines(const std::string& out, const std::string& prefix, const std::string& text = std::string())
{
    int count = 0;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind(prefix, 0) == 0 && line.find(text) != std::string::npos)
            ++count;
    }
    return count;
}

class StoreSafetyTest : public ::testing::Test {
protected:
    std::string UserData() const { return installation.PathOf("UserData"); }

    void InstallLoco()
    {
        std::string source = installation.PathOf("Incoming/Loco");
        WriteFileText(source + "/config.txt", LocoConfig());
        WriteFileText(source + "/readme.txt", "A loco.\n");
        WriteFileText(source + "/body.im", BigBody());
        E2E::RunResult install = installation.Run({"installfrompath", source});
        ASSERT_EQ(install.exitStatus, 0) << install.out;
    }

    std::string Status() { return StatusLetters(installation.Run({"status", Loco}).out); }

    // The folder `edit` prints ("+ <tag> : <folder>").
    std::string Edit()
    {
        E2E::RunResult run = installation.Run({"edit", Loco});
        EXPECT_EQ(run.exitStatus, 0) << run.out;
        std::string prefix = std::string("+ ") + Loco + " : ";
        std::size_t at = run.out.find(prefix);
        if (at == std::string::npos)
            return std::string();
        std::size_t end = run.out.find('\n', at);
        return run.out.substr(at + prefix.size(), end - at - prefix.size());
    }

    // The committed asset folders of Loco (one when all is well).
    std::vector<std::string> CommittedFolders() const
    {
        std::vector<std::string> folders;
        std::string keyFolder = UserData() + "/local/" + LocoKey;
        if (!std::filesystem::is_directory(keyFolder))
            return folders;
        for (const auto& revision : std::filesystem::directory_iterator(keyFolder)) {
            if (!revision.is_directory())
                continue;
            for (const auto& leaf : std::filesystem::directory_iterator(revision.path()))
                folders.push_back(leaf.path().string());
        }
        return folders;
    }

    std::string CommittedReadme() const
    {
        std::vector<std::string> folders = CommittedFolders();
        EXPECT_EQ(folders.size(), 1u);
        return folders.empty() ? std::string() : ReadFileText(folders[0] + "/readme.txt");
    }

    bool Exists(const std::string& userDataRelative) const
    {
        return std::filesystem::exists(UserData() + "/" + userDataRelative);
    }

    E2E::Installation installation;
    // After the installation, so it is unmounted before the tree is removed.
    KorvelTest::ScratchTmpfs mount;
};

}  // namespace StoreSafety
