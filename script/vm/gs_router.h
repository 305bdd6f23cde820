// GSRouter: the message switch of one context: message-type ids and the
// nodes, by id and by name.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "script/common/block_memory.h"
#include "script/common/double_link_list.h"
#include "script/common/frame_memory.h"
#include "script/common/keyed_hash_table.h"
#include "zel/string.h"

namespace GSRuntime {

class GSNode;
struct GSMessage;

class GSRouter {
public:
    GSRouter();
    // Ends the router (Done) and frees its tables.
    ~GSRouter();
    GSRouter(const GSRouter&) = delete;
    GSRouter& operator=(const GSRouter&) = delete;

    // 1 for a null or empty name; the name's id, made on first use from 101
    // upwards; 0 when no id can be had.
    uint16_t InternName(const char* name);
    // The text of an id; empty for one never interned.
    const Zel::String& NameOf(uint16_t id) const;

    // A detached node gets the next process-wide id and joins the router.
    bool AddNode(GSNode* node);
    bool RemoveNode(GSNode* node);
    // Null for id 0, a null name or a node not attached here.
    GSNode* FindNode(int32_t id) const;
    GSNode* FindNodeByName(const char* name) const;
    uint32_t NodeCount() const { return nodes_.Count(); }

    // Detaches every node (deleting those whose deletion was requested),
    // forgets every name and empties the scheduled set.
    void Done();

    // Subscriptions of nodes to a major id (counted: a node subscribed twice
    // needs two unsubscribes). False for a detached node, or an unsubscribe
    // without subscription.
    bool Subscribe(GSNode* node, uint16_t major);
    bool Unsubscribe(GSNode* node, uint16_t major);
    // How often the node subscribed to the major (0: not subscribed).
    int32_t SubscriptionCount(const GSNode* node, uint16_t major) const;

    // A 16-byte message from the current frame memory; it lives until the
    // step after the one that delivers what was posted with it.
    GSMessage* NewFrameMessage();
    // Copies for queues of threads and the delay queue; null when none can
    // be had.
    GSMessage* AllocMessage();
    void FreeMessage(GSMessage* message);

    // Delivers at once: to the destination, or broadcast to every
    // subscriber (majors of 100 and up) or every node (system majors).
    void DeliverMessage(const GSMessage& message);
    // A message with a delay goes, copied, into the delay queue due at
    // clock + delay; one without into the ring of posted messages, by
    // pointer. False when no memory can be had.
    bool QueueMessage(GSMessage* message);
    // Removes the delayed messages to the node of that major and minor
    // ("" matches any minor) and logs how many went.
    void ClearQueuedMessages(GSNode* node, const char* major, const char* minor);
    uint32_t DelayedCount() const { return delayCount_; }
    uint32_t PostedCount() const { return static_cast<uint32_t>(posted_.size()); }
    uint32_t Clock() const { return clock_; }

    // Our periodic step: advance the clock by dt seconds (in milliseconds),
    // swap the frame memories, deliver the delayed messages that are due and
    // the messages posted before this step, then process each scheduled node
    // that is still attached.
    void Step(float dt);

    // Diagnostics through the script log.
    void PrintInfo() const;
    void DumpAllThreadStacks() const;
    void TraceMessage(const GSMessage& message) const;
    // Appends "router message from ..." and a newline to `text`.
    void DescribeMessage(const GSMessage& message, std::string* text) const;
    // Messages of exactly these ids dump thread stacks instead of arriving.
    void SetStackDumpIds(uint16_t major, uint16_t minor)
    {
        dumpMajor_ = major;
        dumpMinor_ = minor;
    }
    // The process-wide trace switch (off unless a test turns it on).
    static void SetTrace(bool on);

    // Nodes with pending work, in address order.
    void Schedule(GSNode* node) { scheduled_.insert(node); }
    void Unschedule(GSNode* node) { scheduled_.erase(node); }
    const std::set<GSNode*>& Scheduled() const { return scheduled_; }

    // A router the foreign look-up of other contexts skips.
    bool NotSearchable() const { return notSearchable_; }
    void SetNotSearchable(bool value) { notSearchable_ = value; }

private:
    Utils::StringHashTable messageNames_;
    std::map<uint16_t, Zel::String> idNames_;
    uint16_t idCounter_ = 100;
    Utils::StringHashTable nodeNames_;
    Utils::IntHashTable nodeIds_;
    Utils::DoubleLinkList nodes_;
    std::set<GSNode*> scheduled_;
    bool notSearchable_ = false;

    // Moves the last entry of the delay queue into slot i and restores the
    // heap order.
    void RemoveDelayed(uint32_t i);
    void SiftDown(uint32_t i);
    void DeliverTo(GSNode* node, const GSMessage& message) const;
    std::string Describe(const GSMessage& message) const;

    uint16_t dumpMajor_ = 0;
    uint16_t dumpMinor_ = 0;
    // Major id to node to how often it subscribed; nodes in address order.
    std::map<uint16_t, std::map<GSNode*, int32_t>> subscriptions_;
    Utils::FrameMemory frameMessages_[2];
    int currentFrame_ = 0;
    std::deque<const GSMessage*> posted_;
    // 1-based min-heap on the low 30 bits of the key; slot 0 stays null.
    std::vector<GSMessage*> delayed_{nullptr};
    uint32_t delayCount_ = 0;
    Utils::BlockMemory messageMemory_;
    uint32_t clock_ = 0;
};

}  // namespace GSRuntime
