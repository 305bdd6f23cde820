// The table of request handlers by code, and the list of request families.
#include "daemon/request_table.h"

void KadRequestTable::Register(std::int32_t code, KadRequestLane lane, KadRequestHandler handler)
{
    entries[code] = KadRequestEntry{lane, handler};
}

const KadRequestEntry* KadRequestTable::Find(std::int32_t code) const
{
    auto found = entries.find(code);
    return found != entries.end() ? &found->second : nullptr;
}

KadRequestTable KadBuildRequestTable()
{
    KadRequestTable table;
    KadRegisterLinkRequests(table);
    KadRegisterSettingsRequests(table);
    KadRegisterAssetLookupRequests(table);
    KadRegisterAssetEditRequests(table);
    KadRegisterAssetInstallRequests(table);
    KadRegisterAssetStoreRequests(table);
    KadRegisterBuildsOnlineRequests(table);
    KadRegisterWebQueryRequests(table);
    KadRegisterRepairRequests(table);
    KadRegisterCommandHostRequests(table);
#ifdef KORVEL_TEST_HOOKS
    KadRegisterTestHookRequests(table);
#endif
    return table;
}
