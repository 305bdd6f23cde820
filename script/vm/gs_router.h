// GSRouter: the message switch of one context: message-type ids and the
// nodes, by id and by name.
#pragma once

#include <cstdint>
#include <map>
#include <set>

#include "script/common/double_link_list.h"
#include "script/common/keyed_hash_table.h"
#include "zel/string.h"

namespace GSRuntime {

class GSNode;

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
};

}  // namespace GSRuntime
