// FileLookupScope: per-thread folder listings and folder resolutions that look-ups answer from while a scope lives.
#include "zel/file_lookup_scope.h"

#include <cstring>
#include <dirent.h>
#include <memory>
#include <optional>
#include <sys/stat.h>
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

// An absolute path of plain steps: no ".", "..", empty step or trailing separator.
bool IsPlainPath(const std::string& path)
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
    return true;
}

std::string FolderPart(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

FolderListing& ListingOf(LookupSnapshot& snapshot, const std::string& folder)
{
    auto found = snapshot.listings.find(folder);
    if (found != snapshot.listings.end())
        return found->second;
    return snapshot.listings.emplace(folder, ReadFolder(folder)).first->second;
}

// The entry a look-up of name picks in the listing: the exact spelling, else
// the case-blind pick; null when none.
const std::pair<const std::string, EntryKind>* PickEntry(const FolderListing& listing, const std::string& name)
{
    auto entry = listing.names.find(name);
    if (entry != listing.names.end())
        return &*entry;
    auto pick = listing.folded.find(AsciiLowerCopy(name));
    if (pick == listing.folded.end())
        return nullptr;
    entry = listing.names.find(pick->second);
    return entry == listing.names.end() ? nullptr : &*entry;
}

// The case-blind pick for step among the entries of folder (the exact
// spelling, else the byte-wise smallest), read as they come: the parents of an
// asset's folders (a temporary folder, a home folder) may hold thousands of
// names that no later look-up needs kept.
bool PickFromFolder(const std::string& folder, const std::string& step, std::string& pick)
{
    DIR* dir = opendir(folder.c_str());
    if (!dir)
        return false;
    bool found = false;
    while (struct dirent* entry = readdir(dir)) {
        const std::string_view name(entry->d_name);
        if (!AsciiEqualIgnoreCase(name, step))
            continue;
        if (!found || name == step || name < std::string_view(pick))
            pick = name;
        found = true;
        if (name == step)
            break;
    }
    closedir(dir);
    return found;
}

// What a plain folder path resolves to, each step as the direct look-up takes
// it: as written where that exists, else the case-blind pick in its parent.
// Folders resolve from their parents, so the parents of an asset's folders
// (and the case-blind steps of the installation root) are resolved once.
const std::optional<std::string>& ResolvedFolder(LookupSnapshot& snapshot, const std::string& folder)
{
    auto found = snapshot.folders.find(folder);
    if (found != snapshot.folders.end())
        return found->second;
    std::optional<std::string> resolved;
    struct stat info;
    if (lstat(folder.c_str(), &info) == 0) {
        resolved = folder;
    } else if (const std::string anchored = AnchoredForm(folder); !anchored.empty()) {
        // Below the installation root, asked for lower-cased, the direct
        // look-up starts from the root's own spelling: so does this one,
        // instead of listing every folder above the root.
        resolved = ResolvedFolder(snapshot, anchored);
    } else if (folder != "/") {
        // Elements of an unordered_map stay where they are as it grows.
        const std::optional<std::string>& parent = ResolvedFolder(snapshot, FolderPart(folder));
        const std::string step = folder.substr(folder.rfind('/') + 1);
        std::string direct;
        if (parent && PickFromFolder(*parent, step, direct))
            resolved = JoinPath(*parent, direct);
        else if (parent && ResolveExistingDirect(folder, direct))
            resolved = std::move(direct);
    }
    return snapshot.folders.emplace(folder, std::move(resolved)).first->second;
}

}  // namespace

bool ResolveInScope(const std::string& path, std::string& out, bool& found, EntryKind* kind)
{
    LookupSnapshot* snapshot = threadSnapshot;
    if (snapshot == nullptr)
        return false;
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/')
        trimmed.pop_back();
    if (!IsPlainPath(trimmed))
        return false;
    found = false;
    if (trimmed != path) {
        // A folder named with its separator: as written when it is a folder
        // that exists so, else what its steps resolve to.
        const std::optional<std::string>& folder = ResolvedFolder(*snapshot, trimmed);
        if (!folder)
            return true;
        if (*folder != trimmed) {
            out = *folder;
            found = true;
            return true;
        }
        if (!ListingOf(*snapshot, trimmed).readable)
            return false;
        out = path;
        if (kind)
            *kind = EntryKind::Folder;
        found = true;
        return true;
    }
    // A folder this scope has already resolved and listed whole exists as
    // that resolution: its parent need not be listed to say so. Whether it
    // is a folder or a link to one is left to whoever asks.
    if (auto known = snapshot->folders.find(trimmed); known != snapshot->folders.end() && known->second) {
        auto listed = snapshot->listings.find(*known->second);
        if (listed != snapshot->listings.end() && listed->second.readable) {
            out = *known->second == trimmed ? path : *known->second;
            found = true;
            return true;
        }
    }
    const std::string folder = FolderPart(trimmed);
    const std::string leaf = trimmed.substr(trimmed.rfind('/') + 1);
    const std::optional<std::string>& resolvedFolder = ResolvedFolder(*snapshot, folder);
    if (!resolvedFolder)
        return true;
    const FolderListing& listing = ListingOf(*snapshot, *resolvedFolder);
    if (!listing.readable)
        return false;
    const auto* entry = PickEntry(listing, leaf);
    if (entry == nullptr)
        return true;
    // A path that exists as written comes back as written, as the direct look-up gives it.
    out = (*resolvedFolder == folder && entry->first == leaf) ? path : JoinPath(*resolvedFolder, entry->first);
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
