// Small file-system operations over a top-level folder name and a relative path, or an absolute path.
#include "foundation/base/file_utilities.h"

#include <sys/stat.h>

#include <cstring>
#include <string>
#include <vector>

#include "foundation/base/install_paths.h"
#include "foundation/base/logging.h"
#include "foundation/base/temporary_file_path.h"
#include "zel/ascii.h"

namespace {

bool HasName(const Zel::PString& folderName)
{
    return !folderName.IsEmpty();
}

bool IsAbsolutePath(const char* path)
{
    return path != nullptr && Zel::File::Path::IsAbsolute(path);
}

// True when path is root or lies below it, on a whole-component boundary.
bool IsSameOrBelow(const std::string& root, const std::string& path)
{
    std::string base = root;
    while (base.size() > 1 && base.back() == '/')
        base.pop_back();
    if (path.compare(0, base.size(), base) != 0)
        return false;
    return path.size() == base.size() || path[base.size()] == '/' || base == "/";
}

// Walks the components of target below root (both resolved) and fails on a
// symbolic link on the way; the target itself may be a link (it is removed,
// not followed).
bool HasNoLinkBelow(const std::string& root, const std::string& target)
{
    if (!IsSameOrBelow(root, target))
        return false;
    size_t at = root.size();
    while (true) {
        const size_t next = target.find('/', at + 1);
        if (next == std::string::npos)
            return true;
        const std::string prefix = target.substr(0, next);
        struct stat info;
        if (prefix.size() > root.size() && lstat(prefix.c_str(), &info) == 0 && S_ISLNK(info.st_mode))
            return false;
        at = next;
    }
}

// The file-system form of a path (separators, substitutions, letter case).
bool ResolvePath(const Zel::File::Path& path, std::string& out)
{
    return Zel::File::Resolve(nullptr, path.c_str(), out);
}

std::string WithoutTrailingSlashes(std::string text)
{
    while (text.size() > 1 && text.back() == '/')
        text.pop_back();
    return text;
}

}  // namespace

bool BuildFolderPath(const Zel::PString& folderName, const char* path, Zel::File::Path& out)
{
    out.Clear();
    if (path == nullptr)
        return false;
    if (!HasName(folderName)) {
        if (!IsAbsolutePath(path))
            return false;
        out = Zel::File::Path(path);
        out.ReplaceForwardSlashes();
        return true;
    }
    Zel::File::Path root = GetRootFolderPath(folderName.c_str());
    if (root.IsEmpty())
        return false;
    out = root;
    out.AddPath(path);
    out.ReplaceForwardSlashes();
    return true;
}

bool MakeDirectory(const Zel::PString& folderName, const char* path)
{
    Zel::File::Path full;
    if (!BuildFolderPath(folderName, path, full))
        return false;
    return Zel::File::Md(full.c_str()) == 0;
}

bool RenameFile(const Zel::PString& folderName, const char* oldPath, const char* newPath)
{
    Zel::File::Path from;
    Zel::File::Path to;
    if (!BuildFolderPath(folderName, oldPath, from) || !BuildFolderPath(folderName, newPath, to))
        return false;
    return Zel::File::Rename(from.c_str(), to.c_str()) == 0;
}

bool FileExists(const Zel::PString& folderName, const char* path)
{
    if (!HasName(folderName) && !IsAbsolutePath(path))
        return true;
    Zel::File::Path full;
    if (!BuildFolderPath(folderName, path, full))
        return false;
    return Zel::File::Exists(full.c_str()) == 0;
}

