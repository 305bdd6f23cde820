// GSObjectReference: the base of every script value and native script object.
#pragma once

#include <cstddef>
#include <cstdint>

#include "script/vm/slot.h"

namespace GSRuntime {

class GSObjectReference {
public:
    enum Kind : int32_t {
        KindNone = 0,
        KindArray = 1,
        KindString = 2,
        KindObject = 3,
        KindGameObject = 4,
    };

    virtual ~GSObjectReference() = default;
    GSObjectReference(const GSObjectReference&) = delete;
    GSObjectReference& operator=(const GSObjectReference&) = delete;

    // The handle of this object's script instance (null without one).
    virtual Slot* GetScriptInstance() const = 0;
    Kind GetKind() const { return kind_; }

    // The whole family lives on the "#GSContext" heap.
    static void* operator new(size_t size);
    static void operator delete(void* block);

protected:
    explicit GSObjectReference(Kind kind) : kind_(kind) {}

private:
    Kind kind_;
};

}  // namespace GSRuntime
