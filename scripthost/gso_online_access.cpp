// GSOOnlineAccess: one object per script context and library asset, its messages from the service and its processing step.
#include "scripthost/gso_online_access.h"

#include "script/vm/gs_context.h"
#include "script/vm/gs_router.h"
#include "script/vm/script_instance.h"
#include "scripthost/korvel_base_spec.h"
#include "scripthost/native_library_setup.h"
#include "scripthost/native_objects.h"

namespace {

// Newest first.
std::list<GSOOnlineAccess*>& LiveObjects()
{
    static std::list<GSOOnlineAccess*> live;
    return live;
}

OnlineAccessClientEndpoint* replacedEndpoint = nullptr;

bool LocallyModified(const KUID& id)
{
    PemberlynxSpecRef spec = FindBaseSpecByKUID(id);
    return spec && static_cast<KorvelBaseSpec*>(spec.Get())->IsLocallyModified();
}

}  // namespace

GSOOnlineAccess::GSOOnlineAccess(const KUID& id) : OnlineAccessClientBase(id), locallyModified_(LocallyModified(id))
{
    LiveObjects().push_front(this);
    link_ = LiveObjects().begin();
}

GSOOnlineAccess::~GSOOnlineAccess()
{
    LeaveService();
    received_.clear();
    LiveObjects().erase(link_);
}

GSRuntime::GSClass* GSOOnlineAccess::ScriptClass()
{
    return GetNativeScriptClass(NativeScriptClass::OnlineAccess);
}

bool GSOOnlineAccess::AttachScriptInstance(GSRuntime::GSClass* cls, GSRuntime::GSContext* context)
{
    ReleaseScriptResources();
    return GSObject::AttachScriptInstance(cls, context);
}

GSOOnlineAccess* GSOOnlineAccess::GetOrCreate(const KUID& id, GSRuntime::GSContext* context)
{
    for (GSOOnlineAccess* object : LiveObjects()) {
        GSRuntime::GSScriptInstance* instance = object->Instance();
        if (object->GetContext() == context && object->assetId.user == id.user &&
            object->assetId.content == id.content && instance != nullptr && instance->references > 0) {
            GSRuntime::GSScriptInstance::AddReference(object->GetScriptInstance());
            return object;
        }
    }
    GSOOnlineAccess* object = MakeNativeObject<GSOOnlineAccess>(ScriptClass(), context, id);
    if (object != nullptr && context != nullptr && context->Router() != nullptr) {
        context->Router()->AddNode(object);
        // From its first processing step on it follows the service.
        object->Schedule();
    }
    return object;
}

std::size_t GSOOnlineAccess::LiveCount()
{
    return LiveObjects().size();
}

OnlineAccessClientEndpoint& GSOOnlineAccess::Endpoint()
{
    return replacedEndpoint != nullptr ? *replacedEndpoint : OnlineAccessClientEndpoint::Instance();
}

void GSOOnlineAccess::UseEndpoint(OnlineAccessClientEndpoint* endpoint)
{
    replacedEndpoint = endpoint;
}

void GSOOnlineAccess::LeaveService()
{
    OnlineAccessClientEndpoint& endpoint = Endpoint();
    endpoint.RemoveClient(this);
    if (!endpoint.HasClients())
        endpoint.Disconnect();
    SaveOnlineMessageCache();
}

void GSOOnlineAccess::ReceiveMessage(std::unique_ptr<OnlineAccessMessage> message)
{
    auto* versioned = dynamic_cast<OnlineAccessClientEndpoint::VersionedMessage*>(message.get());
    if (versioned == nullptr)
        return;
    // A locally modified script hears only from senders that are locally
    // modified too: the sender's flag travels in the low byte.
    if (locallyModified_ && (versioned->flag & 0xff) == 0)
        return;
    message.release();
    received_.emplace_back(versioned);
    messagePending_ = true;
}

void GSOOnlineAccess::SendToSelf(const char* minor)
{
    GSRuntime::GSRouter* router = RouterOf();
    if (router == nullptr)
        return;
    if (GSRuntime::GSMessage* message = RequestMessage("OnlineAccess", minor, Id(), 0))
        router->DeliverMessage(*message);
}

void GSOOnlineAccess::Process(float dt)
{
    GSGameObject::Process(dt);
    budget_ = budget_ > dt ? budget_ - dt : 0.0f;
    OnlineAccessClientEndpoint& endpoint = Endpoint();
    endpoint.Update();
    if (endpoint.GetState() != status_) {
        status_ = endpoint.GetState();
        SendToSelf("StatusChange");
        if (!received_.empty())
            messagePending_ = true;
    }
    if (messagePending_) {
        messagePending_ = false;
        SendToSelf("ReceiveMessage");
    }
    Schedule();
}

bool GSOOnlineAccess::TakeMessagePending()
{
    const bool pending = messagePending_;
    messagePending_ = false;
    return pending;
}
