// GSOOnlineAccess: a library asset's way to the online service, as a script game object of class OnlineAccess.
#pragma once

#include <deque>
#include <list>
#include <memory>

#include "assetdb/online_access_client.h"
#include "kuid/kuid.h"
#include "script/vm/gs_game_object.h"
#include "soup/soup_handle.h"
#include "zel/pstring.h"

class TStream;

namespace GSRuntime {
class GSClass;
class GSContext;
class GSStack;
}  // namespace GSRuntime

class GSOOnlineAccess : public GSRuntime::GSGameObject, public OnlineAccessClientBase {
public:
    // Natives' integer results.
    static constexpr std::int32_t Done = 0;
    static constexpr std::int32_t NotConnected = 1;
    static constexpr std::int32_t OverBudget = 4;
    static constexpr std::int32_t NothingToCollect = 6;
    // Posts allowed while the budget, which decays by one a second, is at most this.
    static constexpr float PostBudget = 60.0f;

    explicit GSOOnlineAccess(const KUID& id);
    // Leaves the service (disconnecting it when no client is left) and saves
    // the message cache.
    ~GSOOnlineAccess() override;

    static GSRuntime::GSClass* ScriptClass();
    // The live object of the context whose identity has the same user and
    // content numbers (any version) and whose instance scripts still hold,
    // with one more reference; else a new one in the context's router. Null
    // when none can be made.
    static GSOOnlineAccess* GetOrCreate(const KUID& id, GSRuntime::GSContext* context);
    static std::size_t LiveCount();

    // The service every object talks to: the process's client unless a test
    // put another in its place (null restores the process's).
    static OnlineAccessClientEndpoint& Endpoint();
    static void UseEndpoint(OnlineAccessClientEndpoint* endpoint);

    // The script class cannot be a GameObject (its PostMessage returns int,
    // GameObject's nothing, and a script override must keep the result), so
    // the object takes an instance of it as it is: a router node whose
    // notices only native code hears.
    bool AttachScriptInstance(GSRuntime::GSClass* cls, GSRuntime::GSContext* context) override;
    void ReceiveMessage(std::unique_ptr<OnlineAccessMessage> message) override;
    // Budget decay, the service's update, then "StatusChange" and
    // "ReceiveMessage" to itself; stays scheduled.
    void Process(float dt) override;
    bool TakeMessagePending();

    std::int32_t Status() const { return status_; }
    float Budget() const { return budget_; }
    // Every post through this object or its groups counts against the budget.
    void CountPost() { budget_ += 1.0f; }
    bool IsOverBudget() const { return budget_ > PostBudget; }
    bool IsLocallyModified() const { return locallyModified_; }
    std::size_t ReceivedCount() const { return received_.size(); }

    bool NativeConnect(GSRuntime::GSStack& stack);
    bool NativeGetStatus(GSRuntime::GSStack& stack);
    bool NativeDisconnect(GSRuntime::GSStack& stack);
    bool NativeGetUsername(GSRuntime::GSStack& stack);
    bool NativeGetLocalData(GSRuntime::GSStack& stack);
    bool NativeSetLocalData(GSRuntime::GSStack& stack);
    bool NativeGetProfileData(GSRuntime::GSStack& stack);
    bool NativeSetProfileData(GSRuntime::GSStack& stack);
    bool NativePostMessage(GSRuntime::GSStack& stack);
    bool NativeCollectMessage(GSRuntime::GSStack& stack);
    // Bound with the OnlineGroup natives.
    bool NativeCreateGroup(GSRuntime::GSStack& stack);
    bool NativeOpenGroup(GSRuntime::GSStack& stack);
    bool NativePostOfflineMessage(GSRuntime::GSStack& stack);
    bool NativeCollectOfflineMessage(GSRuntime::GSStack& stack);

private:
    void LeaveService();
    void SendToSelf(const char* minor);

    std::int32_t status_ = 0;
    bool locallyModified_ = false;
    std::deque<std::unique_ptr<OnlineAccessClientEndpoint::VersionedMessage>> received_;
    bool messagePending_ = false;
    float budget_ = 0.0f;
    std::list<GSOOnlineAccess*>::iterator link_;
};

// The endpoint's stored messages in "oa_messages.dat" of the cache folder.
// Saving replaces the file whole; a file the last load could not read
// entirely (an unknown form, a damaged message) is first kept aside
// (KeepFileAside), never lost.
void SaveOnlineMessageCache();
void LoadOnlineMessageCache();
// Adds the stored messages of the bytes to the endpoint's; true when every
// message the bytes announce was read.
bool ReadStoredMessages(OnlineAccessClientEndpoint& endpoint, TStream& bytes);

// The asset's local data under the lower-cased name, kept by the daemon;
// nothing is stored and null fetched for an empty name.
void StoreOnlineLocalData(const KUID& id, const Zel::PString& name, const SoupHandle& soup);
SoupHandle FetchOnlineLocalData(const KUID& id, const Zel::PString& name);
