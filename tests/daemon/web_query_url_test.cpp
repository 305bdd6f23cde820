// Which addresses a web query may fetch, and how the rewrite table changes them.
#include <gtest/gtest.h>

#include "daemon/web_query_url.h"

namespace {

struct UrlCase {
    const char* requested;
    bool allowed;
    const char* fetched;
};

TEST(WebQueryUrlTest, OnlyHttpAndHttpsAfterTheRewrite)
{
    const std::vector<KADWebRewrite> rewrites = {
        {"https://cargohub.korvel.invalid", "http://127.0.0.1:8080/service/"},
        {"http://mirror.korvel.invalid:81", "https://mirror.example.org"},
        {"https://redirected.korvel.invalid", "file:///etc"},
    };
    const UrlCase cases[] = {
        {"http://127.0.0.1:9/a.cdp", true, "http://127.0.0.1:9/a.cdp"},
        {"HTTPS://example.org/x?y=1", true, "https://example.org/x?y=1"},
        {"https://CargoHub.korvel.invalid/webservice/search?SearchCriteria=1:2", true,
         "http://127.0.0.1:8080/service/webservice/search?SearchCriteria=1:2"},
        {"https://cargohub.korvel.invalid:443/dl/a.cdp", true, "http://127.0.0.1:8080/service/dl/a.cdp"},
        // Another port is another origin: no rewrite.
        {"https://cargohub.korvel.invalid:444/dl/a.cdp", true, "https://cargohub.korvel.invalid:444/dl/a.cdp"},
        {"http://mirror.korvel.invalid:81/a", true, "https://mirror.example.org/a"},
        {"https://redirected.korvel.invalid/a", false, ""},
        {"file:///etc/passwd", false, ""},
        {"ftp://127.0.0.1/a.cdp", false, ""},
        {"gopher://127.0.0.1/", false, ""},
        {"dict://127.0.0.1:11211/stat", false, ""},
        {"127.0.0.1/a.cdp", false, ""},
        {"", false, ""},
        {"http://", false, ""},
    };
    for (const UrlCase& item : cases) {
        SCOPED_TRACE(item.requested);
        std::string url;
        std::string error;
        EXPECT_EQ(KADPrepareWebUrl(item.requested, rewrites, url, error), item.allowed);
        EXPECT_EQ(url, item.fetched);
        EXPECT_EQ(error.empty(), item.allowed);
    }
}

}  // namespace
