// GSGameObject: the native side of script objects that live in a router: a
// GSObject that is also a GSNode.
#pragma once

#include "script/vm/gs_node.h"
#include "script/vm/gs_object.h"

namespace GSRuntime {

class GSGameObject : public GSObject, public GSNode {
public:
    GSGameObject();
    // Leaves the router, then destroys the object part.
    ~GSGameObject() override;

    // Only classes that are or derive from "GameObject"; without a class the
    // instance is detached.
    bool AttachScriptInstance(GSClass* cls, GSContext* context) override;
    // The router node part answers with an empty name.
    Zel::PString GetName() const override;

    // Drops what the object's threads and handlers hold (before teardown
    // releases the references of its instance).
    void ReleaseScriptResources();
};

}  // namespace GSRuntime
