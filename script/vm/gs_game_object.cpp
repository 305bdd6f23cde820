// GSGameObject: attachment limited to game-object classes, and leaving the
// router on destruction.
#include "script/vm/gs_game_object.h"

#include "script/vm/gs_class.h"

namespace GSRuntime {

GSGameObject::GSGameObject() : GSObject(KindGameObject)
{
    SetFlag(kNodeGameObject, true);
}

GSGameObject::~GSGameObject()
{
    // The node part leaves the router next, then the object part goes.
    ReleaseScriptResources();
}

bool GSGameObject::AttachScriptInstance(GSClass* cls, GSContext* context)
{
    ReleaseScriptResources();
    if (cls == nullptr)
        return GSObject::AttachScriptInstance(nullptr, context);
    if (!IsGameObjectClass(cls))
        return false;
    return GSObject::AttachScriptInstance(cls, context);
}

Zel::PString GSGameObject::GetName() const
{
    return Zel::PString("");
}

void GSGameObject::ReleaseScriptResources()
{
    // This machine keeps no threads or handlers on a game object: there is
    // nothing that could hold references.
}

}  // namespace GSRuntime
