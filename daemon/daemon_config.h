// Everything kaddaemon.cfg says, read once when the daemon starts.
#pragma once

#include <cstdint>
#include <string>

#include "daemon/connection_limits.h"
#include "daemon/trash_purge.h"
#include "daemon/web_query_config.h"

// The file name inside the database folder.
constexpr const char* KADDaemonConfigFileName = "kaddaemon.cfg";

struct KADDaemonConfig {
    KADConnectionLimits limits;
    KADWebConfig web;
    // "kuid-user-id": the user id of new asset ids; -1 when none is set.
    std::int32_t localUserId = -1;
    std::int32_t trashRetentionDays = KADDefaultTrashRetentionDays;
};

// Reads "<databasePath>/kaddaemon.cfg"; a missing file keeps every
// default. The one place the file is read: a change to it takes effect at
// the next start, never half-way through a run.
KADDaemonConfig KADLoadDaemonConfig(const std::string& databasePath);
