// Builds seen and the online account: GetOnlineProfile, ClearOnlineLoginTicket, GetOnlineLoginTicket and ListBuilds.
#include <set>

#include "foundation/streams/t_buffer.h"
#include "assetdb/protocol/kad_protocol.h"
#include "daemon/request_context.h"
#include "daemon/request_table.h"
#include "daemon/settings_store.h"
#include "daemon/store_connection.h"

namespace {

constexpr const char* OnlineSection = "online";

}  // namespace

// Reply: PStr the build numbers, ascending, "\n"-joined. Every client of
// this protocol version is build 44088, so that build is always listed.
void KADHandleListBuilds(KADRequestContext& context)
{
    std::set<std::int64_t> builds{KADProtocol::Build};
    if (context.store != nullptr) {
        KADStatement query(*context.store, "SELECT number FROM build");
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
void KADHandleGetOnlineProfile(KADRequestContext& context)
{
    Zel::PString name;
    if (context.store != nullptr)
        name = KADSettingsStore(*context.store).GetValue("internet", Zel::PString("username"));
    context.reply.WriteString(Zel::String(name.c_str()));
    context.reply.WriteString(Zel::String(""));
    context.reply.WriteString(Zel::String(""));
    context.reply.WriteInt16(0);
    context.reply.WriteString(Zel::String(""));
    context.reply.WriteInt16(0);
}

void KADHandleClearOnlineLoginTicket(KADRequestContext& context)
{
    if (context.store != nullptr)
        KADSettingsStore(*context.store).SetValue(OnlineSection, Zel::PString("ticket"), Zel::PString(""));
}

void KADHandleGetOnlineLoginTicket(KADRequestContext& context)
{
    Zel::PString ticket;
    if (context.store != nullptr)
        ticket = KADSettingsStore(*context.store).GetValue(OnlineSection, Zel::PString("ticket"));
    context.reply.WriteString(Zel::String(ticket.c_str()));
}
