// The context natives of the core class "Router" that find game objects.
#include "script/vm/gs_class.h"
#include "script/vm/gs_context.h"
#include "script/vm/gs_game_object.h"
#include "script/vm/gs_machine.h"
#include "script/vm/gs_router.h"
#include "script/vm/gs_stack.h"
#include "script/vm/gs_string.h"

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

}  // namespace GSRuntime
