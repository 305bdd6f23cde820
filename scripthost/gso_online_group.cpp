// GSOOnlineGroup: the group's states, what the service tells it (joined, user updates, closed, messages) and its notices.
#include "scripthost/gso_online_group.h"

#include <algorithm>

#include "foundation/streams/t_stream.h"
#include "script/vm/gs_context.h"
#include "script/vm/gs_router.h"
#include "script/vm/script_instance.h"
#include "scripthost/gso_online_access.h"
#include "scripthost/native_library_setup.h"
#include "scripthost/native_objects.h"
#include "zel/ascii.h"

GSOOnlineGroup::GSOOnlineGroup(GSOOnlineAccess* owner, const Zel::PString& cookie, std::int32_t mode)
    : owner_(owner), cookie_(cookie), mode_(mode)
{
    if (owner_ != nullptr) {
        GSRuntime::GSScriptInstance::AddReference(owner_->GetScriptInstance());
        GSOOnlineAccess::Endpoint().AddGroup(this);
    }
}

GSOOnlineGroup::~GSOOnlineGroup()
{
    OnClosed();
    messages_.clear();
    users_.clear();
}

GSRuntime::GSClass* GSOOnlineGroup::ScriptClass()
{
    return GetNativeScriptClass(NativeScriptClass::OnlineGroup);
}

GSOOnlineGroup* GSOOnlineGroup::Create(GSOOnlineAccess* owner, const Zel::PString& cookie, std::int32_t mode)
{
    if (owner == nullptr)
        return nullptr;
    GSRuntime::GSContext* context = owner->GetContext();
    GSOOnlineGroup* group = MakeNativeObject<GSOOnlineGroup>(ScriptClass(), context, owner, cookie, mode);
    if (group == nullptr)
        return nullptr;
    if (context != nullptr && context->Router() != nullptr)
        context->Router()->AddNode(group);
    group->Schedule();
    group->Connect();
    return group;
}

bool GSOOnlineGroup::AttachScriptInstance(GSRuntime::GSClass* cls, GSRuntime::GSContext* context)
{
    ReleaseScriptResources();
    return GSObject::AttachScriptInstance(cls, context);
}

bool GSOOnlineGroup::IsAwaitingCreate()
{
    return status_ == Connecting && cookie_.IsEmpty();
}

void GSOOnlineGroup::OnJoined(const Zel::PString& cookie, TStream& rest)
{
    cookie_ = cookie;
    SetStatus(Joined);
    ApplyUserUpdate(rest, true);
}

void GSOOnlineGroup::OnUpdate(TStream& rest)
{
    ApplyUserUpdate(rest, false);
}

void GSOOnlineGroup::OnClosed()
{
    SetStatus(Closed);
    if (owner_ == nullptr)
        return;
    GSOOnlineAccess::Endpoint().RemoveGroup(this);
    GSOOnlineAccess* owner = owner_;
    owner_ = nullptr;
    GSRuntime::GSScriptInstance::Release(owner->GetScriptInstance());
}

void GSOOnlineGroup::OnClientRemoved(OnlineAccessClientBase* client)
{
    if (owner_ != nullptr && client == static_cast<OnlineAccessClientBase*>(owner_))
        OnClosed();
}

bool GSOOnlineGroup::MatchesCookie(const Zel::PString& cookie)
{
    return cookie == cookie_;
}

void GSOOnlineGroup::OnMessage(std::unique_ptr<OnlineGroupMessage> message)
{
    messagePending_ = true;
    messages_.push_back(std::move(message));
    // The notice goes out from the next processing step.
    Schedule();
}

void GSOOnlineGroup::Process(float dt)
{
    GSGameObject::Process(dt);
    if (messagePending_) {
        messagePending_ = false;
        Post("OnlineGroup", "ReceiveMessage");
    }
    Schedule();
}

void GSOOnlineGroup::Connect()
{
    if (owner_ == nullptr || status_ != Idle)
        return;
    // No notice: the script asked for this change itself.
    status_ = Connecting;
    if (!cookie_.IsEmpty())
        GSOOnlineAccess::Endpoint().SendOpenGroup(cookie_, mode_);
    else
        GSOOnlineAccess::Endpoint().SendCreateGroup(mode_);
}

void GSOOnlineGroup::SetStatus(std::int32_t status)
{
    if (status == status_)
        return;
    status_ = status;
    Post("OnlineGroup", "StatusChange");
}

void GSOOnlineGroup::Post(const char* major, const char* minor)
{
    GSRuntime::GSRouter* router = RouterOf();
    if (router == nullptr)
        return;
    if (GSRuntime::GSMessage* message = RequestMessage(major, minor, Id(), 0))
        router->QueueMessage(message);
}

void GSOOnlineGroup::ApplyUserUpdate(TStream& stream, bool full)
{
    bool changed = false;
    if (full && !users_.empty()) {
        users_.clear();
        changed = true;
    }
    const std::uint16_t count = stream.ReadUInt16(0);
    for (std::uint32_t entry = 0; entry < count && !stream.HasError(); ++entry) {
        const Zel::PString name = stream.ReadPString();
        const std::uint8_t status = stream.ReadUInt8(0);
        // The service's data is not trusted: an entry it could not give
        // whole ends the update, keeping what came before it.
        if (stream.HasError() || name.IsEmpty())
            break;
        auto known = std::find_if(users_.begin(), users_.end(),
                                  [&](const User& user) { return Zel::AsciiEqualIgnoreCase(user.name.View(), name.View()); });
        if (status == RemovedUser) {
            if (known == users_.end())
                continue;
            users_.erase(known);
            Post("OnlineGroup.UserRemoved", name.c_str());
        } else if (known == users_.end()) {
            users_.push_back(User{name, status});
            Post("OnlineGroup.UserAdded", name.c_str());
        } else if (known->status != status) {
            known->status = status;
            Post("OnlineGroup.UserStatus", name.c_str());
        } else {
            continue;
        }
        changed = true;
    }
    if (changed)
        Post("OnlineGroup", "UsersChange");
}

int GSOOnlineGroup::FindUser(const Zel::PString& name) const
{
    for (std::size_t index = 0; index < users_.size(); ++index) {
        if (users_[index].name == name)
            return static_cast<int>(index);
    }
    return -1;
}

const GSOOnlineGroup::User* GSOOnlineGroup::UserAt(std::int32_t index) const
{
    if (index < 0 || static_cast<std::size_t>(index) >= users_.size())
        return nullptr;
    return &users_[static_cast<std::size_t>(index)];
}
