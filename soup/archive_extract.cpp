// Extracting archive files: the walk over the files tree and the staged, link-refusing write of each file.
#include "soup/archive_extract.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <string>
#include <vector>

#include "app/base/file_utilities.h"
#include "soup/archive_names.h"
#include "soup/lzss_compress.h"
#include "zel/file.h"

namespace {

const char* const kWriteFailed = "Unable to write content files to disk";
const char* const kDecompressFailed = "Failed to decompress data. Content package may be damaged";
const char* const kUnknownCompression = "Unknown compression type encountered. Content package may be damaged";
const char* const kUnknownDataType = "Unknown data type encountered. Content package may be damaged";

// Compressed payloads begin with a 4-byte prefix that readers skip.
constexpr int32_t kPayloadPrefix = 4;

// A descriptor closed when it goes out of scope.
class Descriptor {
public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    ~Descriptor()
    {
        if (fd_ >= 0)
            close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Get() const { return fd_; }
    // Hands the descriptor over; this object no longer closes it.
    int Release()
    {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }
    void Reset(int fd)
    {
        if (fd_ >= 0)
            close(fd_);
        fd_ = fd;
    }

private:
    int fd_;
};

// The decompressor's sink over a descriptor we opened ourselves.
class DescriptorIOSlave : public Zel::IOSlave {
public:
    explicit DescriptorIOSlave(int fd) : fd_(fd) {}
    size_t Read(void*, size_t) override { return 0; }
    size_t Write(const void* data, size_t count) override
    {
        const char* bytes = static_cast<const char*>(data);
        size_t done = 0;
        while (done < count) {
            const ssize_t put = write(fd_, bytes + done, count - done);
            if (put < 0 && errno == EINTR)
                continue;
            if (put <= 0)
                break;
            done += size_t(put);
        }
        position_ += int64_t(done);
        return done;
    }
    int64_t Tell() const override { return position_; }
    bool Seek(int64_t) override { return false; }

private:
    int fd_;
    int64_t position_ = 0;
};

// The file-system path of (folder name, path): through the engine's
// substitution when the name is registered there, else below the folder's
// root, else the path itself; letter case resolved against what exists.
bool ResolveContentPath(const Zel::PString& folderName, const char* path, std::string& out)
{
    if (path == nullptr || path[0] == '\0')
        return false;
    if (folderName.IsEmpty())
        return Zel::File::Resolve(nullptr, path, out, true);
    std::string target;
    if (Zel::File::GetSubst(folderName.c_str(), target))
        return Zel::File::Resolve(folderName.c_str(), path, out, true);
    Zel::File::Path full;
    return BuildFolderPath(folderName, path, full) && Zel::File::Resolve(nullptr, full.c_str(), out, true);
}

std::vector<std::string> SplitComponents(const std::string& relative)
{
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= relative.size()) {
        const size_t end = relative.find('/', start);
        const size_t stop = end == std::string::npos ? relative.size() : end;
        if (stop > start)
            parts.push_back(relative.substr(start, stop - start));
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return parts;
}

// Opens the folder `top` (the caller's own, followed as given), then each
// component below it without following symbolic links, creating missing
// folders when asked. -1 when any step fails.
int OpenFolderBelow(const std::string& top, const std::vector<std::string>& components, size_t count, bool create)
{
    Descriptor folder(open(top.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.Get() < 0)
        return -1;
    for (size_t i = 0; i < count; ++i) {
        const char* name = components[i].c_str();
        if (create && mkdirat(folder.Get(), name, 0777) == 0)
            Zel::File::FlushListingCache();
        const int next = openat(folder.Get(), name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (next < 0)
            return -1;
        folder.Reset(next);
    }
    return folder.Release();
}

// A name in the same folder that no content name can take (content names
// never begin with '.'), unique within the process.
std::string StagingNameFor(const std::string& name)
{
    static std::atomic<uint32_t> counter{0};
    return ".~" + std::to_string(getpid()) + "-" + std::to_string(counter.fetch_add(1)) + "-" + name + ".part";
}

// Fills the staged file; an error text, empty on success.
const char* FillContentFile(int fd, const RawDataRef& block, const Zel::PString& compression)
{
    const uint8_t* bytes = BlockData(block);
    const int32_t size = BlockSize(block);
    DescriptorIOSlave sink(fd);
    if (compression.IsEmpty()) {
        if (size > 0 && sink.Write(bytes, size_t(size)) != size_t(size))
            return kWriteFailed;
        return nullptr;
    }
    if (compression != ArchiveNames().lzss)
        return kUnknownCompression;
    if (size < kPayloadPrefix)
        return kDecompressFailed;
    Zel::LZSSCompress coder;
    Zel::MemoryIOSlave source(bytes + kPayloadPrefix, size_t(size - kPayloadPrefix));
    if (!coder.DecompressStream(sink, source, size_t(size - kPayloadPrefix)))
        return kDecompressFailed;
    return nullptr;
}

// Writes the file `relative` (components below top, the last one the file
// name): staged beside its final name, renamed into place when complete,
// removed otherwise.
void WriteFileBelow(Zel::PString& outError, const RawDataRef& block, const std::string& top,
                    const std::vector<std::string>& components, const Zel::PString& compression)
{
    if (components.empty()) {
        outError = kWriteFailed;
        return;
    }
    Descriptor folder(OpenFolderBelow(top, components, components.size() - 1, false));
    if (folder.Get() < 0) {
        outError = kWriteFailed;
        return;
    }
    const std::string& name = components.back();
    const std::string staging = StagingNameFor(name);
    Descriptor file(openat(folder.Get(), staging.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (file.Get() < 0) {
        outError = kWriteFailed;
        return;
    }
    const char* error = FillContentFile(file.Get(), block, compression);
    file.Reset(-1);
    // rename replaces a link of the final name itself, never its target.
    if (error == nullptr && renameat(folder.Get(), staging.c_str(), folder.Get(), name.c_str()) != 0)
        error = kWriteFailed;
    if (error != nullptr) {
        unlinkat(folder.Get(), staging.c_str(), 0);
        outError = error;
    }
    Zel::File::FlushListingCache();
}

// The part of `full` below `top`, split; false when full is not below top.
bool ComponentsBelow(const std::string& top, const std::string& full, std::vector<std::string>& out)
{
    std::string base = top;
    while (base.size() > 1 && base.back() == '/')
        base.pop_back();
    if (full.compare(0, base.size(), base) != 0 || (full.size() > base.size() && full[base.size()] != '/' && base != "/"))
        return false;
    out = SplitComponents(full.substr(base.size()));
    return true;
}

void ExtractTree(Zel::PString& outError, const SoupHandle& files, const std::string& top, const std::string& relative,
                 const Zel::PString& compression)
{
    const int32_t count = files.CountTags();
    for (int32_t index = 0; index < count; ++index) {
        const Zel::PString name = files.GetIndexedTagName(index);
        if (!IsValidContentName(name.c_str()))
            continue;
        const std::string below = relative.empty() ? std::string(name.c_str()) : relative + "/" + name.c_str();
        const int32_t type = files.GetNamedTagType(name);
        if (type == SoupTypeContainer) {
            // The archive's own names decide; the destination may be any path.
            if (!IsSafeRelativePath((below + "/").c_str()))
                continue;
            std::string resolved;
            std::vector<std::string> components;
            if (!Zel::File::Resolve(nullptr, (top + "/" + below).c_str(), resolved, true) ||
                !ComponentsBelow(top, resolved, components))
                continue;
            Descriptor made(OpenFolderBelow(top, components, components.size(), true));
            ExtractTree(outError, files.GetNamedSoup(name), top, below, compression);
            continue;
        }
        if (type != SoupTypeRaw) {
            outError = kUnknownDataType;
            continue;
        }
        if (!IsAllowedContentFileType(name.c_str()))
            continue;
        std::string resolved;
        std::vector<std::string> components;
        if (!Zel::File::Resolve(nullptr, (top + "/" + below).c_str(), resolved, true) ||
            !ComponentsBelow(top, resolved, components)) {
            outError = kWriteFailed;
            continue;
        }
        WriteFileBelow(outError, files.GetNamedTagBlock(name), top, components, compression);
    }
}

}  // namespace

void ExtractArchiveFiles(Zel::PString& outError, const SoupHandle& files, const Zel::PString& folderName,
                         const char* destination, const Zel::PString& compression)
{
    std::string top;
    if (!ResolveContentPath(folderName, destination, top)) {
        if (files.CountTags() > 0)
            outError = kWriteFailed;
        return;
    }
    Zel::File::Md(top.c_str());
    Zel::File::FlushListingCache();
    ExtractTree(outError, files, top, std::string(), compression);
}

void WriteContentFile(Zel::PString& outError, const RawDataRef& block, const Zel::PString& folderName,
                      const char* path, const Zel::PString& compression)
{
    std::string full;
    if (!ResolveContentPath(folderName, path, full)) {
        outError = kWriteFailed;
        return;
    }
    const size_t slash = full.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string(".") : (slash == 0 ? "/" : full.substr(0, slash));
    const std::string name = slash == std::string::npos ? full : full.substr(slash + 1);
    WriteFileBelow(outError, block, folder, std::vector<std::string>{name}, compression);
}
