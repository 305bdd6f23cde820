// The template data folder beside the program: read at start-up, personal details written back at shutdown.
#include <gtest/gtest.h>

#include "e2e/harness/e2e_harness.h"

namespace {

const char* const DefaultDetails = "\xEF\xBB\xBF\r\n"
                                   "author                                  \r\n"
                                   "organisation                            \r\n"
                                   "email                                   \r\n"
                                   "website                                 \r\n"
                                   "license                                 \r\n"
                                   "isinputboxon                            1\r\n";

TEST(TemplateData, TheLibraryIsInstalledBesideTheProgram)
{
    E2E::Installation installation;
    for (const char* file : {"inheritance.txt", "kind.txt", "container.txt", "newFormTemplate.txt", "regions.txt"})
        EXPECT_TRUE(installation.Exists(std::string("bin/DODData/") + file)) << file;
    EXPECT_FALSE(installation.Exists("data/DODData"));
}

TEST(TemplateData, ShutdownWritesThePersonalDetailsEvenWhenThereWereNone)
{
    E2E::Installation installation;
    ASSERT_FALSE(installation.Exists("bin/DODData/personalDetails.txt"));
    const E2E::RunResult run = installation.Run({"version"});
    ASSERT_EQ(run.exitStatus, 0) << run.out << run.err;
    EXPECT_EQ(installation.ReadFile("bin/DODData/personalDetails.txt"), DefaultDetails);
}

TEST(TemplateData, StartUpReadsThePersonalDetailsThatShutdownWritesBack)
{
    E2E::Installation installation;
    installation.WriteFile("bin/DODData/personalDetails.txt",
                           "author \"Ann Example\"\nlicense \"Free\"\nisinputboxon 0\n");
    const E2E::RunResult run = installation.Run({"version"});
    ASSERT_EQ(run.exitStatus, 0) << run.out << run.err;
    const std::string written = installation.ReadFile("bin/DODData/personalDetails.txt");
    EXPECT_NE(written.find("author                                  \"Ann Example\"\r\n"), std::string::npos)
        << written;
    EXPECT_NE(written.find("license                                 \"Free\"\r\n"), std::string::npos) << written;
    EXPECT_NE(written.find("isinputboxon                            0\r\n"), std::string::npos) << written;
}

}  // namespace
