// OnlineAccessClientEndpoint: connecting and logging in, the packet handler, budgets, clients and the message store.
#include "assetdb/online_access_client.h"

#include <algorithm>

#include "assetdb/kad_client.h"
#include "assetdb/kad_web_query.h"
#include "assetdb/online_access_packets.h"
#include "assetdb/protocol/kad_protocol.h"
#include "foundation/base/logging.h"

namespace {

constexpr const char* ProgramName = "KorvelUtil";
constexpr double ReconnectDelay = 10.0;
constexpr double ReconnectTimerFloor = -10.0;

}  // namespace

OnlineAccessClientEndpoint& OnlineAccessClientEndpoint::Instance()
{
    static OnlineAccessClientEndpoint client;
    return client;
}

OnlineAccessClientEndpoint::OnlineAccessClientEndpoint(OnlineAccessServiceAddress address, SecondsClock& clock)
    : TMEEndpoint(clock), address_(std::move(address))
{}

OnlineAccessClientEndpoint::~OnlineAccessClientEndpoint()
{
    CloseLoginQuery();
    Close();
}

void OnlineAccessClientEndpoint::CloseLoginQuery()
{
    if (pendingLogin_ == nullptr)
        return;
    KADWebQuery::Delete(pendingLogin_);
    pendingLogin_ = nullptr;
}

bool OnlineAccessClientEndpoint::Connect(bool force)
{
    if (!force && (state_ == OnlineConnecting || state_ == OnlineConnected))
        return false;
    Zel::String profile = KADClient::GetOnlineProfile();
    if (profile.Size() == 0) {
        LogMessage("OnlineAccessClientEndpoint::Connect> empty profile name");
        state_ = OnlineNoProfile;
        return false;
    }
    Disconnect();
    state_ = OnlineConnecting;
    Zel::String ticket = KADClient::GetOnlineLoginTicket();
    if (ticket.Size() == 0) {
        URL login;
        login.Parse(address_.loginUrl.c_str());
        pendingLogin_ = KADWebQuery::Start(login, KADWebQueryModePage);
        return false;
    }
    socket_.Open();
    socket_.AddPeer(address_.host.c_str(), address_.port, peer_);
    Attach(peer_);
    state_ = OnlineConnecting;
    std::unique_ptr<TMEPacket> hello = NewOnlinePacket(OnlinePacketHello);
    hello->WriteString(profile);
    hello->WriteString(Zel::AnsiString(ProgramName));
    hello->WriteFloat(0.0f);
    hello->WriteInt32(0);
    hello->WriteUInt8(0);
    Queue(hello);
    return true;
}

void OnlineAccessClientEndpoint::Disconnect()
{
    CloseLoginQuery();
    Close();
    UDPSocket::RemovePeer(peer_);
    state_ = OnlineDisconnected;
}

void OnlineAccessClientEndpoint::Reset()
{
    if (state_ == OnlineConnecting || state_ == OnlineConnected)
        state_ = OnlineConnectionLost;
}

void OnlineAccessClientEndpoint::Update()
{
    double now = clock_.Now();
    double elapsed = now - lastUpdate_;
    hourBytes_ = std::max(0.0, hourBytes_ - elapsed / 3600.0 * perHourBudget_);
    minuteBytes_ = std::max(0.0, minuteBytes_ - elapsed / 60.0 * perMinuteBudget_);
    lastUpdate_ = now;
    reconnectTimer_ -= elapsed;
    if (reconnectTimer_ < ReconnectTimerFloor)
        reconnectTimer_ = 0.0;

    socket_.Poll();
    TMEEndpoint::Update();

    if (pendingLogin_ == nullptr)
        return;
    // A query the daemon never took, or a daemon that stopped answering,
    // will never complete: it counts as a failed login.
    bool unusable = pendingLogin_->handleFirst == -1 && pendingLogin_->handleSecond == -1;
    if (!unusable && !pendingLogin_->IsComplete()) {
        if (!pendingLogin_->LastStatusFailed())
            return;
        unusable = true;
    }
    std::uint32_t result = unusable ? 1 : pendingLogin_->GetResultCode();
    CloseLoginQuery();
    if (state_ != OnlineConnecting)
        return;
    if (result == 0 && reconnectTimer_ <= 0.0) {
        if (!Connect(true))
            reconnectTimer_ = ReconnectDelay;
    } else {
        Disconnect();
    }
}

bool OnlineAccessClientEndpoint::Queue(std::unique_ptr<TMEPacket>& packet)
{
    if (Send(packet))
        return true;
    packet.reset();
    return false;
}

void OnlineAccessClientEndpoint::QueueLeave(const Zel::PString& cookie)
{
    SendLeaveGroup(cookie);
}

OnlineAccessClientEndpoint::OnlineGroup* OnlineAccessClientEndpoint::FindGroup(const Zel::PString& cookie)
{
    for (OnlineGroup* group : groups_)
        if (group->MatchesCookie(cookie))
            return group;
    return nullptr;
}

void OnlineAccessClientEndpoint::HandleMessage(std::unique_ptr<Message> message)
{
    for (OnlineAccessClientBase* client : clients_) {
        if (client->assetId == message->assetId) {
            client->ReceiveMessage(std::move(message));
            return;
        }
    }
    LogMessage("OnlineAccessClientEndpoint::HandlePacket> Storing iKorvel message for %s",
               message->assetId.ToTagString().c_str());
    stored_.push_back(std::move(message));
}

