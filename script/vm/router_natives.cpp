// The context natives of the core class "Router": finding game objects,
// the router's information dump and posting on behalf of a node.
#include <cmath>

#include "script/vm/gs_class.h"
#include "script/vm/gs_context.h"
#include "script/vm/gs_game_object.h"
#include "script/vm/gs_machine.h"
#include "script/vm/gs_router.h"
#include "script/vm/gs_stack.h"
#include "script/vm/gs_string.h"
#include "script/vm/script_log.h"

namespace GSRuntime {

namespace {

// The game object of a node that has a script instance, or null.
GSGameObject* ScriptGameObject(GSNode* node)
{
    if (node == nullptr || !node->HasFlag(GSNode::kNodeGameObject))
        return nullptr;
    GSGameObject* gameObject = static_cast<GSGameObject*>(node);
    return gameObject->GetScriptInstance() != nullptr ? gameObject : nullptr;
}

// The node by id, when scripts may see it: secured classes are not handed out.
GSGameObject* VisibleGameObject(GSRouter* router, int32_t id)
{
    GSGameObject* gameObject = router != nullptr ? ScriptGameObject(router->FindNode(id)) : nullptr;
    if (gameObject == nullptr || gameObject->GetScriptClass()->IsSecured())
        return nullptr;
    return gameObject;
}

// The result slot: the object viewed as a GameObject, with a count.
void PushGameObject(GSStack& stack, GSGameObject* gameObject)
{
    stack.PushObject(gameObject, gameObject != nullptr ? GSMachine::Get()->CoreClass("GameObject") : nullptr);
}

}  // namespace

bool GSContext::NativeGetGameObject(GSStack& stack)
{
    PushGameObject(stack, VisibleGameObject(router_, stack.CurrentFrame()->GetIntParam(1)));
    return true;
}

bool GSContext::NativeGetForeignGameObject(GSStack& stack)
{
    const int32_t id = stack.CurrentFrame()->GetIntParam(1);
    GSGameObject* found = nullptr;
    for (GSContext* context : LiveContexts()) {
        if (context->router_ == nullptr || context->router_->NotSearchable())
            continue;
        found = VisibleGameObject(context->router_, id);
        if (found != nullptr)
            break;
    }
    PushGameObject(stack, found);
    return true;
}

bool GSContext::NativeGetGameObjectByName(GSStack& stack)
{
    const GSString* name = GSString::FromHandle(stack.CurrentFrame()->GetHandleParam(1));
    GSGameObject* found = nullptr;
    if (router_ != nullptr && name != nullptr)
        found = ScriptGameObject(router_->FindNodeByName(name->Text().c_str()));
    PushGameObject(stack, found);
    return true;
}

bool GSContext::NativeRouterInfo(GSStack&)
{
    if (router_ != nullptr)
        router_->PrintInfo();
    return true;
}

bool GSContext::NativeRouterPostMessage(GSStack& stack)
{
    const GSStackFrame* frame = stack.CurrentFrame();
    const GSString* major = GSString::FromHandle(frame->GetHandleParam(3));
    const GSString* minor = GSString::FromHandle(frame->GetHandleParam(4));
    GSNode* source = router_ != nullptr ? router_->FindNode(frame->GetIntParam(1)) : nullptr;
    if (source == nullptr || major == nullptr || minor == nullptr)
        return true;
    // Negative delays count as none, as for GameObject.PostMessage.
    const double milliseconds = std::trunc(double(frame->GetFloatParam(5)) * 1000.0);
    const uint32_t delay = milliseconds > 0.0 ? static_cast<uint32_t>(std::fmin(milliseconds, 0x3FFFFFFF)) : 0;
    // From the router's frame memory: a posted message is read at the next
    // step, long after this native's stack is gone.
    GSMessage* message =
        source->RequestMessage(major->Text().c_str(), minor->Text().c_str(), frame->GetIntParam(2), delay);
    if (message != nullptr)
        router_->QueueMessage(message);
    return true;
}

}  // namespace GSRuntime
