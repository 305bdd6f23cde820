// GSOSoup: a soup as a script object of class Soup, writable or a locked view.
#pragma once

#include "script/vm/gs_object.h"
#include "soup/soup_handle.h"

namespace GSRuntime {
class GSClass;
class GSContext;
class GSStack;
}  // namespace GSRuntime

class GSOSoup : public GSRuntime::GSObject {
public:
    // An empty soup that scripts may change.
    GSOSoup() = default;
    // A locked view of a soup owned elsewhere (shared, not copied).
    explicit GSOSoup(const SoupHandle& soup) : soup_(soup), locked_(true) {}

    static GSRuntime::GSClass* ScriptClass();
    // New objects with their instance attached; null when one cannot be made.
    static GSOSoup* MakeWritable(GSRuntime::GSContext* context);
    static GSOSoup* MakeLocked(GSRuntime::GSContext* context, const SoupHandle& soup);

    SoupHandle& Soup() { return soup_; }
    bool IsLocked() const { return locked_; }

    bool NativeCountTags(GSRuntime::GSStack& stack);
    bool NativeGetNamedTag(GSRuntime::GSStack& stack);
    bool NativeGetNamedSoup(GSRuntime::GSStack& stack);
    bool NativeGetIndexedTagName(GSRuntime::GSStack& stack);
    bool NativeGetIndexForNamedTag(GSRuntime::GSStack& stack);
    bool NativeGetNamedTagAsKUID(GSRuntime::GSStack& stack);
    bool NativeGetNamedTagAsInt(GSRuntime::GSStack& stack);
    bool NativeGetNamedTagAsIntOr(GSRuntime::GSStack& stack);
    bool NativeGetNamedTagAsFloat(GSRuntime::GSStack& stack);
    bool NativeGetNamedTagAsFloatOr(GSRuntime::GSStack& stack);
    bool NativeSetNamedTagString(GSRuntime::GSStack& stack);
    bool NativeSetNamedTagFloat(GSRuntime::GSStack& stack);
    bool NativeSetNamedTagInt(GSRuntime::GSStack& stack);
    bool NativeSetNamedTagKUID(GSRuntime::GSStack& stack);
    bool NativeSetNamedSoup(GSRuntime::GSStack& stack);
    bool NativeRemoveNamedTag(GSRuntime::GSStack& stack);
    bool NativeCopy(GSRuntime::GSStack& stack);
    bool NativeClear(GSRuntime::GSStack& stack);
    bool NativeIsLocked(GSRuntime::GSStack& stack);
    bool NativeAddUniqueNamedSoup(GSRuntime::GSStack& stack);
    bool NativeLog(GSRuntime::GSStack& stack);

private:
    // False (the message raised) when this soup is locked.
    bool Writable(const char* message) const;

    SoupHandle soup_;
    bool locked_ = false;
};
