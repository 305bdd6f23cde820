// GSRouter: message-type ids, the node tables and the end of a router.
#include "script/vm/gs_router.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "script/vm/gs_node.h"
#include "script/vm/script_log.h"

namespace GSRuntime {

namespace {

constexpr uint32_t kTableBuckets = 251;

// Node ids are unique across routers and never reused.
std::atomic<int32_t> g_nextNodeId{1};

const Zel::String& EmptyName()
{
    static const Zel::String empty;
    return empty;
}

}  // namespace

GSRouter::GSRouter()
{
    messageNames_.Make(kTableBuckets);
    nodeNames_.Make(kTableBuckets);
    nodeIds_.Make(kTableBuckets);
    messageMemory_.Init(64, 16, 256);
}

GSRouter::~GSRouter()
{
    Done();
}

uint16_t GSRouter::InternName(const char* name)
{
    if (name == nullptr || *name == '\0')
        return 1;
    Utils::KeyedIterator it;
    if (messageNames_.Find(name, &it))
        return static_cast<uint16_t>(reinterpret_cast<uintptr_t>(it.Node()->value));
    // Ids are 16 bits: past the last one no further name is taken.
    if (idCounter_ == 0xFFFF)
        return 0;
    const uint16_t id = static_cast<uint16_t>(idCounter_ + 1);
    if (!messageNames_.Insert(name, reinterpret_cast<void*>(uintptr_t(id))))
        return 0;
    idCounter_ = id;
    idNames_[id] = Zel::String(name);
    return id;
}

const Zel::String& GSRouter::NameOf(uint16_t id) const
{
    const auto found = idNames_.find(id);
    return found != idNames_.end() ? found->second : EmptyName();
}

bool GSRouter::AddNode(GSNode* node)
{
    if (node == nullptr || node->id_ != -1 || node->router_ != nullptr)
        return false;
    const int32_t id = g_nextNodeId.fetch_add(1);
    const Zel::PString name = node->GetName();
    if (!name.IsEmpty()) {
        node->nameCopy_ = strdup(name.c_str());
        if (node->nameCopy_ != nullptr && !nodeNames_.Insert(node->nameCopy_, reinterpret_cast<void*>(intptr_t(id)))) {
            std::free(node->nameCopy_);
            node->nameCopy_ = nullptr;
        }
    }
    if (!nodeIds_.Insert(static_cast<uint32_t>(id), node)) {
        Utils::KeyedIterator it;
        if (node->nameCopy_ != nullptr && nodeNames_.Find(node->nameCopy_, &it))
            nodeNames_.Erase(&it, nullptr);
        std::free(node->nameCopy_);
        node->nameCopy_ = nullptr;
        return false;
    }
    nodes_.PushFront(node);
    node->id_ = id;
    node->router_ = this;
    if (node->scheduled_)
        scheduled_.insert(node);
    return true;
}

bool GSRouter::RemoveNode(GSNode* node)
{
    if (node == nullptr || node->router_ != this)
        return false;
    Utils::KeyedIterator it;
    if (node->nameCopy_ != nullptr && nodeNames_.Find(node->nameCopy_, &it) &&
        reinterpret_cast<intptr_t>(it.Node()->value) == node->id_) {
        nodeNames_.Erase(&it, nullptr);
    }
    std::free(node->nameCopy_);
    node->nameCopy_ = nullptr;
    for (auto& [major, nodes] : subscriptions_)
        nodes.erase(node);
    if (nodeIds_.Find(static_cast<uint32_t>(node->id_), &it))
        nodeIds_.Erase(&it, nullptr);
    nodes_.Unlink(node);
    node->id_ = -1;
    node->router_ = nullptr;
    scheduled_.erase(node);
    return true;
}

GSNode* GSRouter::FindNode(int32_t id) const
{
    if (id == 0)
        return nullptr;
    return static_cast<GSNode*>(nodeIds_.FindValue(static_cast<uint32_t>(id)));
}

GSNode* GSRouter::FindNodeByName(const char* name) const
{
    if (name == nullptr)
        return nullptr;
    Utils::KeyedIterator it;
    if (!nodeNames_.Find(name, &it))
        return nullptr;
    return FindNode(static_cast<int32_t>(reinterpret_cast<intptr_t>(it.Node()->value)));
}

void GSRouter::Done()
{
    if (nodes_.Count() > 0)
        GSLog("GSRouter::Done(), %d outstanding node(s)", static_cast<int>(nodes_.Count()));
    subscriptions_.clear();
    messageNames_.Make(kTableBuckets);
    idNames_.clear();
    idCounter_ = 100;
    nodeNames_.Make(kTableBuckets);
    nodeIds_.Make(kTableBuckets);
    std::vector<GSNode*> detached;
    while (Utils::IDoubleLinkListNode* first = nodes_.First()) {
        GSNode* node = static_cast<GSNode*>(first);
        nodes_.Unlink(node);
        node->id_ = -1;
        node->router_ = nullptr;
        std::free(node->nameCopy_);
        node->nameCopy_ = nullptr;
        detached.push_back(node);
    }
    // Detached and possibly deleted nodes must not be reached through the
    // scheduled set afterwards.
    scheduled_.clear();
    // Chosen before any goes: deleting a game object releases what its
    // threads held, which may delete other detached game objects.
    std::vector<GSNode*> doomed;
    for (GSNode* node : detached) {
        if (node->HasFlag(GSNode::kNodeDeleteRequested))
            doomed.push_back(node);
    }
    for (GSNode* node : doomed)
        delete node;
    // Copies held by thread queues come from this memory too: the threads
    // of nodes detached here no longer return them.
    messageMemory_.MarkAllFree();
    delayed_.assign(1, nullptr);
    delayCount_ = 0;
    posted_.clear();
    dumpMajor_ = 0;
    dumpMinor_ = 0;
}

}  // namespace GSRuntime
