// chbparse end to end: an archive's asset installed, summarised and written again as an archive of its own.
#include "e2e/harness/e2e_harness.h"

#include <gtest/gtest.h>

#include <string>

#include "e2e/content_service/sample_archive.h"

namespace {

const KUID Sample{321, 654, 0};

void WriteArchiveWithThumbnail(const std::string& path)
{
    SoupHandle entry = ContentService::SampleAssetEntry(Sample, "Parsed");
    entry.SetNamedTag(Zel::PString("category-class"), "line one\\two\r\nline two");
    EXPECT_EQ(ContentService::WriteSampleArchive(entry, path, "\xFF\xD8 not really a jpeg"), "");
}

TEST(WebCHBParseTest, WritesEachAssetAgainWithItsThumbnailAndSummary)
{
    E2E::Installation installation;
    installation.WriteFile("work/keep.txt", "");
    std::string archive = installation.PathOf("work/input.cdp");
    WriteArchiveWithThumbnail(archive);
    E2E::RunResult result = installation.Run({"chbparse", archive});
    EXPECT_EQ(result.exitStatus, 0) << result.out << result.err;
    for (const char* line : {"; <kuid:321:654> : Name: Parsed", "; <kuid:321:654> : Korvel-build: 3.5",
                             "; <kuid:321:654> : Dependencies: \n", "; <kuid:321:654> : kind: scenery",
                             "; <kuid:321:654> : category-class: line one\\\\two\\nline two"}) {
        EXPECT_NE(result.out.find(line), std::string::npos) << line << "\n" << result.out;
    }
    EXPECT_TRUE(installation.Exists("work/kuid 321 654.cdp"));
    EXPECT_TRUE(installation.Exists("work/kuid 321 654.jpg"));
    EXPECT_EQ(installation.Run({"printconfig", "<kuid:321:654>"}).exitStatus, 0);
}

TEST(WebCHBParseTest, AnUnreadableArchiveInstallsNothing)
{
    E2E::Installation installation;
    installation.WriteFile("work/broken.cdp", "not an archive at all");
    E2E::RunResult result = installation.Run({"chbparse", installation.PathOf("work/broken.cdp")});
    EXPECT_EQ(result.exitStatus, 255) << result.out;
    EXPECT_NE(result.out.find("broken.cdp"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("OK (1 Errors"), std::string::npos) << result.out;
}

}  // namespace
