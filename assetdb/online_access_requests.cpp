// OnlineAccessClientEndpoint: the packets a client sends, posts with their budgets and the group requests.
#include "assetdb/online_access_client.h"

#include "assetdb/online_access_packets.h"

namespace {

constexpr std::uint8_t AddUser = 0;
constexpr std::uint8_t RemoveUser = 255;

}  // namespace

std::int32_t OnlineAccessClientEndpoint::Post(std::unique_ptr<TMEPacket>& packet)
{
    double size = static_cast<double>(packet->DataLength());
    // The post's own size counts only after the test: one post may take a
    // counter over its budget, and the next waits for it to decay.
    if (hourBytes_ > perHourBudget_ || minuteBytes_ > perMinuteBudget_ || size > largestMessage_)
        return OnlinePostOverBudget;
    if (!Queue(packet))
        return OnlinePostOverBudget;
    hourBytes_ += size;
    minuteBytes_ += size;
    return OnlinePostSent;
}

std::int32_t OnlineAccessClientEndpoint::PostUserMessage(const KUID& sender, const std::string& recipient,
                                                         const SoupHandle& soup, bool flag)
{
    if (state_ != OnlineConnected)
        return OnlinePostNotConnected;
    VersionedMessage message;
    message.assetId = sender;
    message.text = recipient;
    message.soup = soup;
    message.version = 1;
    message.flag = flag ? 1 : 0;
    std::unique_ptr<TMEPacket> packet = NewOnlinePacket(OnlinePacketVersionedMessage);
    message.Write(*packet);
    return Post(packet);
}

std::int32_t OnlineAccessClientEndpoint::PostGroupMessage(const KUID& sender, const Zel::PString& cookie,
                                                          const SoupHandle& soup)
{
    if (state_ != OnlineConnected)
        return OnlinePostNotConnected;
    OnlineGroupMessage message;
    message.sender = sender;
    message.cookie = cookie;
    message.soup = soup;
    std::unique_ptr<TMEPacket> packet = NewOnlinePacket(OnlinePacketGroupMessage);
    message.Write(*packet);
    return Post(packet);
}

bool OnlineAccessClientEndpoint::SendCreateGroup(std::int32_t mode)
{
    std::unique_ptr<TMEPacket> packet = NewOnlinePacket(OnlinePacketCreateGroup);
    packet->WriteInt32(mode);
    return Queue(packet);
}

bool OnlineAccessClientEndpoint::SendOpenGroup(const Zel::PString& cookie, std::int32_t mode)
{
    std::unique_ptr<TMEPacket> packet = NewOnlinePacket(OnlinePacketOpenGroup, &cookie);
    packet->WriteInt32(mode);
    return Queue(packet);
}

bool OnlineAccessClientEndpoint::SendLeaveGroup(const Zel::PString& cookie)
{
    std::unique_ptr<TMEPacket> packet = NewOnlinePacket(OnlinePacketLeaveGroup, &cookie);
    return Queue(packet);
}

bool OnlineAccessClientEndpoint::SendGroupUserChange(const Zel::PString& cookie, bool remove,
                                                     const Zel::PString& userName)
{
    std::unique_ptr<TMEPacket> packet = NewOnlinePacket(OnlinePacketGroupUserChange, &cookie);
    packet->WriteUInt8(remove ? RemoveUser : AddUser);
    packet->WritePString(userName);
    return Queue(packet);
}

void OnlineAccessClientEndpoint::SendSetModeFlags(const Zel::PString& cookie, std::int32_t first, std::int32_t second)
{
    std::unique_ptr<TMEPacket> packet = NewOnlinePacket(OnlinePacketGroupModeFlags, &cookie);
    packet->WriteInt32(first);
    packet->WriteInt32(second);
    Queue(packet);
}

void OnlineAccessClientEndpoint::SendSetUserModeFlags(const Zel::PString& cookie, const Zel::PString& userName,
                                                      std::int32_t first, std::int32_t second)
{
    std::unique_ptr<TMEPacket> packet = NewOnlinePacket(OnlinePacketUserModeFlags, &cookie);
    packet->WritePString(userName);
    packet->WriteInt32(first);
    packet->WriteInt32(second);
    Queue(packet);
}
