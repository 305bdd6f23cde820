// GSOKUIDList: an ordered list of distinct asset ids as a script object of class KUIDList.
#pragma once

#include "foundation/containers/chunked_list.h"
#include "kuid/kuid.h"
#include "script/vm/gs_object.h"

namespace GSRuntime {
class GSClass;
class GSContext;
class GSStack;
}  // namespace GSRuntime

class GSOKUIDList : public GSRuntime::GSObject {
public:
    using List = ChunkedList<KUID, 128>;

    // Empty and writable.
    GSOKUIDList() = default;
    // A locked copy of a list owned elsewhere.
    explicit GSOKUIDList(const List& kuids) : kuids_(kuids), locked_(true) {}

    static GSRuntime::GSClass* ScriptClass();
    static GSOKUIDList* MakeWritable(GSRuntime::GSContext* context);
    static GSOKUIDList* MakeLocked(GSRuntime::GSContext* context, const List& kuids);

    const List& Kuids() const { return kuids_; }

    bool NativeCountKUIDs(GSRuntime::GSStack& stack);
    bool NativeAddKUID(GSRuntime::GSStack& stack);
    bool NativeRemoveKUID(GSRuntime::GSStack& stack);
    bool NativeHasKUID(GSRuntime::GSStack& stack);
    bool NativeGetIndexedKUID(GSRuntime::GSStack& stack);
    bool NativeCopy(GSRuntime::GSStack& stack);
    bool NativeClear(GSRuntime::GSStack& stack);
    bool NativeIsLocked(GSRuntime::GSStack& stack);

private:
    bool Writable(const char* message) const;

    List kuids_;
    bool locked_ = false;
};
