// The packet types of the online-access service and the start of every packet the client builds.
#pragma once

#include <cstdint>
#include <memory>

#include "assetdb/net/tme_endpoint.h"
#include "zel/pstring.h"

enum OnlineAccessPacketType : std::uint8_t {
    OnlinePacketHello = 0,
    OnlinePacketLoginChallenge = 1,
    OnlinePacketLoginAnswer = 2,
    OnlinePacketLoginResult = 3,
    OnlinePacketMessage = 10,
    OnlinePacketVersionedMessage = 11,
    // From the service: group created, opened, closed, updated, message.
    OnlinePacketGroupCreated = 20,
    OnlinePacketGroupOpened = 21,
    OnlinePacketGroupClosed = 22,
    OnlinePacketGroupUpdate = 23,
    OnlinePacketGroupMessage = 24,
    // From the client, sharing numbers with the service's: leave, member change, flags, create, open.
    OnlinePacketLeaveGroup = 22,
    OnlinePacketGroupUserChange = 23,
    OnlinePacketGroupModeFlags = 25,
    OnlinePacketUserModeFlags = 26,
    OnlinePacketCreateGroup = 27,
    OnlinePacketOpenGroup = 28,
};

// A packet holding its type byte and, when given, the group cookie.
inline std::unique_ptr<TMEPacket> NewOnlinePacket(OnlineAccessPacketType type, const Zel::PString* cookie = nullptr)
{
    auto packet = std::make_unique<TMEPacket>();
    packet->WriteUInt8(type);
    if (cookie != nullptr)
        packet->WritePString(*cookie);
    return packet;
}
