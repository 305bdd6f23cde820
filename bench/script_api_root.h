// The benchmarks' installation root with the script API in place: the include store's sources and the compiled libraries.
#pragma once

#include <filesystem>
#include <string>

#include "foundation/base/install_paths.h"

namespace bench {

// Makes <base>/root with "scripts" (the core and API sources) and
// "libraries" (the build's compiled API), and installs its paths; the root.
inline std::string MakeScriptApiRoot(const std::string& base)
{
    namespace fs = std::filesystem;
    const std::string root = base + "/root";
    fs::create_directories(root + "/bin");
    fs::copy(KORVEL_SCRIPT_SOURCES_DIR, root + "/scripts", fs::copy_options::recursive);
    fs::copy(KORVEL_SCRIPT_API_SOURCES_DIR, root + "/scripts", fs::copy_options::recursive);
    fs::copy(KORVEL_SCRIPT_LIBRARIES_DIR, root + "/libraries", fs::copy_options::recursive);
    InitInstallPaths(Zel::File::Path(root.c_str()));
    CreateUserFolders();
    return root;
}

}  // namespace bench
