// GSContext: construction and teardown, library contexts and static objects.
#include "script/vm/gs_context.h"

#include <algorithm>

#include "script/vm/gs_class.h"
#include "script/vm/gs_library.h"
#include "script/vm/gs_object.h"
#include "script/vm/gs_router.h"
#include "script/vm/script_instance.h"
#include "script/vm/script_log.h"

namespace GSRuntime {

namespace {

constexpr uint32_t kLibraryContextBuckets = 251;

std::vector<GSContext*>& Live()
{
    static std::vector<GSContext*> contexts;
    return contexts;
}

}  // namespace

GSContext::GSLibraryContext::GSLibraryContext(GSLibrary* library)
    : library_(library), slots_(library != nullptr ? library->ClassCount() : 0, nullptr)
{}

GSContext::GSContext(GSRouter* router, bool acceptForeignReferences)
    : pool_(this), router_(router), acceptForeignReferences_(acceptForeignReferences)
{
    libraryContexts_.Make(kLibraryContextBuckets);
    Live().push_back(this);
}

GSContext::~GSContext()
{
    libraryContexts_.ClearAndDelete<GSLibraryContext>();
    delete router_;
    router_ = nullptr;
    std::vector<GSContext*>& live = Live();
    live.erase(std::remove(live.begin(), live.end(), this), live.end());
    libraryContexts_.Free();
    pool_.TearDown();
}

const std::vector<GSContext*>& GSContext::LiveContexts()
{
    return Live();
}

GSContext::GSLibraryContext* GSContext::GetLibraryContext(GSLibrary* library)
{
    if (library == nullptr)
        return nullptr;
    void* found = libraryContexts_.FindValue(library->SourceCrc(), library->FileNameCrc());
    if (found != nullptr)
        return static_cast<GSLibraryContext*>(found);
    GSLibraryContext* created = new GSLibraryContext(library);
    if (!libraryContexts_.Insert(library->SourceCrc(), library->FileNameCrc(), created)) {
        delete created;
        return nullptr;
    }
    return created;
}

GSObject* GSContext::GetStaticObject(GSClass* cls)
{
    if (cls == nullptr || !cls->IsStatic())
        return nullptr;
    GSLibraryContext* libraryContext = GetLibraryContext(cls->Library());
    if (libraryContext == nullptr || cls->Index() >= libraryContext->SlotCount())
        return nullptr;
    GSObject*& slot = libraryContext->StaticObject(cls->Index());
    if (slot != nullptr)
        return slot;
    GSObject* object = new GSObject;
    if (!object->AttachScriptInstance(cls, this)) {
        delete object;
        GSLog("Could not construct static class %s for context", cls->Name());
        return nullptr;
    }
    slot = object;
    return object;
}

bool ReferenceAllowed(const GSContext* holderContext, const Slot* handle)
{
    if (holderContext == nullptr || handle == nullptr)
        return true;
    const GSContext* context = GSScriptInstance::FromHandle(handle)->Context();
    return context == nullptr || context == holderContext || context->AcceptsForeignReferences();
}

}  // namespace GSRuntime
