// File::Find: folder listing filtered by a Windows wildcard pattern.
#include "zel/file_find.h"

#include <algorithm>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>

#include "zel/ascii.h"
#include "zel/file_resolution.h"

namespace Zel {
namespace {

// '*' any run, '?' one character, ASCII case ignored; iterative with one
// back-track point, so no pattern can make it exponential.
bool MatchPlain(const char* pattern, const char* name)
{
    const char* star = nullptr;
    const char* resume = nullptr;
    while (*name) {
        if (*pattern == '*') {
            star = pattern++;
            resume = name;
        } else if (*pattern == '?' || (*pattern && AsciiToLower(*pattern) == AsciiToLower(*name))) {
            ++pattern;
            ++name;
        } else if (star) {
            pattern = star + 1;
            name = ++resume;
        } else {
            return false;
        }
    }
    while (*pattern == '*')
        ++pattern;
    return *pattern == '\0';
}

bool ListingOrder(const File::Find::Entry& a, const File::Find::Entry& b);

}  // namespace

bool File::Find::Match(const char* pattern, const char* name)
{
    if (!pattern || !name)
        return false;
    if (MatchPlain(pattern, name))
        return true;
    // Windows: a pattern ending in ".*" also matches names without a dot
    // ("*.*" matches everything, "readme.*" matches "readme").
    size_t length = strlen(pattern);
    if (length >= 2 && pattern[length - 2] == '.' && pattern[length - 1] == '*' && !strchr(name, '.')) {
        std::string shorter(pattern, length - 2);
        return MatchPlain(shorter.c_str(), name);
    }
    return false;
}

bool File::Find::Open(const char* pattern)
{
    return Open(pattern, nullptr);
}

bool File::Find::Open(const char* pattern, const char* container)
{
    Close();
    std::string full;
    if (!pattern || !FileResolution::ApplySubst(container, pattern, full))
        return false;
    size_t slash = full.rfind('/');
    std::string folder = slash == std::string::npos ? std::string() : full.substr(0, slash == 0 ? 1 : slash);
    std::string namePattern = slash == std::string::npos ? full : full.substr(slash + 1);
    if (namePattern.empty())
        namePattern.push_back('*');
    std::string resolved;
    if (folder.empty()) {
        resolved = ".";
    } else if (!FileResolution::ResolveExisting(folder, resolved)) {
        return false;
    }
    DIR* dir = opendir(resolved.c_str());
    if (!dir)
        return false;
    while (struct dirent* item = readdir(dir)) {
        const char* name = item->d_name;
        if (strcmp(name, ".") == 0 || strcmp(name, "..") == 0)
            continue;
        if (!Match(namePattern.c_str(), name))
            continue;
        entries_.push_back(Entry{name, item->d_type});
    }
    closedir(dir);
    folder_ = std::move(resolved);
    std::sort(entries_.begin(), entries_.end(), ListingOrder);
    return true;
}

uint32_t File::Find::Attributes() const
{
    if (current_.name.empty())
        return 0;
    // A folder or a plain file as the listing says: no stat needed.
    if (current_.type == DT_DIR)
        return AttributeDirectory;
    if (current_.type == DT_REG)
        return AttributeNormal;
    StatCurrent();
    return attributes_;
}

int64_t File::Find::Size() const
{
    if (current_.type == DT_DIR || current_.name.empty())
        return 0;
    StatCurrent();
    return size_;
}

void File::Find::StatCurrent() const
{
    if (statted_)
        return;
    statted_ = true;
    const std::string path = folder_ + "/" + current_.name;
    struct stat info;
    if (stat(path.c_str(), &info) == 0 || lstat(path.c_str(), &info) == 0) {
        attributes_ = S_ISDIR(info.st_mode) ? AttributeDirectory : AttributeNormal;
        size_ = S_ISDIR(info.st_mode) ? 0 : static_cast<int64_t>(info.st_size);
    } else {
        attributes_ = AttributeNormal;
        size_ = 0;
    }
}

bool File::Find::Next()
{
    statted_ = false;
    if (next_ >= entries_.size()) {
        current_ = Entry();
        return false;
    }
    current_ = std::move(entries_[next_++]);
    return true;
}

void File::Find::Close()
{
    entries_.clear();
    folder_.clear();
    next_ = 0;
    current_ = Entry();
    statted_ = false;
}

namespace {

// The order NTFS lists in: case-folded names, ties by bytes, so results do
// not depend on the file system's own order.
bool ListingOrder(const File::Find::Entry& a, const File::Find::Entry& b)
{
    int folded = AsciiCompare(a.name, b.name, true);
    return folded != 0 ? folded < 0 : a.name < b.name;
}

}  // namespace
}  // namespace Zel
