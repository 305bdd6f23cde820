// The build list and the online account's state kept by the daemon (GetOnlineProfile, ClearOnlineLoginTicket, GetOnlineLoginTicket and ListBuilds).
#include "assetdb/kad_client.h"

#include "assetdb/kad_request_buffers.h"

Zel::PString KADClient::ListBuilds()
{
    KADRequestBuffers buffers;
    if (!buffers.Send(KADRequestCode::ListBuilds))
        return Zel::PString();
    return buffers.reply.ReadPString();
}

Zel::String KADClient::GetOnlineProfile()
{
    KADRequestBuffers buffers;
    if (!buffers.Send(KADRequestCode::GetOnlineProfile))
        return Zel::String();
    Zel::String profile = buffers.reply.ReadString();
    // The other fields are the daemon's; they are read and dropped.
    buffers.reply.ReadString();
    buffers.reply.ReadString();
    buffers.reply.ReadInt16(0);
    buffers.reply.ReadString();
    buffers.reply.ReadInt16(0);
    return profile;
}

void KADClient::ClearOnlineLoginTicket()
{
    KADRequestBuffers buffers;
    buffers.Send(KADRequestCode::ClearOnlineLoginTicket);
}

Zel::String KADClient::GetOnlineLoginTicket()
{
    KADRequestBuffers buffers;
    if (!buffers.Send(KADRequestCode::GetOnlineLoginTicket))
        return Zel::String();
    return buffers.reply.ReadString();
}
