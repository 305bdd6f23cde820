// The host's native interface: counted objects shared with plug-ins, calls into their libraries, and loading them.
#include "scripthost/native_plugin.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "foundation/base/install_paths.h"
#include "platform/shared_library.h"
#include "script/vm/script_log.h"
#include "scripthost/korvel_script_context.h"

// Laid out by the host alone: plug-ins see only the opaque pointer.
struct KNIObject {
    explicit KNIObject(int32_t kind) : classCode(kind) {}
    virtual ~KNIObject() = default;

    int32_t references = 1;
    int32_t classCode;
};

namespace {

std::atomic<int64_t> liveObjects{0};
std::atomic<int64_t> countedBytes{0};
constexpr size_t CountedHeader = sizeof(uint32_t);

struct KNIString final : KNIObject {
    explicit KNIString(const char* text) : KNIObject(KNIClassString), text(text != nullptr ? text : "") {}
    std::string text;
};

struct KNIArray final : KNIObject {
    explicit KNIArray(int32_t count) : KNIObject(KNIClassArray), elements(size_t(count), nullptr) {}
    ~KNIArray() override
    {
        for (KNIObject* element : elements)
            KNIRelease(element);
    }
    std::vector<KNIObject*> elements;
};

struct KNIContext final : KNIObject {
    explicit KNIContext(KorvelScriptContext* owner) : KNIObject(KNIClassContext), context(owner) {}
    KorvelScriptContext* context;
};

// One loaded plug-in file, unloaded when the last library its code made
// goes: every such library calls into it, and a plug-in may make more than
// the one its entry point gives.
struct PluginCode {
    explicit PluginCode(void* handle) : module(handle) {}
    ~PluginCode() { Platform::CloseSharedLibrary(module); }
    PluginCode(const PluginCode&) = delete;
    PluginCode& operator=(const PluginCode&) = delete;
    void* module;
};

struct KNILibrary final : KNIObject {
    KNILibrary() : KNIObject(KNIClassLibrary) {}
    // Declared first, so released last: the function table and its names
    // live in the plug-in's code. Null for a library the host made.
    std::shared_ptr<PluginCode> code;
    std::vector<KNIFunction> functions;
    void* user = nullptr;
};

// The plug-in whose code runs on this thread now (its entry point or one of
// its functions): the libraries made meanwhile are that plug-in's.
thread_local std::shared_ptr<PluginCode> runningPlugin;

// Marks a plug-in's code as running for a scope, and keeps it loaded that
// long even when the call releases the last library that holds it.
class RunningPlugin {
public:
    explicit RunningPlugin(std::shared_ptr<PluginCode> code) : outer_(std::exchange(runningPlugin, std::move(code))) {}
    ~RunningPlugin() { runningPlugin = std::move(outer_); }
    RunningPlugin(const RunningPlugin&) = delete;
    RunningPlugin& operator=(const RunningPlugin&) = delete;

private:
    std::shared_ptr<PluginCode> outer_;
};

template <class T, class... Arguments>
KNIObject* Made(Arguments... arguments)
{
    ++liveObjects;
    return new T(arguments...);
}

KNIArray* AsArray(const KNIObject* object)
{
    return object != nullptr && object->classCode == KNIClassArray
               ? static_cast<KNIArray*>(const_cast<KNIObject*>(object))
               : nullptr;
}

const KNIInterface HostInterface = {
    sizeof(KNIInterface), KNIAllocString,    KNIAllocArray,    KNISetArrayElement, KNIGetArrayCount,
    KNIGetArrayElement,   KNIGetObjectClass, KNIGetStringText, KNIRelease,         KNIAllocLibrary,
};

}  // namespace

KNIObject* KNIAllocString(const char* text)
{
    return Made<KNIString>(text);
}

KNIObject* KNIAllocArray(int32_t count)
{
    return count < 0 ? nullptr : Made<KNIArray>(count);
}

void KNISetArrayElement(KNIObject* array, int32_t index, KNIObject* element)
{
    KNIArray* target = AsArray(array);
    if (target == nullptr || index < 0 || size_t(index) >= target->elements.size())
        return;
    if (element != nullptr)
        ++element->references;
    KNIRelease(target->elements[size_t(index)]);
    target->elements[size_t(index)] = element;
}

int32_t KNIGetArrayCount(const KNIObject* array)
{
    const KNIArray* source = AsArray(array);
    return source != nullptr ? int32_t(source->elements.size()) : 0;
}

KNIObject* KNIGetArrayElement(const KNIObject* array, int32_t index)
{
    const KNIArray* source = AsArray(array);
    if (source == nullptr || index < 0 || size_t(index) >= source->elements.size())
        return nullptr;
    return source->elements[size_t(index)];
}

