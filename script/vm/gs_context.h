// GSContext: a script world: the pool of its instances, the static objects
// of its static classes per library, and its router.
#pragma once

#include <cstdint>
#include <vector>

#include "script/vm/id_hash_table.h"
#include "script/vm/slot.h"
#include "script/vm/tracked_pool.h"

namespace GSRuntime {

class GSClass;
class GSLibrary;
class GSObject;
class GSRouter;
class GSStack;
struct GSMessage;

class GSContext {
public:
    // One slot per class of a library: the class's static object once made.
    class GSLibraryContext {
    public:
        explicit GSLibraryContext(GSLibrary* library);
        virtual ~GSLibraryContext() = default;

        GSLibrary* Library() const { return library_; }
        uint32_t SlotCount() const { return static_cast<uint32_t>(slots_.size()); }
        GSObject*& StaticObject(uint32_t i) { return slots_[i]; }

    private:
        GSLibrary* library_;
        std::vector<GSObject*> slots_;
    };

    // An empty pool, an empty table of library contexts, the router (owned;
    // may be null) and the foreign-reference flag; the context joins the set
    // of live contexts.
    explicit GSContext(GSRouter* router = nullptr, bool acceptForeignReferences = false);
    // Deletes the library contexts, ends and deletes the router, leaves the
    // live set and tears the pool down (deleting every native owner it still
    // finds: objects of this context must not be deleted by their holders
    // afterwards).
    virtual ~GSContext();
    GSContext(const GSContext&) = delete;
    GSContext& operator=(const GSContext&) = delete;

    GSTrackedPool& Pool() { return pool_; }
    GSRouter* Router() const { return router_; }
    // Whether objects of other contexts may keep references to this
    // context's objects.
    bool AcceptsForeignReferences() const { return acceptForeignReferences_; }
    void SetAcceptsForeignReferences(bool accept) { acceptForeignReferences_ = accept; }

    // Made on first use, one empty slot per class of the library.
    GSLibraryContext* GetLibraryContext(GSLibrary* library);
    // The static object of a static class, made on first use; null for a
    // class that is not static or whose object cannot be made (logged).
    GSObject* GetStaticObject(GSClass* cls);
    // The script object of class "Message" for a routed message; its handle,
    // whose count the caller owns. Null without the class or a router.
    Slot* MakeMessageObject(const GSMessage& message);

    // The live contexts in the order they were made.
    static const std::vector<GSContext*>& LiveContexts();

    // Context natives of the core class "Router" (router_natives.cpp).
    bool NativeGetGameObject(GSStack& stack);
    bool NativeGetForeignGameObject(GSStack& stack);
    bool NativeGetGameObjectByName(GSStack& stack);
    bool NativeRouterInfo(GSStack& stack);
    bool NativeRouterPostMessage(GSStack& stack);

private:
    GSTrackedPool pool_;
    IdHashTable libraryContexts_;
    GSRouter* router_;
    bool acceptForeignReferences_;
};

// Whether an instance of a context may hold `handle`: not when the handle's
// instance belongs to another context that refuses foreign references. A
// holder without context, or a handle without one, may.
bool ReferenceAllowed(const GSContext* holderContext, const Slot* handle);

}  // namespace GSRuntime
