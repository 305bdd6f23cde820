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
bool CopyFile(const std::string& source, const std::string& destination, bool flush, std::string* error)
{
    auto fail = [&](const std::string& what) {
        int code = errno;
        if (error != nullptr)
            *error = KADSystemError(what, code);
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
    if (ok && flush && fsync(out) != 0)
        ok = fail("Unable to write " + destination);
    close(in);
    if (close(out) != 0 && ok)
        ok = fail("Unable to write " + destination);
    return ok;
}

}  // namespace

std::vector<std::string> KADFolderEntries(const std::string& folder)
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

std::vector<KADFolderEntry> KADTypedFolderEntries(const std::string& folder)
{
    std::vector<KADFolderEntry> entries;
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
        KADFolderEntry::Type kind = type == DT_DIR   ? KADFolderEntry::Type::Folder
                                    : type == DT_REG ? KADFolderEntry::Type::File
                                                     : KADFolderEntry::Type::Other;
        entries.push_back(KADFolderEntry{std::move(name), kind});
    }
    closedir(dir);
    std::sort(entries.begin(), entries.end(),
              [](const KADFolderEntry& a, const KADFolderEntry& b) { return a.name < b.name; });
    return entries;
}

namespace {

void ListBelow(const std::string& folder, const std::string& prefix, std::vector<std::string>& out)
{
    for (const std::string& name : KADFolderEntries(folder)) {
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

std::string KADAssetKey(const KUID& id)
{
    return "kuid_" + std::to_string(id.user) + "_" + std::to_string(id.content) + "_" + std::to_string(id.version);
}

std::string KADRevisionFolder(const std::string& userDataRoot, const KUID& id, std::int32_t revision)
{
    return userDataRoot + "/local/" + KADAssetKey(id) + "/r" + std::to_string(revision);
}

std::string KADEditGenerationFolder(const std::string& userDataRoot, const KUID& id, std::int32_t generation)
{
    return userDataRoot + "/editing/" + KADAssetKey(id) + "/e" + std::to_string(generation);
}

std::string KADCommittedFolder(const std::string& userDataRoot, const KADAssetRecord& record)
{
    if (record.revision <= 0 || !record.Has(AssetInstalled))
        return std::string();
    return KADRevisionFolder(userDataRoot, record.id, record.revision) + "/" + record.leaf;
}

std::string KADEditFolder(const std::string& userDataRoot, const KADAssetRecord& record)
{
    if (record.editGeneration <= 0 || !record.Has(AssetOpenForEdit))
        return std::string();
    return KADEditGenerationFolder(userDataRoot, record.id, record.editGeneration) + "/" + record.leaf;
}

std::string KADStagingFolder(const std::string& userDataRoot, const char* store, const KUID& id, const std::string& tag)
{
    return userDataRoot + "/" + store + "/" + KADAssetKey(id) + "/.staging-" + tag;
}

std::string KADNewOperationTag()
{
    static std::atomic<std::uint32_t> counter{0};
    return std::to_string(static_cast<long long>(std::time(nullptr))) + "-" + std::to_string(getpid()) + "-" +
           std::to_string(counter.fetch_add(1));
}

std::string KADSystemError(const std::string& what, int error)
{
    return what + ": " + std::strerror(error) + ".";
}

bool KADFolderExists(const std::string& path)
{
    struct stat info {};
    return lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool KADFileExists(const std::string& path)
{
    struct stat info {};
    return lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::string KADParentFolder(const std::string& path)
{
    std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos || slash == 0 ? std::string("/") : path.substr(0, slash);
}

bool KADMakeFolders(const std::string& path)
{
    return Platform::MakeFolders(path);
}

bool KADSyncFolder(const std::string& path)
{
    int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    bool ok = fsync(fd) == 0;
    close(fd);
    return ok;
}

bool KADCopyTree(const std::string& source, const std::string& destination, std::string* error, KADFlush flush)
{
    if (!KADMakeFolders(destination)) {
        if (error != nullptr)
            *error = KADSystemError("Unable to create " + destination, errno);
        return false;
    }
    for (const std::string& name : KADFolderEntries(source)) {
        std::string from = source + "/" + name;
        std::string to = destination + "/" + name;
        struct stat info {};
        if (lstat(from.c_str(), &info) != 0) {
            if (error != nullptr)
                *error = KADSystemError("Unable to read " + from, errno);
            return false;
        }
        if (S_ISDIR(info.st_mode)) {
            if (!KADCopyTree(from, to, error, flush))
                return false;
        } else if (S_ISREG(info.st_mode)) {
            if (!CopyFile(from, to, flush == KADFlush::EachFile, error))
                return false;
        }
    }
    if (flush == KADFlush::EachFile && !KADSyncFolder(destination)) {
        if (error != nullptr)
            *error = KADSystemError("Unable to write " + destination, errno);
        return false;
    }
    return true;
}

bool KADSyncFileSystem(const std::string& path)
{
    int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    bool ok = syncfs(fd) == 0;
    close(fd);
    return ok;
}

bool KADWriteFileSynced(const std::string& path, const void* bytes, std::size_t size, KADFlush flush)
{
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    bool ok = Platform::WriteAll(fd, static_cast<const std::uint8_t*>(bytes), size) &&
              (flush == KADFlush::Later || fsync(fd) == 0);
    ok = close(fd) == 0 && ok;
    return ok;
}

bool KADReadWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes, std::uint64_t limit)
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
    std::size_t done = Platform::ReadUpTo(fd, bytes.data(), bytes.size());
    close(fd);
    bytes.resize(done);
    return true;
}

void KADListFiles(const std::string& folder, std::vector<std::string>& relativePaths)
{
    ListBelow(folder, std::string(), relativePaths);
}
