// Everything kaddaemon.cfg says, read once when the daemon starts.
#include "daemon/daemon_config.h"

#include "soup/soup_handle.h"
#include "zel/pstring.h"

namespace {

// Only ids of the author range make new asset ids.
constexpr std::int32_t HighestUserId = 0x1FFFFFF;

}  // namespace

KADDaemonConfig KADLoadDaemonConfig(const std::string& databasePath)
{
    SoupHandle soup;
    std::string path = databasePath + "/" + KADDaemonConfigFileName;
    // A file that is not there reads as an empty soup: every default.
    if (!soup.LoadFromFile(Zel::PString(), path.c_str(), "txt"))
        soup = SoupHandle();
    KADDaemonConfig config;
    config.limits = KADConnectionLimitsFrom(soup);
    config.web = KADWebConfigFrom(soup);
    config.trashRetentionDays = KADTrashRetentionDaysFrom(soup);
    std::int32_t user = soup.GetNamedTagAsInt(Zel::PString("kuid-user-id"), -1);
    config.localUserId = user >= 0 && user <= HighestUserId ? user : -1;
    return config;
}
