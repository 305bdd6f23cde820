// The table of request handlers by code, filled from the request table of the link.
#include "daemon/request_table.h"

#include "assetdb/protocol/kad_requests.h"

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
// A row of lane None has no handler: its code gets the empty reply of an unknown one.
#define KAD_REGISTER_Reader(name) table.Register(KadRequestNumber(KadRequestCode::name), KadRequestLane::Reader, KadHandle##name);
#define KAD_REGISTER_Fast(name) table.Register(KadRequestNumber(KadRequestCode::name), KadRequestLane::Fast, KadHandle##name);
#define KAD_REGISTER_Long(name) table.Register(KadRequestNumber(KadRequestCode::name), KadRequestLane::Long, KadHandle##name);
#define KAD_REGISTER_None(name)
#define KAD_REQUEST(code, name, lane) KAD_REGISTER_##lane(name)
#ifndef KORVEL_TEST_HOOKS
#define KAD_TEST_HOOK_REQUEST(code, name, lane)
#endif
#include "assetdb/protocol/kad_requests.def"
#undef KAD_REGISTER_Reader
#undef KAD_REGISTER_Fast
#undef KAD_REGISTER_Long
#undef KAD_REGISTER_None
    return table;
}
