// GSScriptInstance: the header in front of every script-visible instance's
// member blocks, and the handle arithmetic that leads back to it.
#pragma once

#include <cstdint>
#include <type_traits>

#include "script/vm/slot.h"

namespace GSRuntime {

class GSClass;
class GSContext;
class GSObjectReference;
struct GSPoolSlot;

// A handle is the address of a member block's first slot; that slot holds
// the block's distance back to the first block (0 for the first block, -o
// for a base block at offset o), and the header lies just before the first
// block. Arrays and strings have one block of that one slot.
struct GSScriptInstance {
    GSPoolSlot* slot;          // this instance's pool slot; null when untracked
    int32_t references;        // the native owner's link counts as one
    GSObjectReference* owner;  // the array, string or native object; null once detached
    GSClass* cls;              // null for arrays and strings

    Slot* Members() { return reinterpret_cast<Slot*>(this + 1); }

    static GSScriptInstance* FromHandle(const Slot* handle)
    {
        const Slot* first = handle + handle->AsInt();
        return reinterpret_cast<GSScriptInstance*>(const_cast<Slot*>(first)) - 1;
    }
    // The distance in slots from the first member block (GetBlockIndex).
    static int32_t BlockIndex(const Slot* handle) { return -handle->AsInt(); }
    static bool SameInstance(const Slot* a, const Slot* b) { return FromHandle(a) == FromHandle(b); }

    // Counts for handles; null is ignored.
    static void AddReference(const Slot* handle);
    static void Release(const Slot* handle);
    // Lowers the count; at 0 the owner goes (a game object of a router is
    // handed to its router), or, without owner, the instance through its class.
    static void Release(GSScriptInstance* header);

    // Stores `handle` into word `word` of the member block `target`; the
    // handle's count moves into the word. A handle of another context that
    // refuses foreign references is released and null stored instead (false).
    // The word's old handle is released.
    static bool StoreReference(Slot* target, uint32_t word, Slot* handle);

    // Bring-up shared by arrays, strings and objects: a slot in the
    // context's pool (none without a context), one reference, owner, class.
    void Start(GSContext* context, GSObjectReference* instanceOwner, GSClass* instanceClass);
    // Returns the pool slot (if any) and counts the instance as gone.
    void Finish();
    // The context whose pool holds this instance, or null.
    GSContext* Context() const;

    // The three passes of a pool's teardown.
    void Pin();
    void ReleaseReferences();
    void Destroy();
};

static_assert(std::is_standard_layout_v<GSScriptInstance>, "headers are laid out by hand");
static_assert(sizeof(GSScriptInstance) % sizeof(Slot) == 0, "member blocks follow the header slot-aligned");

// Instances made and not yet finished (objects, arrays and strings).
int64_t LiveScriptInstances();

}  // namespace GSRuntime
