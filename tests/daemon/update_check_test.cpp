// CheckForUpdate through the real daemon against the content-service stand-in.
#include <gtest/gtest.h>

#include <vector>

#include "assetdb/kad_task.h"
#include "assetdb/update_check.h"
#include "online_client_test_support.h"

namespace {

class ProgressRecorder : public KADTask {
public:
    void SetProgress(float progress) override { reports.push_back(progress); }
    std::vector<float> reports;
};

class UpdateCheckTest : public ConnectedClientTest {};

TEST_F(UpdateCheckTest, ReportsCompletionOnlyWhenThePageWasFetched)
{
    service.ServeFile(UpdatePagePath, "<html>update</html>");
    service.ServeFile("/broken/games/gamefiles/korvel/update.htm", "x");
    service.SetFault("/broken/games/gamefiles/korvel/update.htm", ContentService::Fault::ServerError);
    struct Case {
        const char* name;
        std::string server;
        std::vector<float> reports;
    } cases[] = {
        {"page served", RewrittenServer, {1.0f}},
        {"page missing", std::string(RewrittenServer) + "/missing", {}},
        {"server error", std::string(RewrittenServer) + "/broken", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ProgressRecorder sink;
        CheckForUpdate(sink, c.server);
        EXPECT_EQ(sink.reports, c.reports);
    }
    EXPECT_EQ(service.Hits(UpdatePagePath), 1);
}

TEST_F(UpdateCheckTest, ADaemonThatIsGoneEndsTheWaitWithoutAReport)
{
    // The client cannot reach the daemon any more: the query never started
    // and would never report complete.
    KADClient::Shutdown();
    ProgressRecorder sink;
    CheckForUpdate(sink, RewrittenServer, [](int) {});
    EXPECT_TRUE(sink.reports.empty());
}

}  // namespace
