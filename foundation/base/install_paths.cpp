// The installation root and the user-data root: fixed at start-up, read everywhere.
#include "foundation/base/install_paths.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <string>
#include <strings.h>
#include <vector>

#include "foundation/base/logging.h"
#include "platform/folders.h"
#include "zel/file_find.h"

namespace {

// Written once at start-up on the main thread, read by every thread after.
Zel::File::Path installRoot;
Zel::File::Path userDataRoot;
// The root as given, spelt as on disk: a folder found under it as spelt
// needs neither a look-up nor an Md.
Zel::File::Path installRootAsGiven;

const char* const userDataFolderNames[] = {"local", "original", "trash", "editing", "cache", "settings"};

const char* const legacyFolderNames[] = {"original", "local",    "editing",     "cache",
                                         "trash",    "settings", "screenshots", "assets.tdx"};

// Created in this order: parents first, then the folders of the cache.
const char* const userFolderTree[] = {"cache",       "trash", "cache/bookmarks", "cache/libraries", "cache/sessions",
                                      "cache/water", "local", "original",        "editing",         "settings"};

Zel::File::Path Join(const Zel::File::Path& base, const char* name)
{
    if (base.IsEmpty())
        return {};
    Zel::File::Path path = base;
    path.AddPath(name);
    return path;
}

// Normalised, native separators, no trailing separator; case kept.
Zel::File::Path Tidied(const Zel::File::Path& path)
{
    Zel::File::Path result = path;
    result.Normalize();
    result.ReplaceForwardSlashes();
    result.DelSlash();
    return result;
}

// The comparable form of a path: tidied and lower-cased.
Zel::File::Path Canonical(const Zel::File::Path& path)
{
    Zel::File::Path result = Tidied(path);
    result.ToLower();
    return result;
}

bool IsUserDataFolderName(const char* name)
{
    for (const char* candidate : userDataFolderNames)
        if (std::strcmp(candidate, name) == 0)
            return true;
    return false;
}

}  // namespace

bool GetModuleFolder(Zel::File::Path& out)
{
    std::string path;
    if (!Platform::GetExecutablePath(path) || path.empty())
        return false;
    out = Zel::File::Path(path);
    return true;
}

bool InitInstallPaths(const Zel::File::Path& root)
{
    if (root.IsEmpty())
        FatalError("Unable to determine application installation path.");
    installRoot = Canonical(root);
    // Every path below the root is asked for lower-cased: the root as given
    // (the program's own folder's parent, spelt as on disk) answers for it,
    // instead of a match on every look-up.
    installRootAsGiven = Tidied(root);
    Zel::File::AnchorFolder(installRoot.c_str(), installRootAsGiven.c_str());
    userDataRoot = Join(installRoot, "UserData");
    Zel::File::Md(userDataRoot.c_str());
    if (CheckWriteAccess()) {
        MoveLegacyUserFolders();
        return true;
    }
    installRoot.Clear();
    userDataRoot.Clear();
    installRootAsGiven.Clear();
    FatalError("Unable to acquire write access to UserData folder.");
}

// One listing of the root says which old folders are there at all, so a
// root without them costs no look-up per name. Unlisted, every name is tried.
void MoveLegacyUserFolders()
{
    std::vector<std::string> present;
    Zel::File::Find listing;
    bool listed = listing.Open(Join(installRoot, "*").c_str());
    while (listed && listing.Next())
        present.push_back(listing.Name());
    for (const char* name : legacyFolderNames) {
        bool there = !listed || std::any_of(present.begin(), present.end(), [name](const std::string& entry) {
                         return strcasecmp(entry.c_str(), name) == 0;
                     });
        if (there)
            Zel::File::Rename(Join(installRoot, name).c_str(), Join(userDataRoot, name).c_str());
    }
}

void CreateUserFolders()
{
    if (installRoot.IsEmpty())
        return;
    // Unless a lower-cased twin of the root stands beside it: that one is
    // where the look-ups lead.
    bool asGivenIsMeant = installRoot == installRootAsGiven || !Platform::FolderExists(installRoot.Str());
    Zel::File::Path userDataAsGiven = Join(installRootAsGiven, "UserData");
    for (const char* name : userFolderTree) {
        if (!asGivenIsMeant || !Platform::FolderExists(Join(userDataAsGiven, name).Str()))
            Zel::File::Md(Join(userDataRoot, name).c_str());
    }
    // The targets are folders: the engine's flag says folder, not archive.
    Zel::File::Subst("scripts", Join(installRoot, "scripts/").c_str(), true);
    Zel::File::Subst("libraries", Join(installRoot, "libraries/").c_str(), true);
}

void ResetResourceDatabases()
{
    Zel::File::Subst("scripts", nullptr);
    Zel::File::Subst("libraries", nullptr);
}

void ShutdownInstallPaths() {}

Zel::File::Path GetInstallRoot()
{
    return installRoot;
}

Zel::File::Path GetUserDataRoot()
{
    return userDataRoot;
}

Zel::File::Path GetBuiltinFolder()
{
    return Join(installRoot, "builtin");
}

Zel::File::Path GetPluginsFolder()
{
    return Join(installRoot, "bin/plugins");
}

Zel::File::Path GetDaemonExecutablePath()
{
    if (installRoot.IsEmpty())
        return installRoot;
    return Join(Join(installRoot, "bin"), "kaddaemon.exe");
}

Zel::File::Path GetAssetDatabasePath()
{
    return Join(userDataRoot, "assets.tdx");
}

Zel::File::Path GetCacheFolder()
{
    return Join(userDataRoot, "cache");
}

Zel::File::Path GetRootFolderPath(const char* folderName)
{
    if (installRoot.IsEmpty() || folderName == nullptr)
        return {};
    return Join(IsUserDataFolderName(folderName) ? userDataRoot : installRoot, folderName);
}

bool IsInUserDataFolder(const Zel::File::Path& path)
{
    if (userDataRoot.IsEmpty() || path.IsEmpty())
        return false;
    Zel::File::Path candidate = Canonical(path);
    Zel::File::Path root = Canonical(userDataRoot);
    if (candidate == root)
        return true;
    const std::string& text = candidate.Str();
    const std::string& rootText = root.Str();
    return text.size() > rootText.size() && text.compare(0, rootText.size(), rootText) == 0 &&
           text[rootText.size()] == '/';
}

bool MakeRelativePath(const Zel::File::Path& base, const Zel::File::Path& path, Zel::File::Path& out)
{
    out.Clear();
    if (base.IsEmpty() || path.IsEmpty())
        return false;
    Zel::File::Path canonicalBase = Canonical(base);
    Zel::File::Path canonicalPath = Canonical(path);
    const std::string& baseText = canonicalBase.Str();
    const std::string& pathText = canonicalPath.Str();
    if (pathText.compare(0, baseText.size(), baseText) != 0)
        return false;
    if (baseText.size() >= pathText.size())
        return true;
    // A sibling that only shares a name prefix ("game" and "gamedata") is not below.
    if (pathText[baseText.size()] != '/' && baseText.back() != '/')
        return false;
    Zel::File::Path rest = canonicalPath;
    if (!rest.MakeRelativeTo(canonicalBase))
        return false;
    out = rest;
    return true;
}
