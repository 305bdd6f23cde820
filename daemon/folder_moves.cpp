// Moving the store's folders: renames that may cross file systems, the trash, and removing trees that hold nothing.
#include "daemon/folder_moves.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>
#include <vector>

#include "daemon/asset_folders.h"
#include "daemon/store_test_points.h"

namespace {

// Deeper than any asset; a deeper tree is left for a person to look at.
constexpr int MaxDepth = 128;

std::vector<std::string> NamesIn(DIR* dir)
{
    std::vector<std::string> names;
    while (dirent* entry = readdir(dir)) {
        std::string_view name = entry->d_name;
        if (name != "." && name != "..")
            names.emplace_back(name);
    }
    return names;
}

// With foldersOnly, nothing but folders is removed (rmdir): a tree that
// holds anything else keeps it, and whatever folders lead to it.
bool RemoveAt(int parent, const char* name, int depth, bool foldersOnly)
{
    if (!foldersOnly) {
        // A link or a file goes as it is; only a real folder is descended into.
        if (unlinkat(parent, name, 0) == 0 || errno == ENOENT)
            return true;
        if (errno != EISDIR && errno != EPERM)
            return false;
    }
    if (depth >= MaxDepth)
        return false;
    DIR* dir = KADOpenFolderAt(parent, name);
    if (dir == nullptr)
        return false;
    bool ok = true;
    for (const std::string& entryName : NamesIn(dir))
        ok = RemoveAt(dirfd(dir), entryName.c_str(), depth + 1, foldersOnly) && ok;
    closedir(dir);
    return ok && unlinkat(parent, name, AT_REMOVEDIR) == 0;
}

bool HoldsNoFilesAt(int parent, const char* name, int depth)
{
    if (depth >= MaxDepth)
        return false;
    DIR* dir = KADOpenFolderAt(parent, name);
    if (dir == nullptr)
        return false;
    bool empty = true;
    for (const std::string& entryName : NamesIn(dir)) {
        struct stat info {};
        if (fstatat(dirfd(dir), entryName.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISDIR(info.st_mode) ||
            !HoldsNoFilesAt(dirfd(dir), entryName.c_str(), depth + 1)) {
            empty = false;
            break;
        }
    }
    closedir(dir);
    return empty;
}

std::string BaseName(const std::string& path)
{
    std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A name in the trash that nothing holds yet.
std::string FreeTrashName(const std::string& trash, const KUID& id)
{
    std::string base = trash + "/" + KADAssetKey(id) + "-" + KADNewOperationTag();
    std::string target = base;
    struct stat info {};
    for (int n = 1; lstat(target.c_str(), &info) == 0; ++n)
        target = base + "-" + std::to_string(n);
    return target;
}

// The folder lies on another file system than the trash: a whole, flushed
// copy goes in first, under a hidden name that becomes the entry's name
// only once it is complete; then the folder leaves its place.
bool CopyIntoTrash(const std::string& path, const std::string& trash, const std::string& target, std::string* error)
{
    std::string partial = trash + "/.partial-" + BaseName(target);
    std::string reason;
    if (!KADCopyTree(path, partial, &reason)) {
        KADRemoveTree(partial);
        if (error != nullptr)
            *error = reason;
        return false;
    }
    if (!KADRenameFolder(partial, target, reason)) {
        KADRemoveTree(partial);
        if (error != nullptr)
            *error = reason;
        return false;
    }
    KADAssetCrashPoint("trash", "copied");
    if (!KADRemoveTree(path)) {
        if (error != nullptr)
            *error = KADSystemError("Unable to remove " + path + " after copying it to the trash", errno);
        return false;
    }
    KADSyncFolder(KADParentFolder(path));
    return true;
}

}  // namespace

DIR* KADOpenFolderAt(int parentFolder, const char* name)
{
    int fd = openat(parentFolder, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    DIR* dir = fdopendir(fd);
    if (dir == nullptr)
        close(fd);
    return dir;
}

bool KADRenameFolder(const std::string& from, const std::string& to, std::string& error, KADFlush flush)
{
    if (rename(from.c_str(), to.c_str()) != 0) {
        int code = errno;
        error = KADSystemError("Unable to move " + from + " to " + to, code);
        errno = code;
        return false;
    }
    if (flush == KADFlush::Later)
        return true;
    KADSyncFolder(KADParentFolder(from));
    // A rename inside one folder: that folder once.
    if (KADParentFolder(to) != KADParentFolder(from))
        KADSyncFolder(KADParentFolder(to));
    return true;
}

bool KADMoveToTrash(const std::string& userDataRoot, const KUID& id, const std::string& path, std::string* error)
{
    struct stat info {};
    if (path.empty() || lstat(path.c_str(), &info) != 0)
        return true;
    std::string trash = userDataRoot + "/trash";
    if (!KADMakeFolders(trash)) {
        if (error != nullptr)
            *error = KADSystemError("Unable to create " + trash, errno);
        return false;
    }
    std::string target = FreeTrashName(trash, id);
    std::string reason;
    if (KADRenameFolder(path, target, reason))
        return true;
    if (errno == EXDEV)
        return CopyIntoTrash(path, trash, target, error);
    if (error != nullptr)
        *error = reason;
    return false;
}

bool KADRemoveTreeAt(int parentFolder, const char* name)
{
    return RemoveAt(parentFolder, name, 0, false);
}

bool KADRemoveTree(const std::string& path)
{
    return RemoveAt(AT_FDCWD, path.c_str(), 0, false);
}

bool KADTreeHoldsNoFiles(const std::string& folder)
{
    return HoldsNoFilesAt(AT_FDCWD, folder.c_str(), 0);
}

bool KADRemoveEmptyTree(const std::string& folder)
{
    // Checked first: removing folders only would still take the empty
    // sub-folders of a tree that holds a file.
    return KADTreeHoldsNoFiles(folder) && RemoveAt(AT_FDCWD, folder.c_str(), 0, true);
}

void KADRemoveEmptyAssetFolders(const std::string& userDataRoot, const KUID& id)
{
    for (const char* store : {"/local/", "/editing/"}) {
        std::string folder = userDataRoot + store + KADAssetKey(id);
        if (rmdir(folder.c_str()) == 0)
            KADSyncFolder(KADParentFolder(folder));
    }
}
