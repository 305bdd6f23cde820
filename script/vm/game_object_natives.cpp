// The natives of the core class "GameObject": messages, handlers, sniffers,
// sleeping, the node's id and name, and script exceptions.
#include <cmath>
#include <string>

#include "script/vm/core_natives.h"
#include "script/vm/gs_class.h"
#include "script/vm/gs_context.h"
#include "script/vm/gs_game_object.h"
#include "script/vm/gs_machine.h"
#include "script/vm/gs_router.h"
#include "script/vm/gs_string.h"
#include "script/vm/gs_thread.h"
#include "script/vm/native_function.h"
#include "script/vm/runtime_state.h"
#include "script/vm/script_log.h"

namespace GSRuntime {

namespace {

const GSString* StringParam(const GSStack& stack, int32_t n)
{
    return GSString::FromHandle(stack.CurrentFrame()->GetHandleParam(n));
}

GSGameObject* GameObjectParam(const GSStack& stack, int32_t n)
{
    GSObject* object = ObjectOfHandle(stack.CurrentFrame()->GetHandleParam(n));
    return object != nullptr && object->GetKind() == GSObjectReference::KindGameObject
               ? static_cast<GSGameObject*>(object)
               : nullptr;
}

// A handle argument of a handler native: null and wrong-type targets are
// logged with the native's name.
GSGameObject* TargetParam(const GSStack& stack, const char* native)
{
    const Slot* handle = stack.CurrentFrame()->GetHandleParam(1);
    if (handle == nullptr) {
        GSLog("target object is null for GameObject::%s()", native);
        return nullptr;
    }
    GSGameObject* target = GameObjectParam(stack, 1);
    if (target == nullptr)
        GSLog("target object is wrong type for GameObject::%s()", native);
    return target;
}

const char* TextOf(const GSString* string)
{
    return string != nullptr ? string->Text().c_str() : "";
}

// Stops the thread that called the native.
void Raise(const char* text)
{
    if (GSThread* thread = CurrentThread())
        thread->ReportException(text, false);
}

}  // namespace

GSMessage* GSGameObject::MakeMessage(GSStack& stack, const char* illegalText, uint32_t delay)
{
    GSGameObject* target = GameObjectParam(stack, 1);
    const GSString* major = StringParam(stack, 2);
    const GSString* minor = StringParam(stack, 3);
    if (major == nullptr || minor == nullptr) {
        Raise(illegalText);
        return nullptr;
    }
    return RequestMessage(major->Text().c_str(), minor->Text().c_str(), target != nullptr ? target->Id() : 0, delay);
}

bool GSGameObject::NativeSendMessage(GSStack& stack)
{
    GSThread* thread = CurrentThread();
    if (thread != nullptr && thread->IsStatic()) {
        Raise("Static Thread cannot call SendMessage");
        return true;
    }
    GSMessage* message = MakeMessage(stack, "GameObject::SendMessage() illegal major or minor string", 0);
    if (message != nullptr && RouterOf() != nullptr)
        RouterOf()->DeliverMessage(*message);
    return true;
}

bool GSGameObject::NativePostMessage(GSStack& stack)
{
    // A negative delay would wrap to about twelve days: it counts as none.
    const float seconds = stack.CurrentFrame()->GetFloatParam(4);
    const double milliseconds = std::trunc(double(seconds) * 1000.0);
    const uint32_t delay = milliseconds > 0.0 ? static_cast<uint32_t>(std::fmin(milliseconds, 0x3FFFFFFF)) : 0;
    GSMessage* message = MakeMessage(stack, "GameObject::PostMessage() illegal major or minor string", delay);
    if (message != nullptr && RouterOf() != nullptr)
        RouterOf()->QueueMessage(message);
    return true;
}

bool GSGameObject::NativeClearMessages(GSStack& stack)
{
    if (RouterOf() != nullptr)
        RouterOf()->ClearQueuedMessages(this, TextOf(StringParam(stack, 1)), TextOf(StringParam(stack, 2)));
    return true;
}

bool GSGameObject::NativeAddHandler(GSStack& stack)
{
    GSRouter* router = RouterOf();
    if (router == nullptr)
        return true;
    GSGameObject* target = TargetParam(stack, "AddHandler");
    if (target == nullptr)
        return true;
    const GSString* major = StringParam(stack, 2);
    if (major == nullptr) {
        GSLog("major type is null for GameObject::AddHandler()");
        return true;
    }
    const uint16_t majorId = router->InternName(major->Text().c_str());
    const uint16_t minorId = router->InternName(TextOf(StringParam(stack, 3)));
    const GSString* method = StringParam(stack, 4);
    if (method == nullptr || method->Text().IsEmpty()) {
        for (auto at = target->handlers_.begin(); at != target->handlers_.end();) {
            if (at->kind == GSHandler::kScript && at->major == majorId && at->minor == minorId && at->ownerId == Id()) {
                at = target->handlers_.erase(at);
                target->Unsubscribe(majorId);
            } else {
                ++at;
            }
        }
        return true;
    }
    GSClass* cls = GetScriptClass();
    if (cls == nullptr)
        return true;
    std::string signature = std::string("$void@") + cls->Name() + "::" + method->Text().c_str() + "(Message)";
    int32_t offset = 0;
    int32_t slot = -1;
    int32_t index = -1;
    GSClass* found = cls->FindFunctionInHierarchy(signature, &offset, &slot, &index);
    if (found == nullptr) {
        // The method may be declared by a base: the same name and arguments
        // under that base's own signature.
        GSFunction* base = nullptr;
        if (cls->FindOverridden(signature, &base, &offset) && base != nullptr) {
            signature = std::string(base->Signature());
            found = cls->FindFunctionInHierarchy(signature, &offset, &slot, &index);
        }
    }
    if (found == nullptr || index < 0) {
        GSLog("Could not find handler %s for native GameObject::AddHandler()", signature.c_str());
        return true;
    }
    GSFunction* function = &found->Function(static_cast<uint32_t>(index));
    for (const GSHandler& handler : target->handlers_) {
        if (handler.kind == GSHandler::kScript && handler.major == majorId && handler.minor == minorId &&
            handler.ownerId == Id() && handler.method == function) {
            return true;
        }
    }
    target->handlers_.insert(target->handlers_.begin(),
                             GSHandler{Id(), function, offset, majorId, minorId, GSHandler::kScript});
    target->Subscribe(majorId);
    return true;
}

bool GSGameObject::NativeSniff(GSStack& stack)
{
    GSRouter* router = RouterOf();
    if (router == nullptr)
        return true;
    GSGameObject* target = TargetParam(stack, "Sniff");
    if (target == nullptr)
        return true;
    const GSString* major = StringParam(stack, 2);
    if (major == nullptr) {
        GSLog("major type is null for GameObject::Sniff()");
        return true;
    }
    const uint16_t majorId = router->InternName(major->Text().c_str());
    const uint16_t minorId = router->InternName(TextOf(StringParam(stack, 3)));
    const bool enable = stack.CurrentFrame()->GetIntParam(4) != 0;
    auto same = [&](const GSHandler& handler) {
        return handler.kind == GSHandler::kSniffer && handler.major == majorId && handler.minor == minorId &&
               handler.ownerId == Id();
    };
    if (enable) {
        for (const GSHandler& handler : target->handlers_) {
            if (same(handler))
                return true;
        }
        target->handlers_.insert(target->handlers_.begin(),
                                 GSHandler{Id(), nullptr, 0, majorId, minorId, GSHandler::kSniffer});
        target->Subscribe(majorId);
        return true;
    }
    for (auto at = target->handlers_.begin(); at != target->handlers_.end();) {
        if (same(*at)) {
            at = target->handlers_.erase(at);
            target->Unsubscribe(majorId);
        } else {
            ++at;
        }
    }
    return true;
}

bool GSGameObject::NativeSleep(GSStack& stack)
{
    const float seconds = stack.CurrentFrame()->GetFloatParam(1);
    GSThread* thread = CurrentThread();
    if (seconds > 1e-6f && thread != nullptr && !thread->IsStatic()) {
        thread->SetState(kThreadBlocked);
        thread->SetSleepTimer(seconds);
    }
    return true;
}

bool GSGameObject::NativeGetId(GSStack& stack)
{
    stack.PushInt(Id());
    return true;
}

bool GSGameObject::NativeGetName(GSStack& stack)
{
    stack.PushNewString(GetName(), GetContext());
    return true;
}

bool GSGameObject::NativeException(GSStack& stack)
{
    if (GSThread* thread = CurrentThread())
        thread->ReportException(TextOf(StringParam(stack, 1)), true);
    return true;
}

void RegisterGameObjectNatives(GSMachine* machine)
{
    using Native = GSCPPNativeFunction<GSGameObject>;
    const struct {
        const char* signature;
        Native::Handler handler;
    } natives[] = {
        {"$void@GameObject::SendMessage(GameObject,string,string)", &GSGameObject::NativeSendMessage},
        {"$void@GameObject::PostMessage(GameObject,string,string,float)", &GSGameObject::NativePostMessage},
        {"$void@GameObject::ClearMessages(string,string)", &GSGameObject::NativeClearMessages},
        {"$void@GameObject::AddHandler(GameObject,string,string,string)", &GSGameObject::NativeAddHandler},
        {"$void@GameObject::Sniff(GameObject,string,string,bool)", &GSGameObject::NativeSniff},
        {"$void@GameObject::Sleep(float)", &GSGameObject::NativeSleep},
        {"$int@GameObject::GetId()", &GSGameObject::NativeGetId},
        {"$string@GameObject::GetName()", &GSGameObject::NativeGetName},
        {"$void@GameObject::Exception(string)", &GSGameObject::NativeException},
    };
    for (const auto& native : natives)
        machine->RegisterNative(new Native("GameObject", native.signature, native.handler));
}

}  // namespace GSRuntime
