// The natives of OnlineAccess (connection, user messages within the post budget, local data and the offline boxes) and Library's way to it.
#include "assetdb/kad_client.h"
#include "script/vm/gs_stack.h"
#include "script/vm/gs_string.h"
#include "script/vm/native_function.h"
#include "scripthost/gso_online_access.h"
#include "scripthost/gso_soup.h"
#include "scripthost/native_class_bodies.h"
#include "scripthost/native_objects.h"
#include "scripthost/native_string_params.h"
#include "scripthost/online_access_stores.h"
#include "scripthost/world_list_item.h"

namespace {

// Library.GetOnlineAccess: a library object is the item its asset has in the
// world list, so the asset is found through that item without this class
// knowing the library's own.
class LibraryOnlineAccessNative final : public GSRuntime::GSNativeFunction {
public:
    LibraryOnlineAccessNative() : GSNativeFunction("Library", "$OnlineAccess@Library::GetOnlineAccess()") {}
    bool Call(GSRuntime::GSObject* object, GSRuntime::GSStack& stack) override
    {
        auto* library = dynamic_cast<WorldListItem*>(object);
        if (library == nullptr)
            return false;
        PushMadeObject(stack, GSOOnlineAccess::GetOrCreate(library->GetKUID(), object->GetContext()),
                       GSOOnlineAccess::ScriptClass());
        return true;
    }
};

// A Soup argument whose contents the native replaces; null (the script
// stopped with the text) for a locked view of a soup owned elsewhere.
GSOSoup* WritableSoupParam(GSRuntime::GSStack& stack, int32_t n, const char* lockedText)
{
    GSOSoup* soup = nullptr;
    if (!GSRuntime::GetNativeObjectParam(stack.CurrentFrame(), n, &soup))
        return nullptr;
    if (soup->IsLocked()) {
        RaiseNativeError(lockedText);
        return nullptr;
    }
    return soup;
}

}  // namespace

bool GSOOnlineAccess::NativeConnect(GSRuntime::GSStack& /*stack*/)
{
    // Connecting or connected already: only this client joins.
    Endpoint().Connect(false);
    Endpoint().AddClient(this);
    return true;
}

bool GSOOnlineAccess::NativeGetStatus(GSRuntime::GSStack& stack)
{
    stack.PushInt(status_);
    return true;
}

bool GSOOnlineAccess::NativeDisconnect(GSRuntime::GSStack& /*stack*/)
{
    LeaveService();
    return true;
}

bool GSOOnlineAccess::NativeGetUsername(GSRuntime::GSStack& stack)
{
    stack.PushNewString(Zel::PString(KADClient::GetOnlineProfile().c_str()), GetContext());
    return true;
}

bool GSOOnlineAccess::NativeGetLocalData(GSRuntime::GSStack& stack)
{
    Zel::PString name;
    if (!GetNativePStringParam(stack, 1, false, name))
        return true;
    GSOSoup* soup = WritableSoupParam(stack, 2, "OnlineAccess.GetLocalData> soup is locked");
    if (soup == nullptr)
        return true;
    SoupHandle stored = FetchOnlineLocalData(assetId, name.ToLower());
    soup->Soup().Clear();
    soup->Soup().Copy(stored);
    stack.PushInt(Done);
    return true;
}

bool GSOOnlineAccess::NativeSetLocalData(GSRuntime::GSStack& stack)
{
    Zel::PString name;
    GSOSoup* soup = nullptr;
    if (!GetNativePStringParam(stack, 1, false, name) ||
        !GSRuntime::GetNativeObjectParam(stack.CurrentFrame(), 2, &soup)) {
        return true;
    }
    StoreOnlineLocalData(assetId, name.ToLower(), soup->Soup());
    stack.PushInt(Done);
    return true;
}

// The service keeps no profile data for scripts.
bool GSOOnlineAccess::NativeGetProfileData(GSRuntime::GSStack& stack)
{
    stack.PushInt(Done);
    return true;
}

bool GSOOnlineAccess::NativeSetProfileData(GSRuntime::GSStack& stack)
{
    stack.PushInt(Done);
    return true;
}

bool GSOOnlineAccess::NativePostMessage(GSRuntime::GSStack& stack)
{
    if (IsOverBudget()) {
        stack.PushInt(OverBudget);
        return true;
    }
    Zel::PString recipient;
    GSOSoup* soup = nullptr;
    if (!GetNativePStringParam(stack, 1, false, recipient) ||
        !GSRuntime::GetNativeObjectParam(stack.CurrentFrame(), 2, &soup)) {
        return true;
    }
    const std::int32_t result =
        Endpoint().PostUserMessage(assetId, std::string(recipient.View()), soup->Soup(), locallyModified_);
    CountPost();
    stack.PushInt(result);
    return true;
}

