// GSGameObject: attachment limited to game-object classes, its threads and
// handlers, message reception and processing.
#include "script/vm/gs_game_object.h"

#include <algorithm>

#include "script/vm/gs_class.h"
#include "script/vm/gs_context.h"
#include "script/vm/gs_machine.h"
#include "script/vm/gs_router.h"
#include "script/vm/gs_thread.h"
#include "script/vm/script_instance.h"
#include "script/vm/script_log.h"

namespace GSRuntime {

namespace {

// Set on a message's key while a sniffer sees it: no sniffer passes it on.
constexpr uint32_t kSniffedBit = 0x40000000;

}  // namespace

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
    handlers_.clear();
    // A thread's reset may release the last reference of an object whose
    // teardown comes back here: the list is taken first.
    std::vector<GSThread*> threads;
    threads.swap(threads_);
    for (GSThread* thread : threads)
        delete thread;
}

GSThread* GSGameObject::StartThread()
{
    if (threads_.size() >= kMaxThreads || GetScriptClass() == nullptr)
        return nullptr;
    GSThread* thread = new GSThread(this, 0);
    threads_.push_back(thread);
    Schedule();
    return thread;
}

void GSGameObject::DumpThreadStacks() const
{
    if (!GSLogEnabled())
        return;
    for (size_t i = 0; i < threads_.size(); ++i) {
        GSLog("*** STACK DUMP OF THREAD %d ON GAME OBJECT %s, id %d ***", static_cast<int>(i), GetName().c_str(), Id());
        threads_[i]->Stack().Dump();
    }
}

void GSGameObject::Process(float dt)
{
    GSNode::Process(dt);
    // Threads started meanwhile join the back and run in this pass too.
    for (size_t i = 0; i < threads_.size();) {
        GSThread* thread = threads_[i];
        if (thread->Run(dt) == ER_Blocked) {
            ++i;
            continue;
        }
        const auto at = std::find(threads_.begin(), threads_.end(), thread);
        if (at != threads_.end()) {
            threads_.erase(at);
            delete thread;
        }
    }
    if (!threads_.empty())
        Schedule();
}

void GSGameObject::RunHandler(GSGameObject* owner, const GSHandler& handler, const GSMessage& message)
{
    GSThread* thread = GSMachine::Get()->MainThread();
    GSScriptInstance* instance = owner->Instance();
    if (thread == nullptr || instance == nullptr || owner->GetContext() == nullptr)
        return;
    GSThreadState saved;
    thread->SaveState(&saved);
    Slot* receiver = instance->Members() + handler.blockOffset;
    GSScriptInstance::AddReference(receiver);
    thread->Stack().PushReference(receiver);
    thread->Stack().Push(Slot::FromPointer(owner->GetContext()->MakeMessageObject(message)));
    if (thread->Stack().PushFrame(handler.method, 0)) {
        thread->SetResumeOffset(0);
        thread->Run(0.0f);
    } else {
        GSScriptInstance::Release(thread->Stack().Pop().AsHandle());
        GSScriptInstance::Release(receiver);
    }
    thread->RestoreState(saved);
}

bool GSGameObject::ReceiveMessage(const GSMessage& message)
{
    GSRouter* router = RouterOf();
    if (router == nullptr)
        return false;
    bool taken = false;
    for (size_t i = 0; i < threads_.size(); ++i)
        taken = threads_[i]->ReceiveMessage(message, true) || taken;
    std::vector<GSHandler> matching;
    for (const GSHandler& handler : handlers_) {
        if (handler.major == message.major && (handler.minor == 1 || handler.minor == message.minor))
            matching.push_back(handler);
    }
    for (const GSHandler& handler : matching) {
        // Handlers run scripts: the router may lose nodes (this one too)
        // meanwhile, so the owner is looked up each time.
        GSNode* node = router->FindNode(handler.ownerId);
        if (node == nullptr || !node->HasFlag(kNodeGameObject))
            continue;
        GSGameObject* owner = static_cast<GSGameObject*>(node);
        if (handler.kind == GSHandler::kScript) {
            RunHandler(owner, handler, message);
            taken = true;
        } else if ((message.key & kSniffedBit) == 0) {
            GSMessage sniffed = message;
            sniffed.key |= kSniffedBit;
            owner->ReceiveMessage(sniffed);
        }
    }
    if (taken)
        return true;
    return GSNode::ReceiveMessage(message);
}

}  // namespace GSRuntime
