// Where the daemon's installation, user data and database live.
#include "daemon/daemon_paths.h"

#include <sys/stat.h>

#include <cerrno>

#include "zel/ascii.h"

namespace {

std::string ParentFolder(const std::string& path)
{
    std::string::size_type slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return std::string();
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

bool MakeFolder(const std::string& path)
{
    if (mkdir(path.c_str(), 0755) == 0 || errno == EEXIST) {
        struct stat info;
        return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
    }
    return false;
}

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
    std::string programFolder = ParentFolder(executablePath);
    std::string root = ParentFolder(programFolder);
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
    return MakeFolder(userDataRoot) && MakeFolder(databasePath);
}

bool KADIsSameDatabasePath(const std::string& ours, const std::string& theirs)
{
    return ComparablePath(ours) == ComparablePath(theirs);
}
