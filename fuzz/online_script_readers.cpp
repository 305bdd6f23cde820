// Fuzz target: online-group user updates from the service (a full list, then the same bytes as a partial update) into a group of a router, and the OnlineAccess message cache.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "foundation/streams/t_buffer.h"
#include "script/vm/gs_router.h"
#include "foundation/base/seconds_clock.h"
#include "scripthost/gso_online_access.h"
#include "scripthost/gso_online_group.h"
#include "zel/ascii.h"

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

// Users are named, and no name is there twice in any letter case.
void CheckUsers(const GSOOnlineGroup& group)
{
    const auto& users = group.Users();
    for (std::size_t i = 0; i < users.size(); ++i) {
        Check(!users[i].name.IsEmpty());
        Check(users[i].status != GSOOnlineGroup::RemovedUser);
        for (std::size_t j = i + 1; j < users.size(); ++j)
            Check(!Zel::AsciiEqualIgnoreCase(users[i].name.View(), users[j].name.View()));
    }
}

void Updates(const uint8_t* data, size_t size)
{
    GSRuntime::GSRouter router;
    GSOOnlineGroup group(nullptr, Zel::PString(), 0);
    router.AddNode(&group);
    TBuffer full;
    full.WriteBytes(data, static_cast<std::int64_t>(size));
    full.Rewind();
    group.OnJoined(Zel::PString("cookie"), full);
    CheckUsers(group);
    Check(group.Users().size() <= size / 6);
    TBuffer partial;
    partial.WriteBytes(data, static_cast<std::int64_t>(size));
    partial.Rewind();
    group.OnUpdate(partial);
    CheckUsers(group);
    router.Step(0.01f);
    router.RemoveNode(&group);
}

// What the cache gave is saved again and then reads whole.
void Cache(const uint8_t* data, size_t size)
{
    ManualClock clock(1.0);
    OnlineAccessClientEndpoint first(OnlineAccessServiceAddress(), clock);
    TBuffer bytes;
    bytes.WriteBytes(data, static_cast<std::int64_t>(size));
    bytes.Rewind();
    ReadStoredMessages(first, bytes);
    TBuffer saved;
    first.SaveStoredMessages(saved);
    saved.Rewind();
    OnlineAccessClientEndpoint second(OnlineAccessServiceAddress(), clock);
    Check(ReadStoredMessages(second, saved));
    Check(second.StoredMessageCount() == first.StoredMessageCount());
}

}  // namespace

// The first byte picks the reader: even the group updates, odd the cache.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    if (data[0] % 2 == 0)
        Updates(data + 1, size - 1);
    else
        Cache(data + 1, size - 1);
    return 0;
}
