// ClientTestRoot: a mixed-case temporary installation root set up for the whole binary.
#include "assetdb/client_test_environment.h"

#include "foundation/base/install_paths.h"
#include "assetdb/net/net_transport.h"
#include "zel/path.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

class ClientEnvironment : public ::testing::Environment {
public:
    void SetUp() override { ClientTestRoot(); }
    void TearDown() override
    {
        std::error_code ignored;
        std::filesystem::remove_all(std::filesystem::path(ClientTestRoot()).parent_path(), ignored);
    }
};

const auto* registered = ::testing::AddGlobalTestEnvironment(new ClientEnvironment);

}  // namespace

const std::string& ClientTestRoot()
{
    static std::string root = [] {
        char pattern[] = "/tmp/kadclient-XXXXXX";
        std::string base = mkdtemp(pattern);
        std::string installRoot = base + "/Korvel Root";
        std::filesystem::create_directories(installRoot + "/bin");
        InitInstallPaths(Zel::File::Path(installRoot.c_str()));
        CreateUserFolders();
        std::filesystem::create_directories(installRoot + "/UserData/assets.tdx");
        NetTransport::Startup();
        return installRoot;
    }();
    return root;
}

std::string ClientTestDatabasePath()
{
    ClientTestRoot();
    return GetAssetDatabasePath().c_str();
}
