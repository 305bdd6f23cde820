// GSOLibrary: the library object's life, properties, plug-in and icon messages, and the asset spec type and factory of library assets.
#include "scripthost/gso_library.h"

#include <string>

#include "assetdb/pemberlynx_spec_registry.h"
#include "assetdb/spec_lookup.h"
#include "foundation/base/logging.h"
#include "foundation/streams/t_stream.h"
#include "script/vm/call_script_method.h"
#include "script/vm/gs_router.h"
#include "script/vm/script_instance.h"
#include "scripthost/gso_soup.h"
#include "scripthost/korvel_script_context.h"
#include "scripthost/native_library_setup.h"
#include "scripthost/native_plugin.h"
#include "scripthost/world_item_factory.h"
#include "soup/binary_soup.h"

namespace {

bool IsLibrarySpec(PemberlynxSpec* spec)
{
    return dynamic_cast<GSOLibrarySpec*>(spec) != nullptr;
}

class GSOLibrarySpecFactory final : public PXSpecFactory {
public:
    GSOLibrarySpecFactory() : PXSpecFactory(Zel::PString(GSOLibrarySpec::Kind)) {}
    PemberlynxSpec* CreateSpec(const KUID& assetId, const Zel::PString& databaseName, const Zel::String& parentFolder,
                               const Zel::String& assetFolderName, SoupHandle config) override
    {
        return new GSOLibrarySpec(assetId, databaseName, parentFolder, assetFolderName, config);
    }
};

// Library records of a saved world list: the library of the record's asset,
// made for the loading context and handed the record; its first
// GetScriptLibrary finds it in the list and starts it. A shared library is
// the parent context's, and its record is skipped.
class GSOLibraryFactory final : public WorldItemFactory {
public:
    GSOLibraryFactory() : WorldItemFactory(WorldTypeLibraryObject, Zel::PString("Library")) {}
    WorldFactoryItem* Create(void* factoryContext, TStream& stream) override
    {
        auto* context = static_cast<KorvelScriptContext*>(factoryContext);
        if (context == nullptr)
            return nullptr;
        const PemberlynxSpecRef found = context->FindLibrarySpec(CurrentWorldItemKUID());
        auto* spec = dynamic_cast<GSOLibrarySpec*>(found.Get());
        if (spec == nullptr || (spec->IsShared() && context->GetParentContext() != nullptr))
            return nullptr;
        GSOLibrary* library = spec->CreateLibrary(context);
        library->Load(stream);
        return library;
    }
};

}  // namespace

void RegisterLibraryWorldFactory()
{
    static const GSOLibraryFactory factory;
}

GSOLibrarySpec::GSOLibrarySpec(const KUID& assetId, const Zel::PString& databaseName, const Zel::String& parentFolder,
                               const Zel::String& assetFolderName, const SoupHandle& config)
    : KorvelBaseSpec(assetId, databaseName, parentFolder, assetFolderName, config),
      shared_(config.GetNamedTagAsInt(Zel::PString(SharedTag), 0) != 0 ? 1 : 0),
      pluginName_(config.GetNamedTag(Zel::PString(PluginTag)))
{}

GSOLibrary* GSOLibrarySpec::CreateLibrary(KorvelScriptContext* context)
{
    return new GSOLibrary(context, this);
}

void GSOLibrarySpec::UseDefaultLibraryScript()
{
    UseRootedScript("Library.gsl", "Library");
}

PemberlynxSpecRef FindSpecByKUID(const KUID& id)
{
    return LookupSpecForKUID(id, IsLibrarySpec, false);
}

bool RegisterLibrarySpecFactory()
{
    PemberlynxSpecRegistry* registry = PemberlynxSpecRegistry::Instance();
    if (registry == nullptr)
        return false;
    if (registry->FindFactory(Zel::PString(GSOLibrarySpec::Kind)) == nullptr)
        registry->AddFactory(new GSOLibrarySpecFactory);
    return true;
}

