// GSOOnlineGroup: one group of users of the online service, as a script game object of class OnlineGroup.
#pragma once

#include <deque>
#include <memory>
#include <vector>

#include "assetdb/online_access_client.h"
#include "script/vm/gs_game_object.h"
#include "zel/pstring.h"

class GSOOnlineAccess;
class TStream;

namespace GSRuntime {
class GSClass;
class GSContext;
class GSStack;
}  // namespace GSRuntime

class GSOOnlineGroup : public GSRuntime::GSGameObject, public OnlineAccessClientEndpoint::OnlineGroup {
public:
    enum Status : std::int32_t { Idle = 0, Connecting = 1, Joined = 2, Closed = 3 };
    // The status byte of an update entry that removes the user.
    static constexpr std::uint8_t RemovedUser = 255;

    struct User {
        Zel::PString name;
        std::int32_t status = 0;
    };

    // Holds one reference on the owner's script instance until it is closed.
    GSOOnlineGroup(GSOOnlineAccess* owner, const Zel::PString& cookie, std::int32_t mode);
    ~GSOOnlineGroup() override;

    static GSRuntime::GSClass* ScriptClass();
    // A new group in the owner's context and router that has sent its create
    // (no cookie) or open request; null when none can be made.
    static GSOOnlineGroup* Create(GSOOnlineAccess* owner, const Zel::PString& cookie, std::int32_t mode);

    // As OnlineAccess: the script class is no GameObject.
    bool AttachScriptInstance(GSRuntime::GSClass* cls, GSRuntime::GSContext* context) override;

    bool IsAwaitingCreate() override;
    void OnJoined(const Zel::PString& cookie, TStream& rest) override;
    void OnUpdate(TStream& rest) override;
    void OnClosed() override;
    void OnClientRemoved(OnlineAccessClientBase* client) override;
    bool MatchesCookie(const Zel::PString& cookie) override;
    void OnMessage(std::unique_ptr<OnlineGroupMessage> message) override;

    // The script threads, then "ReceiveMessage" when messages came; stays scheduled.
    void Process(float dt) override;

    // Sends the create or open request once, from idle.
    void Connect();
    void SetStatus(std::int32_t status);
    // u16 count, then {PString name, status byte} per user; a full list
    // replaces the users. Reading stops at the first entry the stream cannot
    // give whole (a short read, a name too long or empty): the entries before
    // it stay applied.
    void ApplyUserUpdate(TStream& stream, bool full);

    std::int32_t GetStatus() const { return status_; }
    const std::vector<User>& Users() const { return users_; }
    GSOOnlineAccess* Owner() const { return owner_; }
    const Zel::PString& Cookie() const { return cookie_; }
    std::size_t QueuedCount() const { return messages_.size(); }

    bool NativeConnect(GSRuntime::GSStack& stack);
    bool NativeGetStatus(GSRuntime::GSStack& stack);
    bool NativeDisconnect(GSRuntime::GSStack& stack);
    bool NativeGetOnlineGroupCookie(GSRuntime::GSStack& stack);
    bool NativeAddUser(GSRuntime::GSStack& stack);
    bool NativeRemoveUser(GSRuntime::GSStack& stack);
    bool NativeCountUsers(GSRuntime::GSStack& stack);
    bool NativeGetIndexedUser(GSRuntime::GSStack& stack);
    bool NativeFindUser(GSRuntime::GSStack& stack);
    bool NativeGetUserStatus(GSRuntime::GSStack& stack);
    bool NativePostMessage(GSRuntime::GSStack& stack);
    bool NativeCollectMessage(GSRuntime::GSStack& stack);
    bool NativeSetModeFlags(GSRuntime::GSStack& stack);
    bool NativeSetUserModeFlags(GSRuntime::GSStack& stack);

private:
    // Posted to itself through its router, delivered at the router's next step.
    void Post(const char* major, const char* minor);
    // Index of the user of exactly this interned name, or -1.
    int FindUser(const Zel::PString& name) const;
    const User* UserAt(std::int32_t index) const;

    std::int32_t status_ = Idle;
    GSOOnlineAccess* owner_ = nullptr;
    Zel::PString cookie_;
    std::vector<User> users_;
    std::deque<std::unique_ptr<OnlineGroupMessage>> messages_;
    bool messagePending_ = false;
    std::int32_t mode_ = 0;
};
