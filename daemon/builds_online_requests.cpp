// Builds seen and the online account: requests 240 to 242 and 253.
#include <set>

#include "foundation/streams/t_buffer.h"
#include "assetdb/protocol/kad_protocol.h"
#include "daemon/asset_store_codes.h"
#include "daemon/request_context.h"
#include "daemon/request_table.h"
#include "daemon/settings_store.h"
#include "daemon/store_connection.h"

namespace {

constexpr const char* OnlineSection = "online";

// Reply: PStr the build numbers, ascending, "\n"-joined. Every client of
// this protocol version is build 44088, so that build is always listed.
void ListBuilds(KadRequestContext& context)
{
    std::set<std::int64_t> builds{KadProtocol::Build};
    if (context.store != nullptr) {
        KadStatement query(*context.store, "SELECT number FROM build");
        while (query.Step())
            builds.insert(query.ColumnInt64(0));
    }
    std::string text;
    for (std::int64_t build : builds) {
        if (!text.empty())
            text += '\n';
        text += std::to_string(build);
    }
    context.reply.WritePString(Zel::PString(text.c_str()));
}

// Reply: Str profile name ("internet/username"); Str; Str; int16; Str; int16.
void GetOnlineProfile(KadRequestContext& context)
{
    Zel::PString name;
    if (context.store != nullptr)
        name = KadSettingsStore(*context.store).GetValue("internet", Zel::PString("username"));
    context.reply.WriteString(Zel::String(name.c_str()));
    context.reply.WriteString(Zel::String(""));
    context.reply.WriteString(Zel::String(""));
    context.reply.WriteInt16(0);
    context.reply.WriteString(Zel::String(""));
    context.reply.WriteInt16(0);
}

void ClearOnlineLoginTicket(KadRequestContext& context)
{
    if (context.store != nullptr)
        KadSettingsStore(*context.store).SetValue(OnlineSection, Zel::PString("ticket"), Zel::PString(""));
}

void GetOnlineLoginTicket(KadRequestContext& context)
{
    Zel::PString ticket;
    if (context.store != nullptr)
        ticket = KadSettingsStore(*context.store).GetValue(OnlineSection, Zel::PString("ticket"));
    context.reply.WriteString(Zel::String(ticket.c_str()));
}

}  // namespace

void KadRegisterBuildsOnlineRequests(KadRequestTable& table)
{
    table.Register(KadAssetRequestCode::ListBuilds, KadRequestLane::Fast, ListBuilds);
    table.Register(KadAssetRequestCode::GetOnlineProfile, KadRequestLane::Fast, GetOnlineProfile);
    table.Register(KadAssetRequestCode::ClearOnlineLoginTicket, KadRequestLane::Fast, ClearOnlineLoginTicket);
    table.Register(KadAssetRequestCode::GetOnlineLoginTicket, KadRequestLane::Fast, GetOnlineLoginTicket);
}
