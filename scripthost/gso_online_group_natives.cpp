// The natives of OnlineGroup, and OnlineAccess's CreateGroup and OpenGroup that make groups.
#include "script/vm/gs_stack.h"
#include "script/vm/gs_string.h"
#include "script/vm/native_function.h"
#include "scripthost/gso_online_access.h"
#include "scripthost/gso_online_group.h"
#include "scripthost/gso_soup.h"
#include "scripthost/native_class_bodies.h"
#include "scripthost/native_objects.h"
#include "scripthost/native_string_params.h"

// A group is made only through its owner: these two natives belong to
// OnlineAccess's class but to this file's subject.
bool GSOOnlineAccess::NativeCreateGroup(GSRuntime::GSStack& stack)
{
    PushMadeObject(stack, GSOOnlineGroup::Create(this, Zel::PString(), stack.CurrentFrame()->GetIntParam(1)),
                   GSOOnlineGroup::ScriptClass());
    return true;
}

bool GSOOnlineAccess::NativeOpenGroup(GSRuntime::GSStack& stack)
{
    Zel::PString cookie;
    if (!GetNativePStringParam(stack, 1, false, cookie))
        return true;
    PushMadeObject(stack, GSOOnlineGroup::Create(this, cookie, stack.CurrentFrame()->GetIntParam(2)),
                   GSOOnlineGroup::ScriptClass());
    return true;
}

bool GSOOnlineGroup::NativeConnect(GSRuntime::GSStack& /*stack*/)
{
    Connect();
    return true;
}

bool GSOOnlineGroup::NativeGetStatus(GSRuntime::GSStack& stack)
{
    stack.PushInt(status_);
    return true;
}

bool GSOOnlineGroup::NativeDisconnect(GSRuntime::GSStack& /*stack*/)
{
    if (owner_ == nullptr)
        return true;
    GSOOnlineAccess::Endpoint().SendLeaveGroup(cookie_);
    SetStatus(Idle);
    return true;
}

bool GSOOnlineGroup::NativeGetOnlineGroupCookie(GSRuntime::GSStack& stack)
{
    stack.PushNewString(status_ == Joined ? cookie_ : Zel::PString(), GetContext());
    return true;
}

bool GSOOnlineGroup::NativeAddUser(GSRuntime::GSStack& stack)
{
    Zel::PString name;
    if (!GetNativePStringParam(stack, 1, false, name) || owner_ == nullptr || FindUser(name) >= 0)
        return true;
    users_.push_back(User{name, 0});
    GSOOnlineAccess::Endpoint().SendGroupUserChange(cookie_, false, name);
    return true;
}

bool GSOOnlineGroup::NativeRemoveUser(GSRuntime::GSStack& stack)
{
    Zel::PString name;
    if (!GetNativePStringParam(stack, 1, false, name) || owner_ == nullptr)
        return true;
    const int index = FindUser(name);
    if (index < 0)
        return true;
    users_.erase(users_.begin() + index);
    GSOOnlineAccess::Endpoint().SendGroupUserChange(cookie_, true, name);
    return true;
}

bool GSOOnlineGroup::NativeCountUsers(GSRuntime::GSStack& stack)
{
    stack.PushInt(static_cast<int32_t>(users_.size()));
    return true;
}

bool GSOOnlineGroup::NativeGetIndexedUser(GSRuntime::GSStack& stack)
{
    const User* user = UserAt(stack.CurrentFrame()->GetIntParam(1));
    stack.PushNewString(user != nullptr ? user->name : Zel::PString(), GetContext());
    return true;
}

bool GSOOnlineGroup::NativeFindUser(GSRuntime::GSStack& stack)
{
    Zel::PString name;
    if (GetNativePStringParam(stack, 1, true, name))
        stack.PushInt(FindUser(name));
    return true;
}

bool GSOOnlineGroup::NativeGetUserStatus(GSRuntime::GSStack& stack)
{
    const User* user = UserAt(stack.CurrentFrame()->GetIntParam(1));
    stack.PushInt(user != nullptr ? user->status : 0);
    return true;
}

bool GSOOnlineGroup::NativePostMessage(GSRuntime::GSStack& stack)
{
    if (owner_ != nullptr && owner_->IsOverBudget()) {
        stack.PushInt(GSOOnlineAccess::OverBudget);
        return true;
    }
    GSOSoup* soup = nullptr;
    if (!GSRuntime::GetNativeObjectParam(stack.CurrentFrame(), 1, &soup))
        return true;
    if (owner_ == nullptr) {
        stack.PushInt(GSOOnlineAccess::NotConnected);
        return true;
    }
    const std::int32_t result = GSOOnlineAccess::Endpoint().PostGroupMessage(owner_->assetId, cookie_, soup->Soup());
    owner_->CountPost();
    stack.PushInt(result);
    return true;
}

