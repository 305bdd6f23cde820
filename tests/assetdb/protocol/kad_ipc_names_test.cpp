// Names of the ownership block: one spelling per database whatever the letter case.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <regex>

#include "assetdb/protocol/kad_ipc_names.h"

namespace {
// Written out here from the published algorithm, independently of the code under test.
std::string Fnv1a64Hex(const std::string& text)
{
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (unsigned char byte : text) {
        hash ^= byte;
        hash *= 0x100000001b3ull;
    }
    char digits[17];
    std::snprintf(digits, sizeof digits, "%016llx", static_cast<unsigned long long>(hash));
    return digits;
}
}  // namespace

TEST(KADIpcNames, MutexNameJoinsTheLowerCasedFolder)
{
    KADIpcNameSet names;
    ASSERT_TRUE(KADIpcNames("/tmp/KadRoot/UserData/assets.tdx", names));
    EXPECT_EQ(names.databaseFolder, "/tmp/kadroot/userdata");
    EXPECT_EQ(names.mutexName, "09731AC6-B611-4e2a-B181-578073F64F24/tmp/kadroot/userdata");
    EXPECT_EQ(names.blockWindowsName, names.mutexName + "-ipc2");
    // The 64-bit FNV-1a of the Windows-style names, so tools outside this
    // code base can find a daemon too.
    EXPECT_EQ(names.blockName, "/kadipc-" + Fnv1a64Hex(names.blockWindowsName));
    EXPECT_EQ(names.lockPath, "/dev/shm/kadipc-" + Fnv1a64Hex(names.mutexName) + ".lock");
    EXPECT_TRUE(std::regex_match(names.blockName, std::regex("/kadipc-[0-9a-f]{16}")));
    EXPECT_TRUE(std::regex_match(names.lockPath, std::regex("/dev/shm/kadipc-[0-9a-f]{16}\\.lock")));
}

TEST(KADIpcNames, BackslashesBecomeSlashes)
{
    KADIpcNameSet names;
    ASSERT_TRUE(KADIpcNames("C:\\Korvel\\UserData\\Assets.TDX", names));
    EXPECT_EQ(names.mutexName, "09731AC6-B611-4e2a-B181-578073F64F24/c:/korvel/userdata");
}

TEST(KADIpcNames, LetterCaseDoesNotChangeTheNames)
{
    // The client lower-cases the installation root and keeps "UserData";
    // the daemon spells the path as the file system does.
    KADIpcNameSet client;
    KADIpcNameSet daemon;
    ASSERT_TRUE(KADIpcNames("/tmp/kadroot.ab12/UserData/assets.tdx", client));
    ASSERT_TRUE(KADIpcNames("/tmp/KadRoot.AB12/UserData/ASSETS.tdx", daemon));
    EXPECT_EQ(client.blockName, daemon.blockName);
    EXPECT_EQ(client.lockPath, daemon.lockPath);
    EXPECT_NE(client.blockName, client.lockPath);
}

TEST(KADIpcNames, RejectsPathsNotEndingInTheDatabaseFolder)
{
    const char* rejected[] = {"", "assets.tdx", "/tmp/UserData", "/tmp/UserData/assets.tdx/", "/tmp/assets.td"};
    for (const char* path : rejected) {
        KADIpcNameSet names;
        EXPECT_FALSE(KADIpcNames(path, names)) << path;
    }
}

TEST(KADIpcNames, DifferentDatabasesGetDifferentNames)
{
    KADIpcNameSet first;
    KADIpcNameSet second;
    ASSERT_TRUE(KADIpcNames("/a/UserData/assets.tdx", first));
    ASSERT_TRUE(KADIpcNames("/b/UserData/assets.tdx", second));
    EXPECT_NE(first.blockName, second.blockName);
    EXPECT_NE(first.lockPath, second.lockPath);
}
