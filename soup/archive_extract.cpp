// Extracting archive files: the walk over the files tree and the staged, link-refusing write of each file.
#include "soup/archive_extract.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "foundation/base/file_utilities.h"
#include "platform/file_io.h"
#include "soup/archive_names.h"
#include "zel/lzss_compress.h"
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

// The decompressor's sink over a descriptor we opened ourselves. Takes at
// most `limit` bytes: a stream that decodes past its declared length stops
// there instead of filling the disk. Remembers why a write fell short.
class DescriptorIOSlave : public Zel::IOSlave {
public:
    DescriptorIOSlave(int fd, uint64_t limit) : fd_(fd), limit_(limit) {}
    size_t Read(void*, size_t) override { return 0; }
    size_t Write(const void* data, size_t count) override
    {
        if (uint64_t(position_) + count > limit_) {
            exceeded_ = true;
            return 0;
        }
        const char* bytes = static_cast<const char*>(data);
        size_t done = 0;
        while (done < count) {
            const ssize_t put = Platform::WriteSome(fd_, bytes + done, count - done);
            if (put < 0)
                error_ = errno;
            if (put <= 0)
                break;
            done += size_t(put);
        }
        // write(2) that takes nothing without an error is a full device.
        if (done < count && error_ == 0)
            error_ = ENOSPC;
        position_ += int64_t(done);
        return done;
    }
    int64_t Tell() const override { return position_; }
    bool Seek(int64_t) override { return false; }
    bool Exceeded() const { return exceeded_; }
    // The errno of the write that fell short; 0 when none did.
    int Error() const { return error_; }

private:
    int fd_;
    uint64_t limit_;
    int64_t position_ = 0;
    bool exceeded_ = false;
    int error_ = 0;
};

// "Unable to write content files to disk", with the system's reason when
// there is one (a full disk must be called that, not damage).
std::string WriteFailure(int error)
{
    if (error == 0)
        return kWriteFailed;
    return std::string(kWriteFailed) + ": " + strerror(error);
}

// The declared length of a compressed payload: its 4-byte prefix.
uint64_t DeclaredLength(const uint8_t* bytes)
{
    return uint64_t(bytes[0]) | uint64_t(bytes[1]) << 8 | uint64_t(bytes[2]) << 16 | uint64_t(bytes[3]) << 24;
}

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
// never begin with '.'), unique within the process. Its length is fixed
// (24 bytes): built from the final name it would fail the name limit for
// files whose own name is close to it.
std::string StagingName()
{
    static std::atomic<uint32_t> counter{0};
    char name[32];
    snprintf(name, sizeof(name), ".~%08x-%08x.part", unsigned(getpid()), unsigned(counter.fetch_add(1)));
    return name;
}

std::string JoinComponents(const std::vector<std::string>& components)
{
    std::string joined;
    for (const std::string& component : components)
        joined += (joined.empty() ? "" : "/") + component;
    return joined;
}

// The level nibble of an LZSS stream's first byte; level 0 is the stored form.
constexpr uint8_t kLevelMask = 0x0F;

// Fills the staged file; an error text, empty on success. `note` gets why
// the file differs from what the archive holds, when it does.
std::string FillContentFile(int fd, const RawDataRef& block, const Zel::PString& compression,
                            const std::vector<std::string>& components, std::string& note)
{
    const uint8_t* bytes = BlockData(block);
    const int32_t size = BlockSize(block);
    if (compression.IsEmpty()) {
        DescriptorIOSlave sink(fd, uint64_t(size > 0 ? size : 0));
        if (size > 0 && sink.Write(bytes, size_t(size)) != size_t(size))
            return WriteFailure(sink.Error());
        return std::string();
    }
    if (compression != ArchiveNames().lzss)
        return kUnknownCompression;
    if (size < kPayloadPrefix)
        return kDecompressFailed;
    const uint64_t declared = DeclaredLength(bytes);
    DescriptorIOSlave sink(fd, declared);
    // Earlier exports of files that do not compress wrote the stored form
    // followed by the abandoned coded attempt's stray bytes. A stored copy
    // holds the file itself, so its declared length is exactly the original;
    // a coded stream that runs long stays damage.
    const uint64_t streamLength = uint64_t(size - kPayloadPrefix);
    if (streamLength > 1 && (bytes[kPayloadPrefix] & kLevelMask) == 0 && streamLength - 1 > declared) {
        if (declared > 0 && sink.Write(bytes + kPayloadPrefix + 1, size_t(declared)) != size_t(declared))
            return WriteFailure(sink.Error());
        note = "holds " + std::to_string(streamLength - 1 - declared) +
               " bytes past its declared length; they were dropped";
        return std::string();
    }
    Zel::LZSSCompress coder;
    Zel::MemoryIOSlave source(bytes + kPayloadPrefix, size_t(size - kPayloadPrefix));
    if (coder.DecompressStream(sink, source, size_t(size - kPayloadPrefix)))
        return std::string();
    if (sink.Error() != 0)
        return WriteFailure(sink.Error());
    if (sink.Exceeded())
        return "\"" + JoinComponents(components) + "\" decodes to more than its declared " + std::to_string(declared) +
               " bytes. Content package may be damaged";
    return kDecompressFailed;
}

