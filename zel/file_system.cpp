// Zel::File static operations: existence, folders, rename, unlink, prune, working folder.
#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/folders.h"
#include "zel/file.h"
#include "zel/file_resolution.h"

namespace Zel {
namespace {

int LastError()
{
    return errno ? errno : EIO;
}

// Removes everything inside the open folder, never following links.
int EmptyFolder(int folderFd)
{
    DIR* dir = fdopendir(folderFd);
    if (!dir) {
        close(folderFd);
        return LastError();
    }
    int result = 0;
    while (struct dirent* entry = readdir(dir)) {
        const char* name = entry->d_name;
        if ((name[0] == '.' && name[1] == '\0') || (name[0] == '.' && name[1] == '.' && name[2] == '\0'))
            continue;
        struct stat info;
        if (fstatat(dirfd(dir), name, &info, AT_SYMLINK_NOFOLLOW) != 0) {
            result = LastError();
            continue;
        }
        if (S_ISDIR(info.st_mode)) {
            int child = openat(dirfd(dir), name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (child < 0) {
                result = LastError();
                continue;
            }
            int inner = EmptyFolder(child);
            if (inner != 0)
                result = inner;
            if (unlinkat(dirfd(dir), name, AT_REMOVEDIR) != 0)
                result = LastError();
            continue;
        }
        if (unlinkat(dirfd(dir), name, 0) != 0)
            result = LastError();
    }
    closedir(dir);
    return result;
}

}  // namespace

int File::Exists(const char* path)
{
    return Exists(nullptr, path);
}

int File::Exists(const char* container, const char* path)
{
    std::string resolved;
    return FileResolution::ResolveFull(container, path, resolved, false) ? 0 : ENOENT;
}

bool File::IsDirectory(const char* path)
{
    return IsDirectory(nullptr, path);
}

bool File::IsDirectory(const char* container, const char* path)
{
    std::string resolved;
    FileResolution::EntryKind kind = FileResolution::EntryKind::Unknown;
    if (!FileResolution::ResolveFull(container, path, resolved, false, &kind))
        return false;
    if (kind != FileResolution::EntryKind::Unknown)
        return kind == FileResolution::EntryKind::Folder;
    struct stat info;
    return stat(resolved.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool File::IsFile(const char* path)
{
    std::string resolved;
    FileResolution::EntryKind kind = FileResolution::EntryKind::Unknown;
    if (!FileResolution::ResolveFull(nullptr, path, resolved, false, &kind))
        return false;
    if (kind != FileResolution::EntryKind::Unknown)
        return kind != FileResolution::EntryKind::Folder;
    struct stat info;
    return !(stat(resolved.c_str(), &info) == 0 && S_ISDIR(info.st_mode));
}

int File::Md(const char* path)
{
    return Md(nullptr, path);
}

int File::Md(const char* container, const char* path)
{
    std::string resolved;
    if (!FileResolution::ResolveFull(container, path, resolved, true))
        return ENOENT;
    struct stat existing;
    if (stat(resolved.c_str(), &existing) == 0 && S_ISDIR(existing.st_mode))
        return 0;  // the usual case: nothing to make, no component to look at
    // Existing components were matched in any case, so only the missing tail
    // is made, with the case given: no lower-cased twins of existing folders.
    std::string built = (!resolved.empty() && resolved[0] == '/') ? "/" : "";
    size_t begin = 0;
    while (begin < resolved.size()) {
        size_t end = resolved.find('/', begin);
        if (end == std::string::npos)
            end = resolved.size();
        if (end > begin) {
            built = FileResolution::JoinPath(built, std::string_view(resolved).substr(begin, end - begin));
            struct stat info;
            if (stat(built.c_str(), &info) == 0) {
                if (!S_ISDIR(info.st_mode))
                    return EEXIST;  // a file where a folder is wanted
            } else if (mkdir(built.c_str(), 0777) == 0) {
                FileResolution::InvalidateFolder(FileResolution::ParentOf(built));
            } else if (errno != EEXIST) {
                return LastError();
            }
        }
        begin = end + 1;
    }
    return 0;
}

int File::Rename(const char* from, const char* to)
{
    return Rename(nullptr, from, to);
}

int File::Rename(const char* container, const char* from, const char* to)
{
    std::string source, target;
    if (!FileResolution::ResolveFull(container, from, source, false))
        return ENOENT;
    if (!FileResolution::ResolveFull(container, to, target, true))
        return ENOENT;
    struct stat sourceInfo, targetInfo;
    if (lstat(target.c_str(), &targetInfo) == 0) {
        bool sameEntry = lstat(source.c_str(), &sourceInfo) == 0 && sourceInfo.st_ino == targetInfo.st_ino &&
                         sourceInfo.st_dev == targetInfo.st_dev;
        if (!sameEntry)
            return EEXIST;
        // A change of letter case only: rename to the spelling given.
        std::string given = FileResolution::LastComponentOf(FileResolution::ToNative(to));
        target = FileResolution::JoinPath(FileResolution::ParentOf(target), given);
        if (target == source)
            return 0;
    }
    // Windows moves never replace: refuse an existing target atomically.
    int rc = renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE);
    if (rc != 0 && (errno == EINVAL || errno == ENOSYS)) {
        rc = lstat(target.c_str(), &targetInfo) == 0 ? (errno = EEXIST, -1) : rename(source.c_str(), target.c_str());
    }
    if (rc != 0)
        return LastError();
    FileResolution::InvalidateFolder(FileResolution::ParentOf(source));
    FileResolution::InvalidateFolder(FileResolution::ParentOf(target));
    return 0;
}

int File::Unlink(const char* path)
{
    return Unlink(nullptr, path);
}

int File::Unlink(const char* container, const char* path)
{
    std::string resolved;
    if (!FileResolution::ResolveFull(container, path, resolved, false))
        return ENOENT;
    if (unlink(resolved.c_str()) != 0)
        return LastError();
    FileResolution::InvalidateFolder(FileResolution::ParentOf(resolved));
    return 0;
}

int File::Prune(const char* path)
{
    return Prune(nullptr, path);
}

int File::Prune(const char* container, const char* path)
{
    std::string resolved;
    if (!FileResolution::ResolveFull(container, path, resolved, false))
        return ENOENT;
    // O_NOFOLLOW: a link to a folder is not a folder to prune.
    int fd = open(resolved.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return errno == ELOOP ? ENOTDIR : LastError();
    int result = EmptyFolder(fd);
    if (rmdir(resolved.c_str()) != 0 && result == 0)
        result = LastError();
    FileResolution::InvalidateAll();
    return result;
}

bool File::GetCwd(Path& out)
{
    std::string folder;
    if (!Platform::GetCurrentFolder(folder))
        return false;
    out = folder.c_str();
    return true;
}

bool File::Resolve(const char* container, const char* path, std::string& out, bool forCreate)
{
    return FileResolution::ResolveFull(container, path, out, forCreate);
}

void File::FlushListingCache()
{
    FileResolution::InvalidateAll();
}

void File::AnchorFolder(const char* path, const char* onDisk)
{
    if (path)
        FileResolution::AnchorFolder(FileResolution::ToNative(path), FileResolution::ToNative(onDisk ? onDisk : ""));
}

}  // namespace Zel
