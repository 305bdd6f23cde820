// Purging the trash: entries older than the retention period are removed for good.
#pragma once

#include <cstdint>
#include <string>

// Days a trash entry is kept when kaddaemon.cfg says nothing.
constexpr std::int32_t KADDefaultTrashRetentionDays = 30;

class SoupHandle;

// "trash-retention-days" of kaddaemon.cfg's text soup (1 to 36500), else
// the default.
std::int32_t KADTrashRetentionDaysFrom(const SoupHandle& config);

struct KADTrashPurgeResult {
    int removed = 0;
    int failed = 0;  // entries that were due but could not be removed whole
};

// Removes the entries of `trashFolder` older than `retentionDays` at `now`.
// An entry's age counts from the later of the time in its name (the store
// names entries "<asset key>-<unix time>-...") and its own modification
// time: moving a folder into the trash keeps the folder's old time, and an
// entry someone touched since is kept as long as a fresh one. Symbolic links
// are removed as links and never followed, at the top and below.
KADTrashPurgeResult KADPurgeTrash(const std::string& trashFolder, std::int32_t retentionDays, std::int64_t now);
