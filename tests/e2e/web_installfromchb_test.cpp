// installfromchb end to end: the real daemon fetches from the content-service stand-in and installs.
#include "e2e/harness/e2e_harness.h"

#include <gtest/gtest.h>

#include <string>

#include "e2e/content_service/content_service.h"
#include "e2e/content_service/sample_archive.h"

namespace {

const KUID Main{123, 456, 0};
const KUID Dependency{123, 457, 0};

std::string Tag(const KUID& id)
{
    return id.ToTagString().c_str();
}

// A signed archive of one scenery asset, as the service would serve it.
std::string BuildArchive(const E2E::Installation& installation, const KUID& id, const char* name, const KUID* needs)
{
    SoupHandle entry = ContentService::SampleAssetEntry(id, name, needs);
    std::string relative = std::string("archive-") + name + ".cdp";
    EXPECT_EQ(ContentService::WriteSampleArchive(entry, installation.PathOf(relative)), "");
    return installation.ReadFile(relative);
}

class WebInstallFromCHBTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(service.Start());
        installation.WriteFile(
            "UserData/assets.tdx/kaddaemon.cfg",
            "web-total-timeout 20\nweb-rewrite\n{\n  0\n  {\n    from \"https://cargohub.korvel.invalid\"\n"
            "    to \"" +
                service.BaseUrl() + "\"\n  }\n}\n");
        service.ServeFile("/dl/main.cdp", BuildArchive(installation, Main, "Main", &Dependency));
        service.ServeFile("/dl/dep.cdp", BuildArchive(installation, Dependency, "Dep", nullptr));
    }

    void AnswerWithBoth(const std::string& mainPath = "/dl/main.cdp")
    {
        service.SetSearchAnswer(
            "123:456", ContentService::SearchAnswer({
                           {Tag(Main), Tag(Main), service.UrlOf(mainPath), 1000, "Main"},
                           {Tag(Dependency), Tag(Dependency), "https://cargohub.korvel.invalid/dl/dep.cdp", 500, "Dep"},
                       }));
    }

    bool IsKnown(const KUID& id) { return installation.Run({"printconfig", Tag(id)}).exitStatus == 0; }

    ContentService::StandIn service;
    E2E::Installation installation;
};

TEST_F(WebInstallFromCHBTest, InstallsTheAssetAndItsDependency)
{
    AnswerWithBoth();
    E2E::RunResult result = installation.Run({"installfromchb", Tag(Main)});
    EXPECT_EQ(result.exitStatus, 0) << result.out << result.err;
    EXPECT_NE(result.out.find("OK (0 Errors"), std::string::npos) << result.out;
    EXPECT_EQ(service.Hits("/webservice/search"), 1);
    EXPECT_EQ(service.Hits("/dl/main.cdp"), 1);
    EXPECT_EQ(service.Hits("/dl/dep.cdp"), 1);
    EXPECT_TRUE(IsKnown(Main));
    EXPECT_TRUE(IsKnown(Dependency));

    // Installed now: no web query at all the second time.
    E2E::RunResult again = installation.Run({"installfromchb", Tag(Main)});
    EXPECT_EQ(again.exitStatus, 0);
    EXPECT_EQ(service.Hits("/webservice/search"), 1);
}

TEST_F(WebInstallFromCHBTest, AnAnswerWithoutRecordsInstallsNothingQuietly)
{
    service.SetSearchAnswer("123:456", ContentService::SearchAnswer({}));
    E2E::RunResult result = installation.Run({"installfromchb", Tag(Main)});
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_NE(result.out.find("OK (0 Errors, 0 Warnings)"), std::string::npos) << result.out;
    EXPECT_FALSE(IsKnown(Main));
}

TEST_F(WebInstallFromCHBTest, AStoppedServiceIsReported)
{
    service.Stop();
    E2E::RunResult result = installation.Run({"installfromchb", Tag(Main)});
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_NE(result.out.find("Failed to query CHB for " + Tag(Main)), std::string::npos) << result.out;
    EXPECT_FALSE(IsKnown(Main));
}

struct BadDownload {
    const char* name;
    ContentService::Fault fault;
    std::string body;
    const char* expected;
};

TEST_F(WebInstallFromCHBTest, BadDownloadsInstallNothingOfThatAsset)
{
    const BadDownload cases[] = {
        {"http error", ContentService::Fault::NotFound, "", "Failed to resolve download path for"},
        {"server error", ContentService::Fault::ServerError, "", "Failed to resolve download path for"},
        {"truncated body", ContentService::Fault::Truncated, "", "Failed to resolve download path for"},
        {"not an archive", ContentService::Fault::None, "this is not an archive", "- "},
    };
    for (const BadDownload& bad : cases) {
        SCOPED_TRACE(bad.name);
        std::string path = std::string("/dl/bad-") + std::to_string(&bad - cases) + ".cdp";
        service.ServeFile(path, bad.body.empty() ? service.UrlOf("/dl/main.cdp") : bad.body);
        if (bad.body.empty())
            service.ServeFile(path, std::string(4000, 'x'));
        service.SetFault(path, bad.fault);
        AnswerWithBoth(path);
        E2E::RunResult result = installation.Run({"installfromchb", Tag(Main)});
        EXPECT_EQ(result.exitStatus, 0);
        EXPECT_NE(result.out.find(bad.expected), std::string::npos) << result.out;
        EXPECT_FALSE(IsKnown(Main));
    }
}

}  // namespace
