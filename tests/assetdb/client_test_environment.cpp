// ClientTestRoot: a mixed-case temporary installation root set up for the whole binary.
#include "assetdb/client_test_environment.h"

#include "foundation/base/install_paths.h"
#include "assetdb/net/net_transport.h"
#include "support/temp_folder.h"
#include "zel/path.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

// Made before the first test; the folder itself goes when the binary ends.
class ClientEnvironment : public ::testing::Environment {
public:
    void SetUp() override { ClientTestRoot(); }
};

const auto* registered = ::testing::AddGlobalTestEnvironment(new ClientEnvironment);

}  // namespace

const std::string& ClientTestRoot()
{
    static std::string root = [] {
        static const KorvelTest::TempFolder base("kadclient");
        std::string installRoot = base / "Korvel Root";
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
