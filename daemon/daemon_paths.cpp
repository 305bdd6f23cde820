// Where the daemon's installation, user data and database live.
#include "daemon/daemon_paths.h"

#include "platform/folders.h"
#include "zel/ascii.h"

namespace {

// Separators and ASCII letter case are folded; repeated separators collapse
// and a trailing one is dropped, so "a//b/" names the same folder as "a/b".
std::string ComparablePath(const std::string& path)
{
    std::string out;
    for (char c : path) {
        if (c == '\\')
            c = '/';
        c = Zel::AsciiToLower(c);
        if (c == '/' && !out.empty() && out.back() == '/')
            continue;
        out.push_back(c);
    }
    if (out.size() > 1 && out.back() == '/')
        out.pop_back();
    return out;
}

}  // namespace

bool KADDaemonPaths::FromExecutable(const std::string& executablePath, KADDaemonPaths& paths)
{
    std::string programFolder = Platform::ParentFolder(executablePath);
    std::string root = Platform::ParentFolder(programFolder);
    if (programFolder.empty() || root.empty())
        return false;
    if (root == "/")
        root.clear();
    paths.installRoot = root.empty() ? "/" : root;
    paths.userDataRoot = root + "/UserData";
    paths.databasePath = paths.userDataRoot + "/assets.tdx";
    paths.indexPath = paths.databasePath + "/index.sqlite";
    paths.logPath = paths.databasePath + "/kaddaemon.log";
    return true;
}

bool KADDaemonPaths::CreateFolders() const
{
    return Platform::MakeFolders(databasePath);
}

bool KADIsSameDatabasePath(const std::string& ours, const std::string& theirs)
{
    return ComparablePath(ours) == ComparablePath(theirs);
}
