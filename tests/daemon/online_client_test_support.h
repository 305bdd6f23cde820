// A real daemon in a temporary installation with the content-service stand-in behind its web queries, and the utility's client connected to it.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "assetdb/kad_client.h"
#include "assetdb/net/net_transport.h"
#include "daemon_test_support.h"
#include "e2e/content_service/content_service.h"
#include "foundation/base/install_paths.h"
#include "zel/path.h"

class ConnectedClientTest : public ::testing::Test {
protected:
    // Web addresses on "https://www.korvel.invalid" reach the stand-in.
    static constexpr const char* RewrittenServer = "https://www.korvel.invalid";

    void SetUp() override
    {
        NetTransport::Startup();
        ASSERT_TRUE(service.Start());
        std::filesystem::create_directories(installation.DatabasePath());
        std::ofstream(installation.DatabasePath() + "/kaddaemon.cfg")
            << "web-rewrite\n{\n  0\n  {\n    from \"" << RewrittenServer << "\"\n    to \"" << service.BaseUrl()
            << "\"\n  }\n}\n";
        pid_t pid = installation.StartDaemon();
        ASSERT_NE(installation.WaitForPort(pid), 0);
        ASSERT_TRUE(InitInstallPaths(Zel::File::Path(installation.Root().c_str())));
        KADClientOptions options;
        options.mayStartDaemon = 0;
        ASSERT_TRUE(KADClient::Start(options));
    }
    void TearDown() override { KADClient::Shutdown(); }

    ContentService::StandIn service;
    KADTestInstallation installation;
};
