// KorvelScriptContext: the script world asset scripts run in, with the asset it serves, its staged objects and its libraries.
#pragma once

#include <cstdint>

#include "assetdb/pemberlynx_spec.h"
#include "kuid/kuid.h"
#include "script/vm/gs_context.h"
#include "scripthost/delayed_init.h"
#include "scripthost/native_plugin_interface.h"
#include "scripthost/world_list.h"
#include "soup/soup_handle.h"
#include "zel/pstring.h"

class GSOLibrary;
namespace GSRuntime {
class GSStack;
}

// The least of the host's context that the native classes need: a router of
// its own, the asset whose scripts run here (the null id when none), the
// queue of script-backed objects still being set up and the world list of
// the library objects made here. A host with a shell to ask overrides the
// system calls and the system-menu hooks.
class KorvelScriptContext : public GSRuntime::GSContext, public DelayedInitManager {
public:
    explicit KorvelScriptContext(const KUID& asset = KUID());
    // The library objects go first, while the pool they live in still stands.
    ~KorvelScriptContext() override;

    const KUID& GetAssetKUID() const { return asset_; }

    // The null id with two empty texts removes the library's icon. The
    // system menu is the host's: here the three hooks do nothing.
    virtual void SetSystemMenuIcon(GSOLibrary* library, const KUID& asset, const Zel::PString& text,
                                   const Zel::PString& tooltip);
    virtual void BlinkSystemMenuIcon(GSOLibrary* library, int32_t count);
    // The stack's current frame is the native call whose argument 1 is the menu.
    virtual void ShowSystemMenuIconMenu(GSOLibrary* library, GSRuntime::GSStack& stack);
    // KorvelSystemCall: here the soup goes to the log and the answer is the
    // null soup.
    virtual SoupHandle SystemCall(const Zel::PString& name, const SoupHandle& soup);
    // Here no address is ever opened.
    virtual bool OpenURL(const Zel::PString& address);
    virtual void OnLibraryAdded(GSOLibrary* library);
    // The context that owns the shared libraries; none here.
    virtual KorvelScriptContext* GetParentContext();
    // A library asset's GSOLibrarySpec: here the daemon's,
    // through the registry's library factory (FindSpecByKUID).
    virtual PemberlynxSpecRef FindLibrarySpec(const KUID& id);

    // The library object of a library asset, made, listed and started on
    // first use; null (logged) when there is none or it failed to start.
    GSOLibrary* GetScriptLibrary(const KUID& id);

    // While non-zero no library object may be added (a walk of the list).
    void LockList() { ++listLocked_; }
    void UnlockList() { --listLocked_; }
    // Its factory context is this context.
    WorldList& GetWorldList() { return worldList_; }
    // Handed to native-interface plug-ins; the context holds its reference.
    KNIObject* GetNativeInterfaceContext() const { return nativeInterfaceContext_; }

private:
    KUID asset_;
    int32_t listLocked_ = 0;
    WorldList worldList_;
    KNIObject* nativeInterfaceContext_ = nullptr;
};
