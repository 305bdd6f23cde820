// Letter-case resolution of paths against cached folder listings.
//
// Assets made on Windows name their files in any case and parts of the
// program lower-case paths, so a path that does not exist as written is
// matched component by component without regard to ASCII case.
#include <algorithm>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <time.h>
#include <unordered_map>
#include <vector>

#include "zel/ascii.h"
#include "zel/file_resolution.h"

namespace Zel {
namespace FileResolution {
namespace {

struct Listing {
    int64_t modified = 0;  // folder mtime in ns
    uint64_t inode = 0;
    // Read so soon after the folder's last change that a further change could
    // share its (coarse) time stamp: a miss must read the folder again.
    bool unsure = false;
    std::vector<std::string> names;
};

// File-system time stamps move in clock ticks of a few ms.
constexpr int64_t kTimestampSlackNs = 100LL * 1000000LL;

int64_t NanosecondsOf(const struct timespec& time)
{
    return static_cast<int64_t>(time.tv_sec) * 1000000000LL + time.tv_nsec;
}

constexpr size_t kMaxCachedListings = 4096;

std::mutex g_cacheLock;
std::unordered_map<std::string, Listing>& Cache()
{
    static std::unordered_map<std::string, Listing> cache;
    return cache;
}

bool Exists(const std::string& path)
{
    struct stat info;
    return lstat(path.c_str(), &info) == 0;
}

bool ReadListing(const std::string& folder, const struct stat& info, Listing& out)
{
    DIR* dir = opendir(folder.c_str());
    if (!dir)
        return false;
    out.names.clear();
    out.modified = NanosecondsOf(info.st_mtim);
    out.inode = info.st_ino;
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    out.unsure = NanosecondsOf(now) - out.modified < kTimestampSlackNs;
    while (struct dirent* entry = readdir(dir)) {
        if (strcmp(entry->d_name, ".") == 0 || strcmp(entry->d_name, "..") == 0)
            continue;
        out.names.emplace_back(entry->d_name);
    }
    closedir(dir);
    return true;
}

const std::string* FindFolded(const Listing& listing, const std::string& name)
{
    const std::string* best = nullptr;
    for (const std::string& candidate : listing.names) {
        if (!AsciiEqualIgnoreCase(candidate, name))
            continue;
        if (candidate == name)
            return &candidate;
        if (!best || candidate < *best)
            best = &candidate;  // std::string compares bytes unsigned
    }
    return best;
}

// Finds name in folder without regard to case. Several matches: the
// exact-case one, else the byte-wise smallest. With fresh, the cached
// listing is read again first.
bool MatchInFolder(const std::string& folder, const std::string& name, bool fresh, std::string& match)
{
    std::string key = folder.empty() ? "." : folder;
    struct stat info;
    if (stat(key.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        return false;
    std::lock_guard<std::mutex> guard(g_cacheLock);
    auto& cache = Cache();
    auto found = cache.find(key);
    bool stale = found == cache.end() || fresh || found->second.modified != NanosecondsOf(info.st_mtim) ||
                 found->second.inode != info.st_ino;
    for (int pass = 0; pass < 2; ++pass) {
        if (stale) {
            if (cache.size() >= kMaxCachedListings)
                cache.clear();
            Listing listing;
            if (!ReadListing(key, info, listing))
                return false;
            found = cache.insert_or_assign(key, std::move(listing)).first;
        }
        if (const std::string* best = FindFolded(found->second, name)) {
            match = *best;
            return true;
        }
        // A miss in a listing that may predate a change with the same time stamp.
        if (stale || !found->second.unsure)
            return false;
        stale = true;
    }
    return false;
}

// Folders whose on-disk spelling was settled once: the installation root,
// which every caller asks for lower-cased, would otherwise be matched again,
// component by component from the file-system root, on every look-up.
struct Anchor {
    std::string asked;   // as callers spell it
    std::string onDisk;  // what it resolved to
};

constexpr size_t kMaxAnchors = 8;

std::mutex g_anchorLock;
std::vector<Anchor>& Anchors()
{
    static std::vector<Anchor> anchors;
    return anchors;
}

bool StartsWithFolder(const std::string& path, const std::string& folder)
{
    return path.size() >= folder.size() && path.compare(0, folder.size(), folder) == 0 &&
           (path.size() == folder.size() || path[folder.size()] == '/' || folder.back() == '/');
}

// The path with an anchored folder at its start given its on-disk spelling;
// `settled` is the length of the part that needs no matching (0: none).
std::string Anchored(const std::string& path, size_t& settled)
{
    settled = 0;
    std::string onDisk;
    std::string asked;
    {
        std::lock_guard<std::mutex> guard(g_anchorLock);
        for (const Anchor& anchor : Anchors()) {
            if (anchor.asked.size() > asked.size() && StartsWithFolder(path, anchor.asked)) {
                asked = anchor.asked;
                onDisk = anchor.onDisk;
            }
        }
    }
    // A folder renamed since is matched again, the long way; one made since
    // under the very spelling asked for is the one meant, as it would be
    // for any other path that exists as written.
    if (asked.empty() || Exists(asked) || !Exists(onDisk))
        return path;
    settled = onDisk.size();
    return onDisk + path.substr(asked.size());
}

std::vector<std::string> SplitComponents(const std::string& path)
{
    std::vector<std::string> parts;
    size_t begin = 0;
    while (begin < path.size()) {
        size_t end = path.find('/', begin);
        if (end == std::string::npos)
            end = path.size();
        if (end > begin)
            parts.push_back(path.substr(begin, end - begin));
        begin = end + 1;
    }
    return parts;
}

// Walks the components after the first `settled` characters (a folder that
// exists as written); stops at the first that matches nothing. Returns the
// index of that component (parts.size() when all resolved).
size_t Walk(const std::string& path, size_t settled, bool fresh, std::string& resolved,
            std::vector<std::string>& parts)
{
    parts = SplitComponents(path.substr(settled));
    resolved = path.substr(0, settled);
    if (settled == 0 && !path.empty() && path[0] == '/')
        resolved.push_back('/');
    for (size_t i = 0; i < parts.size(); ++i) {
        const std::string& part = parts[i];
        std::string candidate = JoinPath(resolved, part);
        if (part == "." || part == ".." || Exists(candidate)) {
            resolved = candidate;
            continue;
        }
        std::string match;
        if (!MatchInFolder(resolved, part, fresh, match))
            return i;
        resolved = JoinPath(resolved, match);
    }
    return parts.size();
}

// Where a walk of path may start: after an anchored folder, or after the
// path's own parent when that exists as written (the usual miss: a file that
// is not there in a folder that is), since then every component before it
// would match as written too.
std::string StartOfWalk(const std::string& path, size_t& settled)
{
    std::string start = Anchored(path, settled);
    std::string parent = ParentOf(start);
    if (parent.size() > settled && parent != "/" && Exists(parent))
        settled = parent.size();
    return start;
}

}  // namespace

std::string ToNative(std::string_view path)
{
    std::string native(path);
    std::replace(native.begin(), native.end(), '\\', '/');
    return native;
}

std::string JoinPath(std::string_view a, std::string_view b)
{
    if (a.empty())
        return std::string(b);
    if (b.empty())
        return std::string(a);
    std::string joined(a);
    if (joined.back() != '/')
        joined += '/';
    joined.append(b[0] == '/' ? b.substr(1) : b);
    return joined;
}

std::string ParentOf(const std::string& path)
{
    size_t at = path.rfind('/');
    if (at == std::string::npos)
        return std::string();
    if (at == 0)
        return "/";
    return path.substr(0, at);
}

std::string LastComponentOf(const std::string& path)
{
    size_t at = path.rfind('/');
    return at == std::string::npos ? path : path.substr(at + 1);
}

std::string AnchoredForm(const std::string& path)
{
    size_t settled = 0;
    std::string start = Anchored(path, settled);
    return settled == 0 ? std::string() : start;
}

bool ResolveExisting(const std::string& path, std::string& out)
{
    bool found = false;
    if (ResolveInScope(path, out, found, nullptr))
        return found;
    return ResolveExistingDirect(path, out);
}

bool ResolveExistingDirect(const std::string& path, std::string& out)
{
    if (path.empty())
        return false;
    if (Exists(path)) {
        out = path;
        return true;
    }
    size_t settled = 0;
    std::string start = StartOfWalk(path, settled);
    std::string resolved;
    std::vector<std::string> parts;
    if (Walk(start, settled, false, resolved, parts) != parts.size())
        return false;
    if (!Exists(resolved) && (Walk(start, settled, true, resolved, parts) != parts.size() || !Exists(resolved)))
        return false;
    out = resolved;
    return true;
}

std::string ResolveForCreate(const std::string& path)
{
    if (path.empty() || Exists(path))
        return path;
    size_t settled = 0;
    std::string start = StartOfWalk(path, settled);
    std::string resolved;
    std::vector<std::string> parts;
    for (size_t i = Walk(start, settled, false, resolved, parts); i < parts.size(); ++i)
        resolved = JoinPath(resolved, parts[i]);
    if (!path.empty() && path.back() == '/' && !resolved.empty() && resolved.back() != '/')
        resolved += '/';
    return resolved;
}

bool ResolveFull(const char* container, const char* path, std::string& out, bool forCreate, EntryKind* kind)
{
    std::string substituted;
    if (!path || !ApplySubst(container, path, substituted) || substituted.empty())
        return false;
    if (forCreate) {
        out = ResolveForCreate(substituted);
        return true;
    }
    bool found = false;
    if (ResolveInScope(substituted, out, found, kind))
        return found;
    return ResolveExistingDirect(substituted, out);
}

void AnchorFolder(const std::string& folder, const std::string& known)
{
    {
        // An earlier answer must not answer for itself.
        std::lock_guard<std::mutex> guard(g_anchorLock);
        std::erase_if(Anchors(), [&](const Anchor& anchor) { return anchor.asked == folder; });
    }
    std::string onDisk = known;
    bool spelt = !known.empty() && AsciiEqualIgnoreCase(known, folder) && Exists(known);
    if (folder.empty() || folder == "/" || (!spelt && !ResolveExistingDirect(folder, onDisk)))
        return;
    std::lock_guard<std::mutex> guard(g_anchorLock);
    std::vector<Anchor>& anchors = Anchors();
    // Spelt as it is on disk, the folder needs no matching at all.
    if (onDisk == folder)
        return;
    if (anchors.size() >= kMaxAnchors)
        anchors.erase(anchors.begin());
    anchors.push_back({folder, onDisk});
}

void InvalidateFolder(const std::string& folder)
{
    ForgetInScope(&folder);
    std::lock_guard<std::mutex> guard(g_cacheLock);
    Cache().erase(folder.empty() ? "." : folder);
}

void InvalidateAll()
{
    ForgetInScope(nullptr);
    std::lock_guard<std::mutex> guard(g_cacheLock);
    Cache().clear();
}

}  // namespace FileResolution
}  // namespace Zel
