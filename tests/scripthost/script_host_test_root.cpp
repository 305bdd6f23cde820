// The script-host tests' installation: a temporary root with the script API installed, set up once per binary.
#include "script_host_test_root.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "foundation/base/install_paths.h"
#include "support/temp_folder.h"
#include "zel/path.h"

namespace {

namespace fs = std::filesystem;

// Made before the first test; the folder itself goes when the binary ends.
class ScriptHostEnvironment : public ::testing::Environment {
public:
    void SetUp() override { ScriptHostTestRoot(); }
};

const auto* registered = ::testing::AddGlobalTestEnvironment(new ScriptHostEnvironment);

}  // namespace

const std::string& ScriptHostTestRoot()
{
    static std::string root = [] {
        static const KorvelTest::TempFolder base("scripthost");
        // Mixed case: the roots are kept lower-cased, the folders on disk are not.
        std::string installRoot = base / "Korvel Root";
        fs::create_directories(installRoot + "/bin");
        fs::copy(KORVEL_SCRIPT_SOURCES_DIR, installRoot + "/scripts", fs::copy_options::recursive);
        fs::copy(KORVEL_SCRIPT_API_SOURCES_DIR, installRoot + "/scripts", fs::copy_options::recursive);
        fs::copy(KORVEL_SCRIPT_LIBRARIES_DIR, installRoot + "/libraries", fs::copy_options::recursive);
        InitInstallPaths(Zel::File::Path(installRoot.c_str()));
        CreateUserFolders();
        return installRoot;
    }();
    return root;
}

bool InstallTestPlugins()
{
    static const bool installed = [] {
        const std::string folder = ScriptHostTestRoot() + "/bin/plugins";
        std::error_code error;
        fs::create_directories(folder, error);
        for (const char* name : {"kni_test_plugin", "kni_test_plugin_no_entry", "kni_test_plugin_null_entry"}) {
            if (!fs::copy_file(std::string(KORVEL_TEST_PLUGINS_DIR) + "/" + name + ".so", folder + "/" + name + ".so",
                               error))
                return false;
        }
        return true;
    }();
    return installed;
}