void OnlineAccessClientEndpoint::Deliver(TMEPacket& packet)
{
    std::uint8_t type = packet.ReadUInt8();
    if (packet.HasError())
        return;
    switch (type) {
    case OnlinePacketLoginChallenge: {
        Zel::String error = packet.ReadString();
        packet.ReadString();
        if (packet.HasError())
            return;
        if (error.Size() != 0) {
            state_ = OnlineRejected;
            return;
        }
        std::unique_ptr<TMEPacket> answer = NewOnlinePacket(OnlinePacketLoginAnswer);
        answer->WriteString(KADClient::GetOnlineLoginTicket());
        Queue(answer);
        return;
    }
    case OnlinePacketLoginResult: {
        Zel::String error = packet.ReadString();
        std::uint32_t largest = packet.ReadUInt32();
        float keepAlive = packet.ReadFloat();
        // A refusal needs only its text; a success must be whole.
        if (error.Size() != 0) {
            state_ = OnlineRejected;
            KADClient::ClearOnlineLoginTicket();
            return;
        }
        if (packet.HasError())
            return;
        largestMessage_ = static_cast<float>(largest);
        if (keepAlive > 0.0f)
            SetKeepAliveInterval(keepAlive);
        state_ = OnlineConnected;
        return;
    }
    case OnlinePacketMessage:
    case OnlinePacketVersionedMessage: {
        std::unique_ptr<Message> message =
            type == OnlinePacketMessage ? std::make_unique<Message>() : std::make_unique<VersionedMessage>();
        if (message->Read(packet))
            HandleMessage(std::move(message));
        return;
    }
    case OnlinePacketGroupCreated:
    case OnlinePacketGroupOpened:
    case OnlinePacketGroupClosed:
    case OnlinePacketGroupUpdate: {
        Zel::PString cookie = packet.ReadPString();
        if (packet.HasError())
            return;
        OnlineGroup* group = nullptr;
        if (type == OnlinePacketGroupCreated) {
            auto waiting = std::find_if(groups_.begin(), groups_.end(),
                                        [](OnlineGroup* candidate) { return candidate->IsAwaitingCreate(); });
            group = waiting != groups_.end() ? *waiting : nullptr;
        } else {
            group = FindGroup(cookie);
        }
        if (group == nullptr) {
            if (type != OnlinePacketGroupClosed)
                QueueLeave(cookie);
            return;
        }
        if (type == OnlinePacketGroupClosed)
            group->OnClosed();
        else if (type == OnlinePacketGroupUpdate)
            group->OnUpdate(packet);
        else
            group->OnJoined(cookie, packet);
        return;
    }
    case OnlinePacketGroupMessage: {
        auto message = std::make_unique<OnlineGroupMessage>();
        if (!message->Read(packet))
            return;
        if (OnlineGroup* group = FindGroup(message->cookie))
            group->OnMessage(std::move(message));
        else
            QueueLeave(message->cookie);
        return;
    }
    default:
        return;
    }
}

void OnlineAccessClientEndpoint::AddClient(OnlineAccessClientBase* client)
{
    if (std::find(clients_.begin(), clients_.end(), client) == clients_.end())
        clients_.push_back(client);
    for (auto it = stored_.begin(); it != stored_.end();) {
        const KUID& id = (*it)->assetId;
        if (id.user != client->assetId.user || id.content != client->assetId.content) {
            ++it;
            continue;
        }
        LogMessage("OnlineAccessClientEndpoint::AddClient> replaying stored message for %s", id.ToTagString().c_str());
        std::unique_ptr<Message> message = std::move(*it);
        it = stored_.erase(it);
        client->ReceiveMessage(std::move(message));
    }
}

void OnlineAccessClientEndpoint::RemoveClient(OnlineAccessClientBase* client)
{
    clients_.erase(std::remove(clients_.begin(), clients_.end(), client), clients_.end());
    // From the last registered to the first: a group may leave the list during its call.
    for (std::size_t index = groups_.size(); index > 0; --index)
        if (index - 1 < groups_.size())
            groups_[index - 1]->OnClientRemoved(client);
}

void OnlineAccessClientEndpoint::AddGroup(OnlineGroup* group)
{
    if (std::find(groups_.begin(), groups_.end(), group) == groups_.end())
        groups_.push_back(group);
}

void OnlineAccessClientEndpoint::RemoveGroup(OnlineGroup* group)
{
    groups_.erase(std::remove(groups_.begin(), groups_.end(), group), groups_.end());
}

void OnlineAccessClientEndpoint::SaveStoredMessages(TStream& stream) const
{
    stream.WriteInt32(1);
    stream.WriteInt32(static_cast<std::int32_t>(stored_.size()));
    for (const auto& message : stored_)
        WriteVersionedForm(*message, stream);
}

void OnlineAccessClientEndpoint::LoadStoredMessages(TStream& stream)
{
    if (stream.ReadInt32() != 1 || stream.HasError())
        return;
    std::int32_t count = std::max<std::int32_t>(0, stream.ReadInt32());
    stored_.clear();
    for (std::int32_t index = 0; index < count && !stream.HasError() && !stream.Eof(); ++index) {
        auto message = std::make_unique<VersionedMessage>();
        if (!message->Read(stream))
            break;
        stored_.push_back(std::move(message));
    }
}