GSOLibrary::GSOLibrary(KorvelScriptContext* context, GSOLibrarySpec* spec) : ScriptableObject(context), spec_(spec)
{
    if (spec == nullptr || spec->GetPluginName().IsEmpty())
        return;
    std::string why;
    plugin_ = LoadNativePlugin(context, spec->GetPluginName().c_str(), &why);
    // Not fatal: the library runs, and its native calls answer with nothing.
    if (plugin_ == nullptr)
        LogMessage("GSOLibrary::GSOLibrary> native plug-in '%s' of %s not loaded: %s", spec->GetPluginName().c_str(),
                   spec->GetDescription().c_str(), why.c_str());
}

GSOLibrary::~GSOLibrary()
{
    if (KorvelScriptContext* context = GetOwnerContext())
        context->SetSystemMenuIcon(this, KUID(), Zel::PString(""), Zel::PString(""));
    KNIRelease(plugin_);
    plugin_ = nullptr;
    storedProperties_ = SoupHandle();
    spec_.Release();
    CloseAllPipes();
}

GSRuntime::GSClass* GSOLibrary::ScriptClass()
{
    return GetNativeScriptClass(NativeScriptClass::Library);
}

PemberlynxSpecRef GSOLibrary::GetSpec()
{
    return spec_;
}

KUID GSOLibrary::GetKUID()
{
    return spec_ ? spec_->GetKUID() : KUID();
}

void GSOLibrary::Activate()
{
    if (activated_ != 0)
        return;
    activated_ = 1;
    if (KorvelScriptContext* context = GetOwnerContext())
        CompleteNow(*context);
    else
        RunPendingStages();
    ApplyStoredProperties();
}

void GSOLibrary::ApplyStoredProperties()
{
    if (storedPending_ == 0 || HasFailed())
        return;
    GiveProperties(storedProperties_);
    storedProperties_ = SoupHandle();
    storedPending_ = 0;
}

bool GSOLibrary::GetProperties(SoupHandle& properties)
{
    properties = SoupHandle();
    GSRuntime::GSScriptInstance* instance = Instance();
    if (!HasFailed() && instance != nullptr) {
        GSRuntime::Slot result = GSRuntime::Slot::FromInt(0);
        if (GSRuntime::CallScriptMethod(instance->cls, instance, PropertiesSignature, {}, &result) &&
            !result.IsZero()) {
            auto* soup = dynamic_cast<GSOSoup*>(GSRuntime::ObjectOfHandle(result.AsHandle()));
            if (soup != nullptr)
                properties = soup->Soup();
            GSRuntime::GSScriptInstance::Release(result.AsHandle());
            if (soup != nullptr)
                return true;
        }
    }
    LogMessage("GSOLibrary::GetProperties> could not retrieve properties for %s", GetKUID().ToTagString().c_str());
    return false;
}

void GSOLibrary::Save(TStream& stream)
{
    SoupHandle properties;
    if (!GetProperties(properties))
        return;
    stream.WriteInt32(0);
    WriteBinarySoup(stream, properties);
}

void GSOLibrary::Load(TStream& stream)
{
    if (HasFailed())
        return;
    stream.ReadInt32();
    SoupHandle soup;
    if (!ReadBinarySoup(soup, stream))
        return;
    storedProperties_ = soup;
    storedPending_ = soup.CountTags() > 0 ? 1 : 0;
    if (activated_ != 0)
        ApplyStoredProperties();
}

int GSOLibrary::ReceiveMessage(const NuMessageData& message)
{
    if (iconId_ == 0 || message.Argument() != intptr_t(iconId_) || message.Name().View() != "click")
        return NuMessageRecipient::ReceiveMessage(message);
    if (GSRuntime::GSRouter* router = RouterOf()) {
        if (GSRuntime::GSMessage* click = RequestMessage("Interface", "ClickSystemButton", Id(), 0))
            router->DeliverMessage(*click);
    }
    return 0;
}
