// Purging the trash: entries older than the retention period are removed for good.
#include "daemon/trash_purge.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <charconv>
#include <string>
#include <string_view>
#include <vector>

#include "daemon/folder_moves.h"
#include "soup/soup_handle.h"
#include "zel/pstring.h"

namespace {

constexpr std::int32_t MaxRetentionDays = 36500;
constexpr std::int64_t SecondsPerDay = 24 * 3600;

// The time the store wrote into the entry's name, or -1.
std::int64_t NameTime(std::string_view name)
{
    if (!name.starts_with("kuid_"))
        return -1;
    // "kuid_<user>_<content>_<version>-<time>-...": the numbers of the key
    // may carry a minus sign of their own, so the time follows the first
    // '-' that comes after the third '_'.
    std::size_t at = 0;
    for (int i = 0; i < 3 && at != std::string_view::npos; ++i)
        at = name.find('_', at + 1);
    if (at == std::string_view::npos)
        return -1;
    at = name.find('-', at + 2);
    if (at == std::string_view::npos)
        return -1;
    std::int64_t time = -1;
    const char* first = name.data() + at + 1;
    const char* last = name.data() + name.size();
    auto [end, error] = std::from_chars(first, last, time);
    if (error != std::errc() || end == first || (end != last && *end != '-'))
        return -1;
    return time;
}

}  // namespace

std::int32_t KADTrashRetentionDaysFrom(const SoupHandle& config)
{
    std::int32_t days = config.GetNamedTagAsInt(Zel::PString("trash-retention-days"), KADDefaultTrashRetentionDays);
    // Never 0: a slip in the file must not empty the trash at once.
    return std::clamp(days, 1, MaxRetentionDays);
}

KADTrashPurgeResult KADPurgeTrash(const std::string& trashFolder, std::int32_t retentionDays, std::int64_t now)
{
    KADTrashPurgeResult result;
    DIR* dir = KADOpenFolderAt(AT_FDCWD, trashFolder.c_str());
    if (dir == nullptr)
        return result;
    std::vector<std::string> due;
    std::int64_t limit = now - static_cast<std::int64_t>(retentionDays) * SecondsPerDay;
    while (dirent* entry = readdir(dir)) {
        std::string_view name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        struct stat info {};
        if (fstatat(dirfd(dir), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        std::int64_t newest = std::max<std::int64_t>(NameTime(name), info.st_mtime);
        if (newest < limit)
            due.emplace_back(name);
    }
    for (const std::string& name : due) {
        if (KADRemoveTreeAt(dirfd(dir), name.c_str()))
            ++result.removed;
        else
            ++result.failed;
    }
    closedir(dir);
    return result;
}
