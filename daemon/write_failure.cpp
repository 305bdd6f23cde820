// Telling a full disk from other write failures of the store.
#include "daemon/write_failure.h"

#include <sys/statvfs.h>

#include <cstdint>
#include <string>

#include "daemon/asset_store.h"

namespace {

// Below this a failed write is put down to the full disk: a copy or an index
// page needs more than the little that is left.
constexpr std::uint64_t NearlyFullBytes = 1024 * 1024;

bool IsNearlyFull(const std::string& folder)
{
    struct statvfs info {};
    if (statvfs(folder.c_str(), &info) != 0)
        return false;
    return static_cast<std::uint64_t>(info.f_bavail) * info.f_frsize < NearlyFullBytes;
}

}  // namespace

bool KADStoreDiskIsFull(const KADAssetStore& store)
{
    return IsNearlyFull(store.DatabasePath()) || IsNearlyFull(store.UserDataRoot());
}
