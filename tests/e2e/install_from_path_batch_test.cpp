// installfrompath of a large tree: the daemon installs the folders in batches, the lines still come in walk order.
#include "e2e/harness/e2e_harness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string Tag(int content)
{
    return "<kuid:424242:" + std::to_string(content) + ">";
}

std::string Padded(int number)
{
    char text[16];
    std::snprintf(text, sizeof(text), "%04d", number);
    return text;
}

// The "+ " and "- " lines of the output, as (prefix, text before " : ").
std::vector<std::string> ResultLines(const std::string& out)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < out.size()) {
        std::size_t end = out.find('\n', start);
        if (end == std::string::npos)
            end = out.size();
        std::string line = out.substr(start, end - start);
        if (line.rfind("+ ", 0) == 0 || line.rfind("- ", 0) == 0)
            lines.push_back(line.substr(0, line.find(" : ")));
        start = end + 1;
    }
    return lines;
}

TEST(InstallFromPathBatch, EveryFolderOfALargeTreeIsReportedInWalkOrder)
{
    E2E::Installation installation;
    constexpr int Count = 600;
    std::vector<std::string> expected;
    // Folders sort as the walk meets them: g<group>/a<number>, zero-padded.
    for (int group = 0; group < 6; ++group) {
        for (int i = group; i < Count; i += 6) {
            std::string folder = "Incoming/Tree/g" + std::to_string(group) + "/a" + Padded(i);
            if (i % 97 == 5) {
                // No kuid: refused with a line naming the folder.
                installation.WriteFile(folder + "/config.txt", "kind \"scenery\"\n");
                expected.push_back("- <NULL>");
                continue;
            }
            installation.WriteFile(folder + "/config.txt", "kuid " + Tag(i) + "\nkind \"scenery\"\nusername \"Batch " +
                                                               std::to_string(i) + "\"\nkorvel-build 3.5\n");
            installation.WriteFile(folder + "/mesh.im", "mesh " + std::to_string(i));
            expected.push_back("+ " + Tag(i));
        }
    }
    // The same asset twice in one stretch of the walk: the later folder wins.
    installation.WriteFile("Incoming/Tree/g5/b/config.txt",
                           "kuid " + Tag(0) + "\nkind \"scenery\"\nusername \"Again\"\nkorvel-build 3.5\n");
    installation.WriteFile("Incoming/Tree/g5/b/mesh.im", "mesh again");
    expected.push_back("+ " + Tag(0));

    E2E::RunResult install = installation.Run({"installfrompath", installation.PathOf("Incoming/Tree")});
    EXPECT_EQ(install.exitStatus, 0) << install.err;
    EXPECT_EQ(ResultLines(install.out), expected);
    int refused = static_cast<int>(std::count(expected.begin(), expected.end(), std::string("- <NULL>")));
    EXPECT_NE(install.out.find("OK (" + std::to_string(refused) + " Errors, 0 Warnings)"), std::string::npos)
        << install.out;

    for (int i : {1, 299, 598}) {
        EXPECT_EQ(installation.Run({"status", Tag(i)}).exitStatus, 0) << i;
    }
    E2E::RunResult first = installation.Run({"printconfig", Tag(0)});
    EXPECT_NE(first.out.find("Again"), std::string::npos) << first.out;
}

}  // namespace
