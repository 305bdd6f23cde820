// KorvelScriptContext: the script world asset scripts run in, with the asset it serves, its staged objects and its libraries.
#include "scripthost/korvel_script_context.h"

#include "script/vm/gs_router.h"
#include "script/vm/script_log.h"
#include "scripthost/gso_library.h"
#include "scripthost/native_plugin.h"

KorvelScriptContext::KorvelScriptContext(const KUID& asset)
    : GSContext(new GSRuntime::GSRouter, false), asset_(asset), nativeInterfaceContext_(KNIAllocContext(this))
{
    // Library records of a loaded list are made for this context.
    RegisterLibraryWorldFactory();
    worldList_.SetFactoryContext(this);
}

KorvelScriptContext::~KorvelScriptContext()
{
    worldList_.Clear();
    // Objects still queued are deleted by the pool's teardown, after this
    // part of the context is gone: they must not come back to dequeue.
    for (DelayedInitClient* client : Pending()) {
        if (client != nullptr)
            Dequeue(client);
    }
    KNIRelease(nativeInterfaceContext_);
}

void KorvelScriptContext::SetSystemMenuIcon(GSOLibrary*, const KUID&, const Zel::PString&, const Zel::PString&) {}

void KorvelScriptContext::BlinkSystemMenuIcon(GSOLibrary*, int32_t) {}

void KorvelScriptContext::ShowSystemMenuIconMenu(GSOLibrary*, GSRuntime::GSStack&) {}

SoupHandle KorvelScriptContext::SystemCall(const Zel::PString& /*name*/, const SoupHandle& soup)
{
    soup.Log();
    return SoupHandle();
}

bool KorvelScriptContext::OpenURL(const Zel::PString& /*address*/)
{
    return false;
}

void KorvelScriptContext::OnLibraryAdded(GSOLibrary*) {}

KorvelScriptContext* KorvelScriptContext::GetParentContext()
{
    return nullptr;
}

PemberlynxSpecRef KorvelScriptContext::FindLibrarySpec(const KUID& id)
{
    return FindSpecByKUID(id);
}

GSOLibrary* KorvelScriptContext::GetScriptLibrary(const KUID& id)
{
    if (id.IsNull())
        return nullptr;
    const PemberlynxSpecRef found = FindLibrarySpec(id);
    auto* spec = dynamic_cast<GSOLibrarySpec*>(found.Get());
    if (spec == nullptr) {
        GSRuntime::GSLog("KorvelScriptContext::GetScriptLibrary> unable to find Library %s", id.ToTagString().c_str());
        return nullptr;
    }
    for (int32_t i = 0; i < worldList_.GetSlotCount(); ++i) {
        auto* library = dynamic_cast<GSOLibrary*>(worldList_.GetItem(i));
        if (library != nullptr && library->GetLibrarySpec() == spec) {
            library->Activate();
            return library;
        }
    }
    if (spec->IsShared()) {
        if (KorvelScriptContext* parent = GetParentContext())
            return parent->GetScriptLibrary(id);
    }
    if (listLocked_ != 0) {
        GSRuntime::GSLog("KorvelScriptContext::GetScriptLibrary> attempted while list is locked");
        return nullptr;
    }
    GSOLibrary* library = spec->CreateLibrary(this);
    if (library == nullptr) {
        GSRuntime::GSLog("KorvelScriptContext::GetScriptLibrary> unable to create instance of Library %s",
                         id.ToTagString().c_str());
        return nullptr;
    }
    worldList_.AddItem(library);
    OnLibraryAdded(library);
    library->Activate();
    if (library->HasFailed()) {
        GSRuntime::GSLog("KorvelScriptContext::GetScriptLibrary> script failure on Library %s",
                         id.ToTagString().c_str());
        worldList_.RemoveItem(library);
        // Deleted here rather than left to its instance's count: a library
        // whose class never bound has no instance that could ever free it.
        delete library;
        return nullptr;
    }
    return library;
}
