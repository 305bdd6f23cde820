// Where an asset's folders lie in the user-data tree, and the file operations that keep changes atomic.
#include "daemon/asset_folders.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <ctime>

#include "daemon/asset_store.h"
#include "platform/file_io.h"
#include "platform/folders.h"

namespace {

// The reason names the file that failed; errno at the failing call is kept.
bool CopyFileSynced(const std::string& source, const std::string& destination, std::string* error)
{
    auto fail = [&](const std::string& what) {
        int code = errno;
        if (error != nullptr)
            *error = KadSystemError(what, code);
        errno = code;
        return false;
    };
    int in = open(source.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (in < 0)
        return fail("Unable to read " + source);
    int out = open(destination.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (out < 0) {
        bool failed = fail("Unable to write " + destination);
        close(in);
        return failed;
    }
    bool ok = true;
    std::vector<std::uint8_t> buffer(1 << 16);
    for (;;) {
        ssize_t got = Platform::ReadSome(in, buffer.data(), buffer.size());
        if (got < 0) {
            ok = fail("Unable to read " + source);
            break;
        }
        if (got == 0)
            break;
        if (!Platform::WriteAll(out, buffer.data(), static_cast<std::size_t>(got))) {
            ok = fail("Unable to write " + destination);
            break;
        }
    }
    if (ok && fsync(out) != 0)
        ok = fail("Unable to write " + destination);
    close(in);
    if (close(out) != 0 && ok)
        ok = fail("Unable to write " + destination);
    return ok;
}

}  // namespace

std::vector<std::string> KadFolderEntries(const std::string& folder)
{
    std::vector<std::string> names;
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr)
        return names;
    while (dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<KadFolderEntry> KadTypedFolderEntries(const std::string& folder)
{
    std::vector<KadFolderEntry> entries;
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr)
        return entries;
    while (dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        unsigned char type = entry->d_type;
        if (type == DT_UNKNOWN) {
            struct stat info {};
            if (fstatat(dirfd(dir), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0)
                type = S_ISDIR(info.st_mode) ? DT_DIR : S_ISREG(info.st_mode) ? DT_REG : DT_LNK;
        }
        KadFolderEntry::Type kind = type == DT_DIR   ? KadFolderEntry::Type::Folder
                                    : type == DT_REG ? KadFolderEntry::Type::File
                                                     : KadFolderEntry::Type::Other;
        entries.push_back(KadFolderEntry{std::move(name), kind});
    }
    closedir(dir);
    std::sort(entries.begin(), entries.end(),
              [](const KadFolderEntry& a, const KadFolderEntry& b) { return a.name < b.name; });
    return entries;
}

namespace {

void ListBelow(const std::string& folder, const std::string& prefix, std::vector<std::string>& out)
{
    for (const std::string& name : KadFolderEntries(folder)) {
        std::string path = folder + "/" + name;
        struct stat info {};
        if (lstat(path.c_str(), &info) != 0)
            continue;
        if (S_ISDIR(info.st_mode))
            ListBelow(path, prefix + name + "/", out);
        else if (S_ISREG(info.st_mode))
            out.push_back(prefix + name);
    }
}

}  // namespace

std::string KadAssetKey(const KUID& id)
{
    return "kuid_" + std::to_string(id.user) + "_" + std::to_string(id.content) + "_" + std::to_string(id.version);
}

std::string KadRevisionFolder(const std::string& userDataRoot, const KUID& id, std::int32_t revision)
{
    return userDataRoot + "/local/" + KadAssetKey(id) + "/r" + std::to_string(revision);
}

std::string KadEditGenerationFolder(const std::string& userDataRoot, const KUID& id, std::int32_t generation)
{
    return userDataRoot + "/editing/" + KadAssetKey(id) + "/e" + std::to_string(generation);
}

std::string KadCommittedFolder(const std::string& userDataRoot, const KadAssetRecord& record)
{
    if (record.revision <= 0 || !record.Has(AssetInstalled))
        return std::string();
    return KadRevisionFolder(userDataRoot, record.id, record.revision) + "/" + record.leaf;
}

std::string KadEditFolder(const std::string& userDataRoot, const KadAssetRecord& record)
{
    if (record.editGeneration <= 0 || !record.Has(AssetOpenForEdit))
        return std::string();
    return KadEditGenerationFolder(userDataRoot, record.id, record.editGeneration) + "/" + record.leaf;
}

std::string KadStagingFolder(const std::string& userDataRoot, const char* store, const KUID& id, const std::string& tag)
{
    return userDataRoot + "/" + store + "/" + KadAssetKey(id) + "/.staging-" + tag;
}

std::string KadNewOperationTag()
{
    static std::atomic<std::uint32_t> counter{0};
    return std::to_string(static_cast<long long>(std::time(nullptr))) + "-" + std::to_string(getpid()) + "-" +
           std::to_string(counter.fetch_add(1));
}

std::string KadSystemError(const std::string& what, int error)
{
    return what + ": " + std::strerror(error) + ".";
}

bool KadFolderExists(const std::string& path)
{
    struct stat info {};
    return lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool KadFileExists(const std::string& path)
{
    struct stat info {};
    return lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::string KadParentFolder(const std::string& path)
{
    std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos || slash == 0 ? std::string("/") : path.substr(0, slash);
}

bool KadMakeFolders(const std::string& path)
{
    return Platform::MakeFolders(path);
}

bool KadSyncFolder(const std::string& path)
{
    int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    bool ok = fsync(fd) == 0;
    close(fd);
    return ok;
}

bool KadCopyTree(const std::string& source, const std::string& destination, std::string* error)
{
    if (!KadMakeFolders(destination)) {
        if (error != nullptr)
            *error = KadSystemError("Unable to create " + destination, errno);
        return false;
    }
    for (const std::string& name : KadFolderEntries(source)) {
        std::string from = source + "/" + name;
        std::string to = destination + "/" + name;
        struct stat info {};
        if (lstat(from.c_str(), &info) != 0) {
            if (error != nullptr)
                *error = KadSystemError("Unable to read " + from, errno);
            return false;
        }
        if (S_ISDIR(info.st_mode)) {
            if (!KadCopyTree(from, to, error))
                return false;
        } else if (S_ISREG(info.st_mode)) {
            if (!CopyFileSynced(from, to, error))
                return false;
        }
    }
    if (!KadSyncFolder(destination)) {
        if (error != nullptr)
            *error = KadSystemError("Unable to write " + destination, errno);
        return false;
    }
    return true;
}

bool KadWriteFileSynced(const std::string& path, const void* bytes, std::size_t size)
{
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    bool ok = Platform::WriteAll(fd, static_cast<const std::uint8_t*>(bytes), size) && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    return ok;
}

bool KadReadWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes, std::uint64_t limit)
{
    bytes.clear();
    int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || static_cast<std::uint64_t>(info.st_size) > limit) {
        close(fd);
        return false;
    }
    bytes.resize(static_cast<std::size_t>(info.st_size));
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t got = read(fd, bytes.data() + done, bytes.size() - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    close(fd);
    bytes.resize(done);
    return true;
}

void KadListFiles(const std::string& folder, std::vector<std::string>& relativePaths)
{
    ListBelow(folder, std::string(), relativePaths);
}
