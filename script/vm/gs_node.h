// GSNode: an endpoint of a message router, and GSMessage, the routed record.
#pragma once

#include <cstdint>

#include "script/common/double_link_list.h"
#include "zel/pstring.h"

namespace GSRuntime {

class GSRouter;

// A routed message. Ids: 1 the empty name (as a minor it matches any minor),
// 2 to 99 system types (3 = delete request), 101 and up interned names.
struct GSMessage {
    uint16_t major;
    uint16_t minor;
    int32_t source;
    int32_t destination;  // 0 = broadcast
    uint32_t key;         // bit 31 set when made; low 30 bits delay, then due time
};

constexpr uint16_t kMessageDeleteRequest = 3;

class GSNode : public Utils::IDoubleLinkListNode {
public:
    enum Flag : uint32_t {
        kNodeUnsubscribed = 0x1,  // left out of subscribed delivery
        kNodeGameObject = 0x2,    // its thread stacks can be dumped
        kNodeDeleteRequested = 0x40000000,
    };

    GSNode() = default;
    // Leaves its router first.
    ~GSNode() override;

    // The node's name as the router enters it; empty for a plain node.
    virtual Zel::PString GetName() const;
    // A delete request (major 3) marks the node for deletion and is taken.
    virtual bool ReceiveMessage(const GSMessage& message);
    // Pending work; a positive time step clears the scheduled mark.
    virtual void Process(float dt);

    // Marks the node as having pending work; a detached node whose deletion
    // was requested deletes itself instead.
    void Schedule();
    // Sets the delete-requested bit and schedules the node.
    void RequestDelete();
    // Through the node's router; false while detached.
    bool Subscribe(uint16_t major);
    bool Unsubscribe(uint16_t major);
    // A message from this node made in the router's current frame memory
    // (delay in milliseconds, 0 immediate); null, with a log line, for a
    // detached node, and null when a name gets no id.
    GSMessage* RequestMessage(const char* major, const char* minor, int32_t destination, uint32_t delay);

    int32_t Id() const { return id_; }
    uint32_t Flags() const { return flags_; }
    bool HasFlag(uint32_t flag) const { return (flags_ & flag) != 0; }
    void SetFlag(uint32_t flag, bool on) { flags_ = on ? flags_ | flag : flags_ & ~flag; }
    GSRouter* RouterOf() const { return router_; }
    bool IsScheduled() const { return scheduled_; }

private:
    friend class GSRouter;

    int32_t id_ = -1;
    uint32_t flags_ = 0;
    GSRouter* router_ = nullptr;
    char* nameCopy_ = nullptr;
    bool scheduled_ = false;
};

}  // namespace GSRuntime
