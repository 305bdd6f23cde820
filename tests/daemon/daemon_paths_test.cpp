// The daemon's folders come from its own location, as the client derives them.
#include <gtest/gtest.h>

#include "daemon/daemon_paths.h"

TEST(DaemonPaths, RootIsTheParentOfTheProgramFolder)
{
    KADDaemonPaths paths;
    ASSERT_TRUE(KADDaemonPaths::FromExecutable("/opt/Korvel/bin/kaddaemon.exe", paths));
    EXPECT_EQ(paths.installRoot, "/opt/Korvel");
    EXPECT_EQ(paths.userDataRoot, "/opt/Korvel/UserData");
    EXPECT_EQ(paths.databasePath, "/opt/Korvel/UserData/assets.tdx");
    EXPECT_EQ(paths.indexPath, "/opt/Korvel/UserData/assets.tdx/index.sqlite");
}

TEST(DaemonPaths, ProgramAtTheTopOfTheTree)
{
    KADDaemonPaths paths;
    ASSERT_TRUE(KADDaemonPaths::FromExecutable("/bin/kaddaemon.exe", paths));
    EXPECT_EQ(paths.userDataRoot, "/UserData");
    EXPECT_FALSE(KADDaemonPaths::FromExecutable("kaddaemon.exe", paths));
}

TEST(DaemonPaths, HandshakePathComparison)
{
    struct Case {
        const char* theirs;
        bool same;
    };
    const std::string ours = "/tmp/KadRoot/UserData/assets.tdx";
    const Case cases[] = {
        {"/tmp/KadRoot/UserData/assets.tdx", true},
        {"/tmp/kadroot/UserData/assets.tdx", true},  // the client lower-cases the root
        {"\\tmp\\kadroot\\userdata\\ASSETS.TDX", true},
        {"/tmp//kadroot/UserData/assets.tdx/", true},
        {"/tmp/kadroot2/UserData/assets.tdx", false},
        {"/tmp/kadroot/UserData/assets.tdx2", false},
        {"", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(KADIsSameDatabasePath(ours, c.theirs), c.same) << c.theirs;
}