bool GSOOnlineGroup::NativeCollectMessage(GSRuntime::GSStack& stack)
{
    GSRuntime::GSString* text = nullptr;
    GSOSoup* soup = nullptr;
    if (!GSRuntime::GetNativeObjectParam(stack.CurrentFrame(), 1, &text) ||
        !GSRuntime::GetNativeObjectParam(stack.CurrentFrame(), 2, &soup)) {
        return true;
    }
    // A locked soup is a view of data owned elsewhere: a message must not land in it.
    if (soup->IsLocked()) {
        RaiseNativeError("OnlineGroup.CollectMessage> soup is locked");
        return true;
    }
    if (owner_ == nullptr) {
        stack.PushInt(GSOOnlineAccess::NotConnected);
        return true;
    }
    if (GSOOnlineAccess::Endpoint().GetState() != OnlineConnected) {
        text->Text() = Zel::String();
        stack.PushInt(GSOOnlineAccess::NotConnected);
        return true;
    }
    if (messages_.empty()) {
        text->Text() = Zel::String();
        stack.PushInt(GSOOnlineAccess::NothingToCollect);
        return true;
    }
    std::unique_ptr<OnlineGroupMessage> message = std::move(messages_.front());
    messages_.pop_front();
    text->Text() = Zel::String(message->text.c_str());
    soup->Soup() = message->soup;
    stack.PushInt(GSOOnlineAccess::Done);
    return true;
}

bool GSOOnlineGroup::NativeSetModeFlags(GSRuntime::GSStack& stack)
{
    if (owner_ != nullptr)
        GSOOnlineAccess::Endpoint().SendSetModeFlags(cookie_, stack.CurrentFrame()->GetIntParam(1),
                                                     stack.CurrentFrame()->GetIntParam(2));
    return true;
}

bool GSOOnlineGroup::NativeSetUserModeFlags(GSRuntime::GSStack& stack)
{
    Zel::PString name;
    if (!GetNativePStringParam(stack, 1, false, name) || owner_ == nullptr)
        return true;
    GSOOnlineAccess::Endpoint().SendSetUserModeFlags(cookie_, name, stack.CurrentFrame()->GetIntParam(2),
                                                     stack.CurrentFrame()->GetIntParam(3));
    return true;
}

void RegisterOnlineGroupNatives()
{
    static constexpr MemberNativeRow<GSOOnlineGroup> Rows[] = {
        {"$void@OnlineGroup::Connect()", &GSOOnlineGroup::NativeConnect},
        {"$int@OnlineGroup::GetStatus()", &GSOOnlineGroup::NativeGetStatus},
        {"$void@OnlineGroup::Disconnect()", &GSOOnlineGroup::NativeDisconnect},
        {"$string@OnlineGroup::GetOnlineGroupCookie()", &GSOOnlineGroup::NativeGetOnlineGroupCookie},
        {"$void@OnlineGroup::AddUser(string)", &GSOOnlineGroup::NativeAddUser},
        {"$void@OnlineGroup::RemoveUser(string)", &GSOOnlineGroup::NativeRemoveUser},
        {"$int@OnlineGroup::CountUsers()", &GSOOnlineGroup::NativeCountUsers},
        {"$string@OnlineGroup::GetIndexedUser(int)", &GSOOnlineGroup::NativeGetIndexedUser},
        {"$int@OnlineGroup::FindUser(string)", &GSOOnlineGroup::NativeFindUser},
        {"$int@OnlineGroup::GetUserStatus(int)", &GSOOnlineGroup::NativeGetUserStatus},
        {"$int@OnlineGroup::PostMessage(Soup)", &GSOOnlineGroup::NativePostMessage},
        {"$int@OnlineGroup::CollectMessage(string,Soup)", &GSOOnlineGroup::NativeCollectMessage},
        {"$void@OnlineGroup::SetModeFlags(int,int)", &GSOOnlineGroup::NativeSetModeFlags},
        {"$void@OnlineGroup::SetUserModeFlags(string,int,int)", &GSOOnlineGroup::NativeSetUserModeFlags},
    };
    RegisterMemberNatives("OnlineGroup", Rows);
    static constexpr MemberNativeRow<GSOOnlineAccess> Makers[] = {
        {"$OnlineGroup@OnlineAccess::CreateGroup(int)", &GSOOnlineAccess::NativeCreateGroup},
        {"$OnlineGroup@OnlineAccess::OpenGroup(string,int)", &GSOOnlineAccess::NativeOpenGroup},
    };
    RegisterMemberNatives("OnlineAccess", Makers);
}