// Writes the file `relative` (components below top, the last one the file
// name): staged beside its final name, renamed into place when complete,
// removed otherwise.
void WriteFileBelow(Zel::PString& outError, const RawDataRef& block, const std::string& top,
                    const std::vector<std::string>& components, const Zel::PString& compression, std::string& note)
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
    const std::string staging = StagingName();
    Descriptor file(openat(folder.Get(), staging.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (file.Get() < 0) {
        outError = WriteFailure(errno).c_str();
        return;
    }
    std::string error = FillContentFile(file.Get(), block, compression, components, note);
    // A file system may report a failed write only when the file is closed.
    if (close(file.Release()) != 0 && error.empty())
        error = WriteFailure(errno);
    // rename replaces a link of the final name itself, never its target.
    if (error.empty() && renameat(folder.Get(), staging.c_str(), folder.Get(), name.c_str()) != 0)
        error = WriteFailure(errno);
    if (!error.empty()) {
        unlinkat(folder.Get(), staging.c_str(), 0);
        outError = error.c_str();
    }
    Zel::File::FlushListingCache();
}

// The part of `full` below `top`, split; false when full is not below top.
bool ComponentsBelow(const std::string& top, const std::string& full, std::vector<std::string>& out)
{
    std::string base = top;
    while (base.size() > 1 && base.back() == '/')
        base.pop_back();
    if (full.compare(0, base.size(), base) != 0 ||
        (full.size() > base.size() && full[base.size()] != '/' && base != "/"))
        return false;
    out = SplitComponents(full.substr(base.size()));
    return true;
}

// The walk extraction makes over a files tree, in index order: the folders
// and files it keeps, the tags it cannot write, and what it leaves out.
class ContentTreeVisitor {
public:
    virtual ~ContentTreeVisitor() = default;
    // A kept folder; false when it cannot be entered.
    virtual bool EnterFolder(const std::string& below) = 0;
    virtual void File(const std::string& below, const RawDataRef& block) = 0;
    virtual void OtherTag(const std::string& below) = 0;
    virtual void Skipped(const std::string& below, const std::string& reason) = 0;
};

void WalkContentTree(const SoupHandle& files, const std::string& relative, ContentTreeVisitor& visitor)
{
    const int32_t count = files.CountTags();
    for (int32_t index = 0; index < count; ++index) {
        const Zel::PString name = files.GetIndexedTagName(index);
        const std::string below = relative.empty() ? std::string(name.c_str()) : relative + "/" + name.c_str();
        const int32_t type = files.GetNamedTagType(name);
        if (type == SoupTypeContainer) {
            std::string reason = ContentFolderSkipReason(name.c_str());
            // The archive's own names decide; the destination may be any path.
            if (reason.empty() && !IsSafeRelativePath((below + "/").c_str()))
                reason = "its path leaves the asset's folder";
            if (!reason.empty())
                visitor.Skipped(below, reason);
            else if (visitor.EnterFolder(below))
                WalkContentTree(files.GetNamedSoup(name), below, visitor);
            continue;
        }
        if (!IsValidContentName(name.c_str())) {
            visitor.Skipped(below, ContentFileSkipReason(name.c_str()));
            continue;
        }
        if (type != SoupTypeRaw) {
            visitor.OtherTag(below);
            continue;
        }
        const std::string reason = ContentFileSkipReason(name.c_str());
        if (!reason.empty()) {
            visitor.Skipped(below, reason);
            continue;
        }
        visitor.File(below, files.GetNamedTagBlock(name));
    }
}

class ExtractVisitor : public ContentTreeVisitor {
public:
    ExtractVisitor(Zel::PString& outError, const std::string& top, const Zel::PString& compression,
                   std::vector<SkippedContentEntry>* skipped)
        : outError_(outError), top_(top), compression_(compression), skipped_(skipped)
    {}

    bool EnterFolder(const std::string& below) override
    {
        std::vector<std::string> components;
        if (!ResolveBelowTop(below, components))
            return false;
        Descriptor made(OpenFolderBelow(top_, components, components.size(), true));
        return true;
    }

    void File(const std::string& below, const RawDataRef& block) override
    {
        std::vector<std::string> components;
        if (!ResolveBelowTop(below, components)) {
            outError_ = kWriteFailed;
            return;
        }
        std::string note;
        WriteFileBelow(outError_, block, top_, components, compression_, note);
        if (!note.empty() && skipped_ != nullptr)
            skipped_->push_back(SkippedContentEntry{below, note, true});
    }

    void OtherTag(const std::string&) override { outError_ = kUnknownDataType; }

    void Skipped(const std::string& below, const std::string& reason) override
    {
        if (skipped_ != nullptr)
            skipped_->push_back(SkippedContentEntry{below, reason});
    }

private:
    bool ResolveBelowTop(const std::string& below, std::vector<std::string>& components) const
    {
        std::string resolved;
        return Zel::File::Resolve(nullptr, (top_ + "/" + below).c_str(), resolved, true) &&
               ComponentsBelow(top_, resolved, components);
    }

    Zel::PString& outError_;
    const std::string& top_;
    const Zel::PString& compression_;
    std::vector<SkippedContentEntry>* skipped_;
};

class DeclaredSizeVisitor : public ContentTreeVisitor {
public:
    explicit DeclaredSizeVisitor(const Zel::PString& compression) : compression_(compression) {}

    bool EnterFolder(const std::string&) override { return true; }
    void File(const std::string&, const RawDataRef& block) override
    {
        const int32_t size = BlockSize(block);
        if (compression_.IsEmpty())
            total_ += uint64_t(size > 0 ? size : 0);
        else if (compression_ == ArchiveNames().lzss && size >= kPayloadPrefix)
            total_ += DeclaredLength(BlockData(block));
    }
    void OtherTag(const std::string&) override {}
    void Skipped(const std::string&, const std::string&) override {}
    uint64_t Total() const { return total_; }

private:
    const Zel::PString& compression_;
    uint64_t total_ = 0;
};

}  // namespace

