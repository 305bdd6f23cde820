// OnlineAccessClientEndpoint: the client of the online-access service (login, user and group messages) over reliable UDP messages.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "assetdb/net/tme_endpoint.h"
#include "assetdb/net/udp_socket.h"
#include "assetdb/online_access_messages.h"

class KADWebQuery;
class OnlineAccessClientBase;

// Where the service is: deployment configuration. The port is the
// service's fixed 5250 unless a test binds its own stand-in elsewhere.
struct OnlineAccessServiceAddress {
    std::string host = "online.korvel.invalid";
    std::uint16_t port = 5250;
    // Opened as a web query when the daemon holds no login ticket.
    std::string loginUrl = "https://online.korvel.invalid/login";
};

enum OnlineAccessState : std::int32_t {
    OnlineNoProfile = 0,
    OnlineDisconnected = 1,
    OnlineRejected = 3,
    OnlineConnectionLost = 5,
    OnlineConnecting = 6,
    OnlineConnected = 7,
};

enum OnlinePostResult : std::int32_t {
    OnlinePostSent = 0,
    OnlinePostNotConnected = 1,
    // Over the minute's or hour's budget, larger than the service takes, or refused by a full queue.
    OnlinePostOverBudget = 4,
};

class OnlineAccessClientEndpoint : public TMEEndpoint {
public:
    using Message = OnlineAccessMessage;
    using VersionedMessage = OnlineAccessVersionedMessage;

    // A shared group the script host takes part in.
    class OnlineGroup {
    public:
        virtual ~OnlineGroup() = default;
        virtual bool IsAwaitingCreate() = 0;
        // The stream stands after the cookie: the rest is the group's.
        virtual void OnJoined(const Zel::PString& cookie, TStream& rest) = 0;
        virtual void OnUpdate(TStream& rest) = 0;
        virtual void OnClosed() = 0;
        virtual void OnClientRemoved(OnlineAccessClientBase* client) = 0;
        virtual bool MatchesCookie(const Zel::PString& cookie) = 0;
        virtual void OnMessage(std::unique_ptr<OnlineGroupMessage> message) = 0;
    };

    // The process's client, made on first use with the deployment's address.
    static OnlineAccessClientEndpoint& Instance();

    explicit OnlineAccessClientEndpoint(OnlineAccessServiceAddress address = OnlineAccessServiceAddress(),
                                        SecondsClock& clock = ApplicationSecondsClock());
    ~OnlineAccessClientEndpoint() override;

    // True when a hello was sent. Without force, a client connecting or
    // connected already gives false at once.
    bool Connect(bool force);
    // Any pending login query closed, the channel closed, state 1.
    void Disconnect();
    // Budgets, reconnect timer, one datagram, the reliable layer, the login query.
    void Update() override;

    std::int32_t GetState() const { return state_; }
    bool HasClients() const { return !clients_.empty(); }

    // Registers the client and hands it the stored messages for its user and
    // content numbers (any version), oldest first.
    void AddClient(OnlineAccessClientBase* client);
    void RemoveClient(OnlineAccessClientBase* client);
    void AddGroup(OnlineGroup* group);
    void RemoveGroup(OnlineGroup* group);

    std::int32_t PostUserMessage(const KUID& sender, const std::string& recipient, const SoupHandle& soup, bool flag);
    std::int32_t PostGroupMessage(const KUID& sender, const Zel::PString& cookie, const SoupHandle& soup);
    bool SendCreateGroup(std::int32_t mode);
    bool SendOpenGroup(const Zel::PString& cookie, std::int32_t mode);
    bool SendLeaveGroup(const Zel::PString& cookie);
    bool SendGroupUserChange(const Zel::PString& cookie, bool remove, const Zel::PString& userName);
    void SendSetModeFlags(const Zel::PString& cookie, std::int32_t first, std::int32_t second);
    void SendSetUserModeFlags(const Zel::PString& cookie, const Zel::PString& userName, std::int32_t first,
                              std::int32_t second);

    // int32 1, int32 count, each stored message in the versioned form.
    void SaveStoredMessages(TStream& stream) const;
    // Anything but format 1 leaves the store as it is; reading stops at the
    // first damaged or missing message.
    void LoadStoredMessages(TStream& stream);
    std::size_t StoredMessageCount() const { return stored_.size(); }
    float LargestMessage() const { return largestMessage_; }
    bool HasPendingLogin() const { return pendingLogin_ != nullptr; }
    // The UDP socket's descriptor (-1 when none), for a caller that waits for datagrams.
    int SocketHandle() const { return socket_.Handle(); }

protected:
    void Deliver(TMEPacket& packet) override;
    void Reset() override;

private:
    // Queues the packet; a refused one is freed. True when queued.
    bool Queue(std::unique_ptr<TMEPacket>& packet);
    std::int32_t Post(std::unique_ptr<TMEPacket>& packet);
    void QueueLeave(const Zel::PString& cookie);
    void HandleMessage(std::unique_ptr<Message> message);
    OnlineGroup* FindGroup(const Zel::PString& cookie);
    void CloseLoginQuery();

    OnlineAccessServiceAddress address_;
    std::vector<OnlineGroup*> groups_;
    float largestMessage_ = 32000.0f;
    float perMinuteBudget_ = 64000.0f;
    float perHourBudget_ = 500000.0f;
    double reconnectTimer_ = 0.0;
    std::int32_t state_ = OnlineDisconnected;
    UDPPeer peer_;
    UDPSocket socket_;
    double lastUpdate_ = 0.0;
    double hourBytes_ = 0.0;
    double minuteBytes_ = 0.0;
    KADWebQuery* pendingLogin_ = nullptr;
    std::vector<std::unique_ptr<Message>> stored_;
    std::vector<OnlineAccessClientBase*> clients_;
};

// A client of the service (the script host's OnlineAccess object), known by its asset id.
class OnlineAccessClientBase {
public:
    explicit OnlineAccessClientBase(const KUID& id) : assetId(id) {}
    virtual ~OnlineAccessClientBase() = default;
    virtual void ReceiveMessage(std::unique_ptr<OnlineAccessMessage> message) = 0;

    KUID assetId;
};
