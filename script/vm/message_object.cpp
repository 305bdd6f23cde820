// GSContext::MakeMessageObject: the script object of class "Message" that a
// handler or a waiting thread receives for a routed message.
#include "script/vm/gs_class.h"
#include "script/vm/gs_context.h"
#include "script/vm/gs_game_object.h"
#include "script/vm/gs_machine.h"
#include "script/vm/gs_router.h"
#include "script/vm/gs_string.h"

namespace GSRuntime {

namespace {

// Member words of "Message" (no base, so its members start at word 2).
constexpr uint32_t kMajorWord = 2;
constexpr uint32_t kMinorWord = 3;
constexpr uint32_t kSourceWord = 4;
constexpr uint32_t kDestinationWord = 5;

// The node's script instance, viewed as a GameObject, with a count for the
// caller; null for a node that is no game object or whose instance is
// already going.
Slot* GameObjectReference(GSRouter* router, int32_t id)
{
    GSNode* node = router->FindNode(id);
    if (node == nullptr || !node->HasFlag(GSNode::kNodeGameObject))
        return nullptr;
    GSGameObject* gameObject = static_cast<GSGameObject*>(node);
    GSScriptInstance* header = gameObject->Instance();
    if (header == nullptr || header->references <= 0)
        return nullptr;
    GSClass* gameObjectClass = GSMachine::Get()->CoreClass("GameObject");
    Slot* view = gameObjectClass != nullptr ? gameObjectClass->FindInstanceData(header) : nullptr;
    GSScriptInstance::AddReference(view);
    return view;
}

}  // namespace

Slot* GSContext::MakeMessageObject(const GSMessage& message)
{
    GSClass* cls = GSMachine::Get()->CoreClass("Message");
    // A "Message" without its four member words is not the one this needs.
    if (cls == nullptr || router_ == nullptr || cls->InstanceSize() <= kDestinationWord)
        return nullptr;
    GSObject* object = new GSObject;
    if (!object->AttachScriptInstance(cls, this)) {
        delete object;
        return nullptr;
    }
    // The object's own count goes to the caller with the handle: the last
    // release deletes the object.
    Slot* handle = object->GetScriptInstance();
    GSString* major = new GSString(this, router_->NameOf(message.major));
    GSScriptInstance::StoreReference(handle, kMajorWord, major->GetScriptInstance());
    GSString* minor = new GSString(this, router_->NameOf(message.minor));
    GSScriptInstance::StoreReference(handle, kMinorWord, minor->GetScriptInstance());
    GSScriptInstance::StoreReference(handle, kSourceWord, GameObjectReference(router_, message.source));
    GSScriptInstance::StoreReference(handle, kDestinationWord, GameObjectReference(router_, message.destination));
    return handle;
}

}  // namespace GSRuntime