bool DeleteFileOrFolder(const Zel::PString& folderName, const char* path)
{
    if (path == nullptr || path[0] == '\0')
        return false;
    Zel::File::Path full;
    if (!BuildFolderPath(folderName, path, full))
        return false;
    full.Normalize();
    // The folder the deletion must stay in: the user-data root, or the named
    // folder. The test is lexical first ("x/../.." cannot leave it; letter
    // case is the file layer's to resolve) ...
    Zel::File::Path root = HasName(folderName) ? GetRootFolderPath(folderName.c_str()) : GetUserDataRoot();
    if (root.IsEmpty())
        return false;
    root.ReplaceForwardSlashes();
    root.Normalize();
    if (!HasName(folderName) && !IsInUserDataFolder(full))
        return false;
    Zel::File::Path lowerRoot = root;
    Zel::File::Path lowerFull = full;
    lowerRoot.ToLower();
    lowerFull.ToLower();
    if (!IsSameOrBelow(WithoutTrailingSlashes(lowerRoot.Str()), WithoutTrailingSlashes(lowerFull.Str())))
        return false;
    // ... then on the file system: no symbolic link below the root may lead
    // the deletion somewhere else.
    std::string resolvedRoot;
    std::string resolvedTarget;
    if (!ResolvePath(root, resolvedRoot) || !ResolvePath(full, resolvedTarget))
        return false;
    resolvedRoot = WithoutTrailingSlashes(resolvedRoot);
    resolvedTarget = WithoutTrailingSlashes(resolvedTarget);
    if (!HasNoLinkBelow(resolvedRoot, resolvedTarget))
        return false;
    if (Zel::File::Prune(resolvedTarget.c_str()) == 0)
        return true;
    return Zel::File::Unlink(resolvedTarget.c_str()) == 0;
}

bool CopyFile(const Zel::PString& sourceFolder, const char* sourcePath, const Zel::PString& destinationFolder,
              const char* destinationPath)
{
    Zel::File::Path from;
    Zel::File::Path to;
    if (!BuildFolderPath(sourceFolder, sourcePath, from) || !BuildFolderPath(destinationFolder, destinationPath, to))
        return false;
    Zel::File source;
    if (source.Open(from.c_str(), Zel::File::ModeRead) != 0)
        return false;
    Zel::File destination;
    if (destination.Open(to.c_str(), Zel::File::ModeWriteCreate) != 0)
        return false;
    int64_t remaining = source.Size();
    if (remaining <= 0)
        return remaining == 0;
    std::vector<uint8_t> buffer(size_t(std::min<int64_t>(remaining, kCopyFileChunkSize)));
    while (remaining > 0) {
        const int64_t want = std::min<int64_t>(remaining, int64_t(buffer.size()));
        const int64_t got = source.Read(buffer.data(), want);
        // A short read or write is a failed copy, not a shorter success.
        if (got != want || destination.Write(buffer.data(), got) != got)
            return false;
        remaining -= got;
    }
    return true;
}

bool CreateTemporaryFilePath(Zel::File::Path& out, const Zel::PString& /*folderName*/)
{
    return TemporaryFilePathIn(GetUserDataRoot(), out);
}

bool NextFileExtension(const char*& cursor, const char* name)
{
    if (name == nullptr) {
        cursor = "";
        return false;
    }
    // The search runs backwards from the dot before the cursor, or from the end.
    const char* end = name + std::strlen(name);
    if (cursor != nullptr && cursor > name && cursor <= end)
        end = cursor - 1;
    for (const char* at = end; at > name;) {
        --at;
        if (*at == '.') {
            cursor = at + 1;
            return true;
        }
    }
    cursor = "";
    return false;
}

bool IsTextureSourceName(const char* name)
{
    static const char suffix[] = ".texture.txt";
    const size_t suffixLength = sizeof suffix - 1;
    if (name == nullptr)
        return false;
    const size_t length = std::strlen(name);
    if (length < suffixLength)
        return false;
    const char* tail = name + length - suffixLength;
    for (size_t i = 0; i < suffixLength; ++i) {
        if (Zel::AsciiToLower(tail[i]) != suffix[i])
            return false;
    }
    return true;
}

bool IsDotOrDotDot(const char* name)
{
    return name != nullptr && (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0);
}

bool WildcardPrefixMatch(const char* pattern, const char* text)
{
    if (pattern == nullptr)
        return true;
    if (text == nullptr)
        text = "";
    for (; *pattern != '\0'; ++pattern, ++text) {
        if (*text == '\0')
            return false;
        if (*pattern != '?' && Zel::AsciiToLower(*pattern) != Zel::AsciiToLower(*text))
            return false;
    }
    return true;
}