void ExtractArchiveFiles(Zel::PString& outError, const SoupHandle& files, const Zel::PString& folderName,
                         const char* destination, const Zel::PString& compression,
                         std::vector<SkippedContentEntry>* skipped)
{
    std::string top;
    if (!ResolveContentPath(folderName, destination, top)) {
        if (files.CountTags() > 0)
            outError = kWriteFailed;
        return;
    }
    Zel::File::Md(top.c_str());
    Zel::File::FlushListingCache();
    ExtractVisitor visitor(outError, top, compression, skipped);
    WalkContentTree(files, std::string(), visitor);
}

uint64_t DeclaredContentBytes(const SoupHandle& files, const Zel::PString& compression)
{
    DeclaredSizeVisitor visitor(compression);
    WalkContentTree(files, std::string(), visitor);
    return visitor.Total();
}

void WriteContentFile(Zel::PString& outError, const RawDataRef& block, const Zel::PString& folderName, const char* path,
                      const Zel::PString& compression, std::string* note)
{
    std::string full;
    if (!ResolveContentPath(folderName, path, full)) {
        outError = kWriteFailed;
        return;
    }
    const size_t slash = full.find_last_of('/');
    const std::string folder =
        slash == std::string::npos ? std::string(".") : (slash == 0 ? "/" : full.substr(0, slash));
    const std::string name = slash == std::string::npos ? full : full.substr(slash + 1);
    std::string changed;
    WriteFileBelow(outError, block, folder, std::vector<std::string>{name}, compression, changed);
    if (note != nullptr)
        *note = changed;
}
