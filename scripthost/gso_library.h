// GSOLibrary: the native side of the script class Library, one per library asset and script context, and its spec.
#pragma once

#include <cstdint>

#include "assetdb/pemberlynx_spec.h"
#include "kuid/kuid.h"
#include "results/nu_message.h"
#include "scripthost/korvel_base_spec.h"
#include "scripthost/native_plugin_interface.h"
#include "scripthost/scriptable_object.h"
#include "scripthost/world_list_item.h"
#include "soup/soup_handle.h"

class GSOLibrary;
class GSOSecurityToken;
class KorvelScriptContext;
namespace GSRuntime {
class GSClass;
class GSStack;
}  // namespace GSRuntime

// GSOLibrarySpec: a library asset. Its config may name a native plug-in
// ("native-plugin", a file name in bin/plugins without ".so") and mark the
// library as the parent context's ("shared-library" 1). A config without a
// script uses the default Library class.
class GSOLibrarySpec : public KorvelBaseSpec {
public:
    static constexpr const char* Kind = "library";
    static constexpr const char* PluginTag = "native-plugin";
    static constexpr const char* SharedTag = "shared-library";

    GSOLibrarySpec(const KUID& assetId, const Zel::PString& databaseName, const Zel::String& parentFolder,
                   const Zel::String& assetFolderName, const SoupHandle& config);

    // A new library of this asset for the context (queued, not started).
    GSOLibrary* CreateLibrary(KorvelScriptContext* context);
    // "Library.gsl" / "Library" from the "libraries" store.
    void UseDefaultLibraryScript();

    bool IsShared() const { return shared_ != 0; }
    const Zel::PString& GetPluginName() const { return pluginName_; }

protected:
    void OnNoScriptInfo() override { UseDefaultLibraryScript(); }

private:
    uint8_t shared_ = 0;
    Zel::PString pluginName_;
};

// The library spec of an asset through the daemon; none when the asset is
// no library (or the host registered no library factory).
PemberlynxSpecRef FindSpecByKUID(const KUID& id);
// Makes the asset-spec registry build GSOLibrarySpec for library assets. Hosts
// that run libraries call it once the registry exists; false without one.
bool RegisterLibrarySpecFactory();

// Makes saved library records of a world list into library objects of the
// list's context (its factory context); registered once, on first call.
void RegisterLibraryWorldFactory();

class GSOLibrary : public ScriptableObject, public WorldListItem, public NuMessageRecipient {
public:
    static constexpr const char* PropertiesSignature = "$Soup@PropertyObject::GetProperties()";

    // Loads the library asset's plug-in when its config names one.
    GSOLibrary(KorvelScriptContext* context, GSOLibrarySpec* spec);
    // Removes its icon through the context, releases the plug-in.
    ~GSOLibrary() override;

    static GSRuntime::GSClass* ScriptClass();

    PemberlynxSpecRef GetSpec() override;
    GSOLibrarySpec* GetLibrarySpec() const { return static_cast<GSOLibrarySpec*>(spec_.Get()); }

    // Once: the remaining stages, out of the context's queue, then the
    // stored properties.
    void Activate();
    void ApplyStoredProperties();
    // The soup of the Soup object the script's GetProperties gives; false
    // (logged) when it gives none or the object has failed.
    bool GetProperties(SoupHandle& properties);

    // int32 0, then the properties as a binary soup; nothing without them.
    void Save(TStream& stream) override;
    void Load(TStream& stream) override;
    KUID GetKUID() override;
    uint32_t GetTypeId() const override { return WorldTypeLibraryObject; }

    // A "click" on the library's icon reaches its script as the message
    // "Interface" / "ClickSystemButton" (0); other messages go to the
    // delegate (1 without one).
    using GSGameObject::ReceiveMessage;
    int ReceiveMessage(const NuMessageData& message) override;
    void SetSystemMenuIconId(uint32_t id) { iconId_ = id; }
    uint32_t GetSystemMenuIconId() const { return iconId_; }

    bool IsActivated() const { return activated_ != 0; }
    bool HasStoredProperties() const { return storedPending_ != 0; }
    KNIObject* GetNativePlugin() const { return plugin_; }

    bool NativeLibraryCallNative(GSRuntime::GSStack& stack);
    bool NativeIssueSecurityToken(GSRuntime::GSStack& stack);
    bool NativeReIssueSecurityToken(GSRuntime::GSStack& stack);
    bool NativeMergeSecurityTokens(GSRuntime::GSStack& stack);
    bool NativeValidateByLibrary(GSRuntime::GSStack& stack);
    bool NativeValidateByKUID(GSRuntime::GSStack& stack);
    bool NativeAddSystemMenuIcon(GSRuntime::GSStack& stack);
    bool NativeBlinkSystemMenuIcon(GSRuntime::GSStack& stack);
    bool NativeRemoveSystemMenuIcon(GSRuntime::GSStack& stack);
    bool NativeShowSystemMenuIconMenu(GSRuntime::GSStack& stack);

private:
    // False (a result of 0 pushed when the native has one) without a spec.
    bool HasSpec(GSRuntime::GSStack& stack, bool pushesResult) const;
    template <class T>
    bool ValidateArguments(GSRuntime::GSStack& stack, GSOSecurityToken** token, T** issuer, Zel::PString* right);

    PemberlynxSpecRef spec_;
    uint8_t activated_ = 0;
    SoupHandle storedProperties_;
    uint32_t iconId_ = 0;
    uint8_t storedPending_ = 0;
    KNIObject* plugin_ = nullptr;
};
