// Base of engine objects shared by counted references; the count starts at 1.
#pragma once

#include "zel/protected_long.h"

namespace Zel {

class ReferenceCount {
public:
    ReferenceCount() : references_(1) {}
    virtual ~ReferenceCount() = default;
    ReferenceCount(const ReferenceCount&) = delete;
    ReferenceCount& operator=(const ReferenceCount&) = delete;

    long AddReference() { return references_.Increment(); }
    // Deletes the object when the count reaches 0; returns the new count.
    long ReleaseReference()
    {
        long left = references_.Decrement();
        if (left == 0)
            delete this;
        return left;
    }
    long GetReferenceCount() const { return references_.Get(); }

private:
    ProtectedLong references_;
};

}  // namespace Zel
