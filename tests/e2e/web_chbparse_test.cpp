// chbparse end to end: an archive's asset installed, summarised and written again as an archive of its own.
#include "e2e/harness/e2e_harness.h"

#include <gtest/gtest.h>

#include <string>

#include "e2e/content_service/content_service.h"
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

// The parsed asset is installed but not yet committed when its dependencies are looked for: the daemon must
// take them from the asset's edit copy, or nothing is ever searched for.
TEST(WebCHBParseTest, ADependencyTheServiceOffersIsSearchedForAndInstalled)
{
    const KUID dependency{321, 655, 0};
    ContentService::StandIn service;
    ASSERT_TRUE(service.Start());
    E2E::Installation installation;
    installation.WriteFile(
        "UserData/assets.tdx/kaddaemon.cfg",
        "web-total-timeout 20\nweb-rewrite\n{\n  0\n  {\n    from \"https://cargohub.korvel.invalid\"\n"
        "    to \"" +
            service.BaseUrl() + "\"\n  }\n}\n");
    SoupHandle needed = ContentService::SampleAssetEntry(dependency, "Needed");
    ASSERT_EQ(ContentService::WriteSampleArchive(needed, installation.PathOf("served-dep.cdp")), "");
    service.ServeFile("/dl/dep.cdp", installation.ReadFile("served-dep.cdp"));
    std::string tag = dependency.ToTagString().c_str();
    service.SetSearchAnswer("321:655", ContentService::SearchAnswer({
                                           {tag, tag, service.UrlOf("/dl/dep.cdp"), 500, "Needed"},
                                       }));

    installation.WriteFile("work/keep.txt", "");
    std::string archive = installation.PathOf("work/input.cdp");
    SoupHandle entry = ContentService::SampleAssetEntry(Sample, "Parsed", &dependency);
    ASSERT_EQ(ContentService::WriteSampleArchive(entry, archive), "");
    E2E::RunResult result = installation.Run({"chbparse", archive});
    EXPECT_EQ(result.exitStatus, 0) << result.out << result.err;
    EXPECT_NE(result.out.find("; <kuid:321:654> : Dependencies: <kuid:321:655>"), std::string::npos) << result.out;
    EXPECT_GE(service.Hits(ContentService::SearchPage), 1);
    EXPECT_EQ(service.Hits("/dl/dep.cdp"), 1);
    EXPECT_EQ(installation.Run({"printconfig", tag}).exitStatus, 0);
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
