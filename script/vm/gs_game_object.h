// GSGameObject: the native side of script objects that live in a router: a
// GSObject that is also a GSNode, with its script threads, the handlers
// other objects registered on it, and the natives of "GameObject".
#pragma once

#include <cstdint>
#include <vector>

#include "script/vm/gs_node.h"
#include "script/vm/gs_object.h"

namespace GSRuntime {

class GSStack;
class GSThread;
struct GSFunction;

// A handler kept on the object that receives the messages: a method of the
// owner run for each matching message, or a sniffer that sees them.
struct GSHandler {
    enum Kind : uint8_t { kScript = 0, kSniffer = 1 };
    int32_t ownerId;
    GSFunction* method;   // script handlers only
    int32_t blockOffset;  // of the method's class in the owner's instance
    uint16_t major;
    uint16_t minor;  // 1 = any minor
    Kind kind;
};

class GSGameObject : public GSObject, public GSNode {
public:
    static constexpr uint32_t kMaxThreads = 64;

    GSGameObject();
    // Deletes handlers and threads, leaves the router, then destroys the
    // object part.
    ~GSGameObject() override;

    // Only classes that are or derive from "GameObject"; without a class the
    // instance is detached. Handlers and threads go first either way.
    bool AttachScriptInstance(GSClass* cls, GSContext* context) override;
    // The router node part answers with an empty name.
    Zel::PString GetName() const override;
    // Offers the message to the threads (queueing for busy ones), runs the
    // matching script handlers on their owners and passes it to sniffers.
    bool ReceiveMessage(const GSMessage& message) override;
    // Drains the node and runs each thread one slice; ended threads go.
    void Process(float dt) override;

    // A new thread bound to this object, or null (64 already, or no
    // instance).
    GSThread* StartThread();
    void DumpThreadStacks() const;
    uint32_t ThreadCount() const { return static_cast<uint32_t>(threads_.size()); }
    uint32_t HandlerCount() const { return static_cast<uint32_t>(handlers_.size()); }

    // Drops what the object's threads and handlers hold (before teardown
    // releases the references of its instance).
    void ReleaseScriptResources();

    // The natives of "GameObject".
    bool NativeSendMessage(GSStack& stack);
    bool NativePostMessage(GSStack& stack);
    bool NativeClearMessages(GSStack& stack);
    bool NativeAddHandler(GSStack& stack);
    bool NativeSniff(GSStack& stack);
    bool NativeSleep(GSStack& stack);
    bool NativeGetId(GSStack& stack);
    bool NativeGetName(GSStack& stack);
    bool NativeException(GSStack& stack);

private:
    // Runs a script handler's method on its owner with the message.
    static void RunHandler(GSGameObject* owner, const GSHandler& handler, const GSMessage& message);
    // Sends or posts: the shared checks and the message.
    GSMessage* MakeMessage(GSStack& stack, const char* illegalText, uint32_t delay);

    std::vector<GSHandler> handlers_;  // newest first
    std::vector<GSThread*> threads_;   // oldest first
};

}  // namespace GSRuntime