int32_t KNIGetObjectClass(const KNIObject* object)
{
    return object != nullptr ? object->classCode : 0;
}

const char* KNIGetStringText(const KNIObject* object)
{
    if (object == nullptr || object->classCode != KNIClassString)
        return nullptr;
    return static_cast<const KNIString*>(object)->text.c_str();
}

void KNIRelease(KNIObject* object)
{
    if (object == nullptr || --object->references > 0)
        return;
    delete object;
    --liveObjects;
}

KNIObject* KNIAllocLibrary(const KNIFunction* functions, int32_t count, void* user)
{
    if (count < 0 || (count > 0 && functions == nullptr))
        return nullptr;
    auto* library = static_cast<KNILibrary*>(Made<KNILibrary>());
    library->code = runningPlugin;
    library->functions.assign(functions, functions + count);
    library->user = user;
    return library;
}

const KNIInterface& KNIHostInterface()
{
    return HostInterface;
}

KNIObject* KNIAllocContext(KorvelScriptContext* context)
{
    return Made<KNIContext>(context);
}

KNIObject* KNICallLibraryFunction(KNIObject* library, KNIObject* name, KNIObject* arguments)
{
    const char* wanted = KNIGetStringText(name);
    if (KNIGetObjectClass(library) != KNIClassLibrary || wanted == nullptr)
        return nullptr;
    const auto* plugin = static_cast<const KNILibrary*>(library);
    for (const KNIFunction& function : plugin->functions) {
        if (function.name != nullptr && function.function != nullptr && std::strcmp(function.name, wanted) == 0) {
            RunningPlugin running(plugin->code);
            return function.function(&HostInterface, arguments, plugin->user);
        }
    }
    return nullptr;
}

void LogKNIString(const KNIObject* string)
{
    if (const char* text = KNIGetStringText(string))
        GSRuntime::GSLog("%s", text);
}

void* KNIAllocCounted(uint32_t size)
{
    if (size > UINT32_MAX - CountedHeader)
        return nullptr;
    auto* block = static_cast<uint8_t*>(std::malloc(size_t(size) + CountedHeader));
    if (block == nullptr)
        return nullptr;
    std::memcpy(block, &size, CountedHeader);
    countedBytes += size;
    return block + CountedHeader;
}

void KNIFreeCounted(void* block)
{
    if (block == nullptr)
        return;
    uint8_t* start = static_cast<uint8_t*>(block) - CountedHeader;
    uint32_t size = 0;
    std::memcpy(&size, start, CountedHeader);
    countedBytes -= size;
    std::free(start);
}

int64_t KNICountedBytes()
{
    return countedBytes.load();
}

int64_t KNILiveObjects()
{
    return liveObjects.load();
}

KNIObject* LoadNativePlugin(KorvelScriptContext* context, const char* name, std::string* why)
{
    std::string ignored;
    std::string& reason = why != nullptr ? *why : ignored;
    // The name comes from an asset's config: it names a file in the plug-in
    // folder and nothing outside it.
    const std::string_view plain(name != nullptr ? name : "");
    if (plain.empty() || plain.find_first_of("/\\") != std::string_view::npos || plain == "..") {
        reason = "'" + std::string(plain) + "' is not a plug-in name";
        return nullptr;
    }
    // Plug-ins find their own dependencies beside them through an RPATH of
    // $ORIGIN: there is no search folder to set for them.
    Zel::File::Path path = GetPluginsFolder();
    path.AddPath((std::string(plain) + ".so").c_str());
    std::string resolved;
    if (!Zel::File::Resolve(nullptr, path.c_str(), resolved, false))
        resolved = path.Str();
    void* module = Platform::OpenSharedLibrary(resolved, &reason);
    if (module == nullptr)
        return nullptr;
    // Closed with the last library that holds it, or here on failure.
    auto code = std::make_shared<PluginCode>(module);
    auto entry = reinterpret_cast<KNIEntryPointFunction>(Platform::FindSharedLibrarySymbol(module, "KNIEntryPoint"));
    if (entry == nullptr) {
        reason = resolved + " has no KNIEntryPoint";
        return nullptr;
    }
    KNIObject* library = nullptr;
    {
        RunningPlugin running(code);
        library = entry(&HostInterface, context != nullptr ? context->GetNativeInterfaceContext() : nullptr);
    }
    if (KNIGetObjectClass(library) != KNIClassLibrary) {
        reason = resolved + ": KNIEntryPoint gave no library";
        KNIRelease(library);
        return nullptr;
    }
    auto* started = static_cast<KNILibrary*>(library);
    if (!started->code)
        started->code = code;
    KNIObject* init = KNIAllocString("Init");
    KNIRelease(KNICallLibraryFunction(library, init, nullptr));
    KNIRelease(init);
    return library;
}
