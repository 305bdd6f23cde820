// GSArray: a script array of plain values or of counted references.
#pragma once

#include <cstddef>
#include <cstdint>

#include "script/vm/object_reference.h"
#include "script/vm/script_instance.h"

namespace GSRuntime {

class GSClass;
class GSContext;

// A value's header and its one member slot, back to back, as the handle
// arithmetic expects.
struct GSValueHead {
    GSScriptInstance header;
    Slot block;
};
static_assert(offsetof(GSValueHead, block) == sizeof(GSScriptInstance), "a value's handle follows its header");

class GSArray final : public GSObjectReference {
public:
    // Element type 0 holds plain values; any other value holds references.
    GSArray(GSContext* context, uint8_t elementType);
    ~GSArray() override;

    Slot* GetScriptInstance() const override { return const_cast<Slot*>(&head_.block); }
    GSScriptInstance* Header() { return &head_.header; }

    int32_t Count() const { return count_; }
    uint8_t ElementType() const { return elementType_; }
    bool HoldsReferences() const { return elementType_ != 0; }
    const Slot* Elements() const { return elements_; }

    // False for i outside 0 to Count() - 1.
    bool GetElement(int32_t i, Slot* value) const;
    // False for a negative i; past the end a null handle and false.
    bool GetObjectElement(int32_t i, Slot** handle, bool addReference) const;
    // False for a negative i (or storage that cannot be had); past the end
    // the array grows to i + 1 elements.
    bool SetElement(int32_t i, Slot value);
    // A reference store: with addReference false the caller's reference
    // moves in (and is released when the store refuses it), with true the
    // stored handle gets a count of its own. A handle of another context
    // that does not accept foreign references becomes null; with an element
    // class the handle is moved to that class's member block (null when the
    // object is not of it).
    bool SetObjectElement(int32_t i, Slot* handle, bool addReference, GSClass* elementClass);

    // Range operations; indexes below 0 count as 0 (first) or the end (last).
    bool Splice(int32_t first, int32_t last, const GSArray* source);
    bool CopyRange(const GSArray* source, int32_t first, int32_t last);
    // Grows to n elements (zero-filled); n below 1 empties the array.
    bool EnsureSize(int32_t n);
    void AddRefRange(int32_t first, int32_t n);
    void ReleaseRange(int32_t first, int32_t n);
    // Releases every element reference and frees the storage (teardown).
    void ReleaseAll();

private:
    // Storage for n slots; null when it cannot be had or n is too large.
    static Slot* NewStorage(int64_t n);
    void Install(Slot* storage, int32_t count, int32_t capacity);

    Slot* elements_ = nullptr;
    int32_t count_ = 0;
    // Slots allocated; appends double it, so growing by one is not O(n) each.
    int32_t capacity_ = 0;
    uint8_t elementType_;
    GSValueHead head_;
};

}  // namespace GSRuntime
