// FileLookupScope: per-thread folder listings and folder resolutions that look-ups answer from while a scope lives.
#include "zel/file_lookup_scope.h"

#include <cstring>
#include <dirent.h>
#include <memory>
#include <optional>
#include <unordered_map>

#include "zel/ascii.h"
#include "zel/file_resolution.h"

namespace Zel {
namespace FileResolution {
namespace {

struct FolderListing {
    // opendir failed: a folder that can be searched but not read still
    // answers lstat, so such a folder is left to the direct look-up.
    bool readable = false;
    std::unordered_map<std::string, EntryKind> names;
    // Lower-cased name -> the name a case-blind look-up picks among those
    // that fold to it: the byte-wise smallest, as the resolver picks.
    std::unordered_map<std::string, std::string> folded;
};

struct LookupSnapshot {
    int depth = 0;
    // Folder as asked -> the folder it resolves to; none when it does not exist.
    std::unordered_map<std::string, std::optional<std::string>> folders;
    // Resolved folder -> its listing.
    std::unordered_map<std::string, FolderListing> listings;
};

// Owned by the thread's outermost scope.
thread_local LookupSnapshot* threadSnapshot = nullptr;

EntryKind KindOf(unsigned char type)
{
    if (type == DT_DIR)
        return EntryKind::Folder;
    if (type == DT_REG)
        return EntryKind::File;
    // Links, and file systems that leave the type out: whoever needs to know asks stat.
    return EntryKind::Unknown;
}

FolderListing ReadFolder(const std::string& folder)
{
    FolderListing listing;
    DIR* dir = opendir(folder.c_str());
    if (!dir)
        return listing;
    listing.readable = true;
    while (struct dirent* entry = readdir(dir)) {
        const char* name = entry->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
            continue;
        listing.names.emplace(name, KindOf(entry->d_type));
        auto [pick, added] = listing.folded.try_emplace(AsciiLowerCopy(name), name);
        if (!added && std::string_view(name) < std::string_view(pick->second))
            pick->second = name;
    }
    closedir(dir);
    return listing;
}

// An absolute path of plain steps, split at its last separator.
bool SplitPlainPath(const std::string& path, std::string& folder, std::string& leaf)
{
    if (path.size() < 2 || path[0] != '/' || path.back() == '/')
        return false;
    size_t begin = 1;
    while (begin <= path.size()) {
        size_t end = path.find('/', begin);
        if (end == std::string::npos)
            end = path.size();
        std::string_view step(path.data() + begin, end - begin);
        if (step.empty() || step == "." || step == "..")
            return false;
        begin = end + 1;
    }
    const size_t slash = path.rfind('/');
    folder = slash == 0 ? std::string("/") : path.substr(0, slash);
    leaf = path.substr(slash + 1);
    return true;
}

const std::optional<std::string>& ResolvedFolder(LookupSnapshot& snapshot, const std::string& folder)
{
    auto found = snapshot.folders.find(folder);
    if (found != snapshot.folders.end())
        return found->second;
    std::optional<std::string> resolved;
    std::string out;
    if (ResolveExistingDirect(folder, out))
        resolved = std::move(out);
    return snapshot.folders.emplace(folder, std::move(resolved)).first->second;
}

const FolderListing& ListingOf(LookupSnapshot& snapshot, const std::string& folder)
{
    auto found = snapshot.listings.find(folder);
    if (found != snapshot.listings.end())
        return found->second;
    return snapshot.listings.emplace(folder, ReadFolder(folder)).first->second;
}

}  // namespace

bool ResolveInScope(const std::string& path, std::string& out, bool& found, EntryKind* kind)
{
    LookupSnapshot* snapshot = threadSnapshot;
    std::string folder;
    std::string leaf;
    if (snapshot == nullptr || !SplitPlainPath(path, folder, leaf))
        return false;
    const std::optional<std::string>& resolvedFolder = ResolvedFolder(*snapshot, folder);
    if (!resolvedFolder) {
        found = false;
        return true;
    }
    const FolderListing& listing = ListingOf(*snapshot, *resolvedFolder);
    if (!listing.readable)
        return false;
    std::string name = leaf;
    auto entry = listing.names.find(leaf);
    if (entry == listing.names.end()) {
        auto pick = listing.folded.find(AsciiLowerCopy(leaf));
        if (pick == listing.folded.end()) {
            found = false;
            return true;
        }
        name = pick->second;
        entry = listing.names.find(name);
    }
    // A path that exists as written comes back as written, as the direct look-up gives it.
    out = (*resolvedFolder == folder && name == leaf) ? path : JoinPath(*resolvedFolder, name);
    if (kind)
        *kind = entry->second;
    found = true;
    return true;
}

void ForgetInScope(const std::string* folder)
{
    LookupSnapshot* snapshot = threadSnapshot;
    if (snapshot == nullptr)
        return;
    // A folder made or removed can change what any folder name resolves to.
    snapshot->folders.clear();
    if (folder)
        snapshot->listings.erase(folder->empty() ? "." : *folder);
    else
        snapshot->listings.clear();
}

}  // namespace FileResolution

FileLookupScope::FileLookupScope()
{
    if (FileResolution::threadSnapshot == nullptr)
        FileResolution::threadSnapshot = new FileResolution::LookupSnapshot();
    ++FileResolution::threadSnapshot->depth;
}

FileLookupScope::~FileLookupScope()
{
    if (--FileResolution::threadSnapshot->depth == 0) {
        delete FileResolution::threadSnapshot;
        FileResolution::threadSnapshot = nullptr;
    }
}

bool FileLookupScope::IsOpen()
{
    return FileResolution::threadSnapshot != nullptr;
}

}  // namespace Zel
