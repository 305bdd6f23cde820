// ScriptableObject: a native game object whose behaviour comes from a script class, set up in stages on its context.
#include "scripthost/scriptable_object.h"

#include "foundation/streams/t_stream.h"
#include "script/compiler/compile_log.h"
#include "script/vm/call_script_method.h"
#include "script/vm/gs_library.h"
#include "script/vm/gs_router.h"
#include "script/vm/script_instance.h"
#include "scripthost/gso_asset.h"
#include "scripthost/gso_soup.h"
#include "scripthost/korvel_base_spec.h"
#include "scripthost/korvel_script_context.h"
#include "scripthost/stub_library.h"
#include "zel/file.h"

namespace {

KorvelBaseSpec* AsBaseSpec(const PemberlynxSpecRef& spec)
{
    return dynamic_cast<KorvelBaseSpec*>(spec.Get());
}

size_t LeadingSpace(const std::string& text)
{
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' || text[i] == '\r'))
        ++i;
    return i;
}

}  // namespace

ScriptableObject::ScriptableObject(KorvelScriptContext* context) : owner_(context)
{
    if (owner_ != nullptr)
        owner_->Queue(this);
}

ScriptableObject::~ScriptableObject()
{
    // A context that goes first dequeues what it still holds.
    if (owner_ != nullptr && IsQueued())
        owner_->Dequeue(this);
}

void ScriptableObject::Stage2()
{
    DelayedInitClient::Stage2();
    BindScriptClass();
}

void ScriptableObject::Stage3()
{
    DelayedInitClient::Stage3();
    StartScript();
    Process(0.0f);
}

GSRuntime::GSClass* ScriptableObject::GetScriptClass()
{
    if (sourceText_.empty()) {
        const PemberlynxSpecRef spec = GetSpec();
        KorvelBaseSpec* base = AsBaseSpec(spec);
        return base != nullptr ? base->GetGSClass() : nullptr;
    }
    return CompileOwnSource();
}

GSRuntime::GSClass* ScriptableObject::CompileOwnSource()
{
    const PemberlynxSpecRef spec = GetSpec();
    KorvelBaseSpec* base = AsBaseSpec(spec);
    if (base == nullptr)
        return nullptr;
    GSCompileLog log;
    GSRuntime::GSLibrary* library = nullptr;
    if (CompileStubSource(sourceText_, base->GetDatabaseName(), base->MakeFilePath(), &log, &library) !=
        StubOutcome::Loaded)
        return nullptr;
    return GSRuntime::GSLibrary::FindClass(library, StubClassName);
}

void ScriptableObject::BindScriptClass()
{
    failed_ = 1;
    GSRuntime::GSClass* cls = GetScriptClass();
    if (cls == nullptr || !AcceptScriptClass(cls))
        return;
    GSRuntime::GSScriptInstance* instance = Instance();
    if (instance != nullptr && instance->cls != cls)
        AttachScriptInstance(nullptr, nullptr);
    else if (instance == nullptr)
        AttachScriptInstance(cls, owner_);
    instance = Instance();
    if (instance != nullptr && instance->cls != nullptr)
        failed_ = 0;
}

bool ScriptableObject::CallWithObject(const char* signature, const GSRuntime::GSObject* argument)
{
    GSRuntime::GSScriptInstance* instance = Instance();
    if (instance == nullptr)
        return false;
    const GSRuntime::Slot arguments[] = {argument != nullptr
                                             ? GSRuntime::Slot::FromPointer(argument->GetScriptInstance())
                                             : GSRuntime::Slot::FromInt(0)};
    return GSRuntime::CallScriptMethod(instance->cls, instance, signature, arguments, nullptr);
}

void ScriptableObject::StartScript()
{
    if (failed_ != 0)
        return;
    if (owner_ != nullptr && RouterOf() == nullptr)
        owner_->Router()->AddNode(this);
    BeforeInit();
    BeforeInit2();
    if (failed_ != 0)
        return;
    GSOAsset* asset = GSOAsset::FindOrCreate(owner_, GetSpecKUID());
    if (!CallWithObject(InitSignature, asset))
        failed_ = 1;
    if (asset != nullptr)
        GSRuntime::GSScriptInstance::Release(asset->GetScriptInstance());
    if (failed_ != 0)
        return;
    AfterInit();
    if (failed_ == 0 && propertiesPending_ != 0)
        ApplyProperties();
}

bool ScriptableObject::GiveProperties(const SoupHandle& properties)
{
    GSOSoup* soup = GSOSoup::MakeWritable(owner_);
    if (soup == nullptr)
        return false;
    soup->Soup() = properties;
    const bool given = CallWithObject(SetPropertiesSignature, soup);
    GSRuntime::GSScriptInstance::Release(soup->GetScriptInstance());
    return given;
}

void ScriptableObject::ApplyProperties()
{
    if (failed_ != 0)
        return;
    if (!GiveProperties(properties_))
        failed_ = 1;
    properties_ = SoupHandle();
    propertiesPending_ = 0;
}

void ScriptableObject::SetPendingProperties(const SoupHandle& properties)
{
    properties_ = properties;
    propertiesPending_ = 1;
    if ((GetInitFlags() & Stage3Done) != 0)
        ApplyProperties();
}

KUID ScriptableObject::GetSpecKUID()
{
    const PemberlynxSpecRef spec = GetSpec();
    return spec ? spec->GetKUID() : KUID();
}

std::string ScriptableObject::GetSource()
{
    if (!sourceText_.empty())
        return sourceText_;
    const PemberlynxSpecRef spec = GetSpec();
    KorvelBaseSpec* base = AsBaseSpec(spec);
    std::string baseClass;
    std::string includeFile;
    if (base != nullptr) {
        if ((base->GetScriptState() & KorvelBaseSpec::ScriptInfoRead) == 0)
            base->ReadScriptInfo();
        baseClass = base->GetScriptClassName().c_str();
        if (!base->GetScriptLibraryPath().IsEmpty()) {
            Zel::File::Path path(base->GetScriptLibraryPath().c_str());
            path.SetExt("gs");
            includeFile = path.Str();
        }
    }
    return MakeStubSource(baseClass, includeFile);
}

void ScriptableObject::SetSource(const std::string& text)
{
    std::string trimmed = text.substr(LeadingSpace(text));
    if (!trimmed.empty() && trimmed == GetSource())
        return;
    if (trimmed != sourceText_)
        StoreSourceAndRestart(trimmed);
}

void ScriptableObject::StoreSourceAndRestart(const std::string& text)
{
    sourceText_ = text;
    if (owner_ == nullptr || (GetInitFlags() & Stage3Done) == 0)
        return;
    AttachScriptInstance(nullptr, nullptr);
    if (RouterOf() != nullptr)
        RouterOf()->RemoveNode(this);
    BindScriptClass();
    StartScript();
}

void ScriptableObject::WriteSource(TStream& stream)
{
    stream.WriteString(Zel::AnsiString(sourceText_.data(), sourceText_.size()));
}

void ScriptableObject::ReadSource(TStream& stream)
{
    const Zel::String text = stream.ReadString();
    const std::string read(text.View());
    if (read != sourceText_)
        StoreSourceAndRestart(read);
}
