// The table of request handlers by code, filled from the request table of the link.
#include "daemon/request_table.h"

#include "assetdb/protocol/kad_requests.h"

void KADRequestTable::Register(std::int32_t code, KADRequestLane lane, KADRequestHandler handler)
{
    entries[code] = KADRequestEntry{lane, handler};
}

const KADRequestEntry* KADRequestTable::Find(std::int32_t code) const
{
    auto found = entries.find(code);
    return found != entries.end() ? &found->second : nullptr;
}

KADRequestTable KADBuildRequestTable()
{
    KADRequestTable table;
// A row of lane None has no handler: its code gets the empty reply of an unknown one.
#define KAD_REGISTER_Reader(name)                                                                                      \
    table.Register(KADRequestNumber(KADRequestCode::name), KADRequestLane::Reader, KADHandle##name);
#define KAD_REGISTER_Inline(name)                                                                                      \
    table.Register(KADRequestNumber(KADRequestCode::name), KADRequestLane::Inline, KADHandle##name);
#define KAD_REGISTER_Fast(name)                                                                                        \
    table.Register(KADRequestNumber(KADRequestCode::name), KADRequestLane::Fast, KADHandle##name);
#define KAD_REGISTER_Long(name)                                                                                        \
    table.Register(KADRequestNumber(KADRequestCode::name), KADRequestLane::Long, KADHandle##name);
#define KAD_REGISTER_None(name)
#define KAD_REQUEST(code, name, lane) KAD_REGISTER_##lane(name)
#ifndef KORVEL_TEST_HOOKS
#define KAD_TEST_HOOK_REQUEST(code, name, lane)
#endif
#include "assetdb/protocol/kad_requests.def"
#undef KAD_REGISTER_Reader
#undef KAD_REGISTER_Inline
#undef KAD_REGISTER_Fast
#undef KAD_REGISTER_Long
#undef KAD_REGISTER_None
    return table;
}