bool GSOOnlineAccess::NativeCollectMessage(GSRuntime::GSStack& stack)
{
    GSRuntime::GSString* text = nullptr;
    if (!GSRuntime::GetNativeObjectParam(stack.CurrentFrame(), 1, &text))
        return true;
    GSOSoup* soup = WritableSoupParam(stack, 2, "OnlineAccess.CollectMessage> soup is locked");
    if (soup == nullptr)
        return true;
    text->Text() = Zel::String();
    if (Endpoint().GetState() != OnlineConnected) {
        stack.PushInt(NotConnected);
        return true;
    }
    if (received_.empty()) {
        stack.PushInt(NothingToCollect);
        return true;
    }
    std::unique_ptr<OnlineAccessClientEndpoint::VersionedMessage> message = std::move(received_.front());
    received_.pop_front();
    text->Text() = Zel::String(message->text.c_str());
    soup->Soup() = message->soup;
    stack.PushInt(Done);
    return true;
}

bool GSOOnlineAccess::NativePostOfflineMessage(GSRuntime::GSStack& stack)
{
    GSOSoup* soup = nullptr;
    if (!GSRuntime::GetNativeObjectParam(stack.CurrentFrame(), 1, &soup))
        return true;
    SoupHandle& outbox = GetOnlineAccessStores().offlineOutbox;
    SoupHandle copy;
    copy.Copy(soup->Soup());
    outbox.SetNamedSoup(outbox.MakeUniqueTagName(), copy);
    // Written at once: the program ends without running destructors.
    SaveOfflineOutbox();
    stack.PushInt(Done);
    return true;
}

bool GSOOnlineAccess::NativeCollectOfflineMessage(GSRuntime::GSStack& stack)
{
    GSOSoup* soup = WritableSoupParam(stack, 1, "OnlineAccess.CollectOfflineMessage> soup is locked");
    if (soup == nullptr)
        return true;
    SoupHandle& inbox = GetOnlineAccessStores().offlineInbox;
    if (inbox.CountTags() == 0) {
        stack.PushInt(NothingToCollect);
        return true;
    }
    soup->Soup() = inbox.GetIndexedSoup(0);
    inbox.RemoveNamedTag(inbox.GetIndexedTagName(0));
    // A letter taken is not handed out again in a later run.
    SaveOfflineInbox();
    stack.PushInt(Done);
    return true;
}

// CreateGroup and OpenGroup are bound with the OnlineGroup natives.
void RegisterOnlineAccessNatives()
{
    static constexpr MemberNativeRow<GSOOnlineAccess> Rows[] = {
        {"$void@OnlineAccess::Connect()", &GSOOnlineAccess::NativeConnect},
        {"$int@OnlineAccess::GetStatus()", &GSOOnlineAccess::NativeGetStatus},
        {"$void@OnlineAccess::Disconnect()", &GSOOnlineAccess::NativeDisconnect},
        {"$string@OnlineAccess::GetUsername()", &GSOOnlineAccess::NativeGetUsername},
        {"$int@OnlineAccess::GetLocalData(string,Soup)", &GSOOnlineAccess::NativeGetLocalData},
        {"$int@OnlineAccess::SetLocalData(string,Soup)", &GSOOnlineAccess::NativeSetLocalData},
        {"$int@OnlineAccess::GetProfileData(string,Soup)", &GSOOnlineAccess::NativeGetProfileData},
        {"$int@OnlineAccess::SetProfileData(string,Soup)", &GSOOnlineAccess::NativeSetProfileData},
        {"$int@OnlineAccess::PostMessage(string,Soup)", &GSOOnlineAccess::NativePostMessage},
        {"$int@OnlineAccess::CollectMessage(string,Soup)", &GSOOnlineAccess::NativeCollectMessage},
        {"$int@OnlineAccess::PostOfflineMessage(Soup)", &GSOOnlineAccess::NativePostOfflineMessage},
        {"$int@OnlineAccess::CollectOfflineMessage(Soup)", &GSOOnlineAccess::NativeCollectOfflineMessage},
    };
    RegisterMemberNatives("OnlineAccess", Rows);
    GSMachine::Get()->RegisterNative(new LibraryOnlineAccessNative());
}
