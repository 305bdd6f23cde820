// GSMachine: registration of library files and folders, loading on demand,
// the native list and the core classes.
#include "script/vm/gs_machine.h"

#include <new>
#include <unordered_set>

#include "script/common/library_image_format.h"
#include "script/common/library_image_reader.h"
#include "script/vm/gs_heap.h"
#include "script/vm/gs_library.h"
#include "script/vm/gs_thread.h"
#include "script/vm/native_function.h"
#include "script/vm/script_log.h"
#include "zel/ascii.h"
#include "zel/file.h"
#include "zel/file_find.h"

using GSRuntime::GSLibrary;

namespace {

constexpr uint32_t kTableBuckets = 251;

std::string JoinPath(const char* folder, const char* fileName)
{
    std::string path = folder != nullptr ? folder : "";
    if (!path.empty() && path.back() != '/' && path.back() != '\\')
        path.push_back('/');
    path += fileName != nullptr ? fileName : "";
    return path;
}

const char* ContainerName(const Zel::PString& container)
{
    return container.IsEmpty() ? nullptr : container.c_str();
}

// Steps 1 and 2 of registration: the first 20 bytes, read in one go.
bool ProbeFile(const Zel::PString& container, const std::string& path, GSImage::LibraryHeader* header)
{
    Zel::File file;
    if (file.Open(ContainerName(container), path.c_str(), Zel::File::ModeRead) != 0)
        return false;
    uint8_t bytes[GSImage::kProbeBytes];
    if (file.Read(bytes, sizeof bytes) != static_cast<int64_t>(sizeof bytes))
        return false;
    return GSImage::ProbeLibraryHeader(bytes, sizeof bytes, header);
}

}  // namespace

size_t GSMachine::NativeKeyHash::operator()(const NativeKey& key) const
{
    const uint64_t a = reinterpret_cast<uintptr_t>(key.className);
    const uint64_t b = reinterpret_cast<uintptr_t>(key.signature);
    return static_cast<size_t>((a * 0x9E3779B97F4A7C15ull) ^ (b + 0x632BE59BD9B4E019ull + (a << 6) + (a >> 2)));
}

GSMachine* GSMachine::Get()
{
    static GSMachine* machine = [] {
        // The heaps are made first, so that they outlive the machine's own
        // destruction at exit, which frees into them.
        GSRuntime::GSHeap::Machine();
        GSRuntime::GSHeap::Context();
        static GSMachine instance;
        instance.Init();
        return &instance;
    }();
    return machine;
}

GSMachine::~GSMachine()
{
    Clear();
}

void GSMachine::Init()
{
    if (initialised_)
        Clear();
    initialised_ = true;
    links_.Make(kTableBuckets);
    names_.Make(kTableBuckets);
    mainThread_ = new GSRuntime::GSThread(nullptr, GSRuntime::kThreadStatic);
    RegisterCoreNatives();
}

void GSMachine::Clear()
{
    if (!initialised_)
        return;
    // Later libraries may point into earlier ones: delete the last first.
    Unload(0);
    for (uint32_t i = 0; i < links_.BucketCount(); ++i) {
        for (const IdHashTable::Node* node = links_.Bucket(i); node != nullptr; node = node->next)
            delete static_cast<LinkEntry*>(node->value);
    }
    links_.Free();
    names_.Clear();
    for (GSRuntime::GSNativeFunction* native : natives_)
        delete native;
    natives_.clear();
    nativeIndex_.clear();
    delete mainThread_;
    mainThread_ = nullptr;
    coreLibraryAsked_ = false;
    coreLibrary_ = nullptr;
    gameObjectClass_ = nullptr;
    messageClass_ = nullptr;
    initialised_ = false;
}

bool GSMachine::Register(const Zel::PString& container, const std::string& path, uint32_t sourceCrc,
                         uint32_t fileNameCrc, bool refuseKnownId)
{
    LinkEntry* entry = static_cast<LinkEntry*>(links_.FindValue(sourceCrc, fileNameCrc));
    if (entry != nullptr && refuseKnownId) {
        GSRuntime::GSLog("Could not add game script library %s to GSMachine", path.c_str());
        return false;
    }
    if (entry == nullptr) {
        entry = new (std::nothrow) LinkEntry;
        if (entry == nullptr || !links_.Insert(sourceCrc, fileNameCrc, entry)) {
            delete entry;
            GSRuntime::GSLog("Could not add game script library %s to GSMachine", path.c_str());
            return false;
        }
        entry->sourceCrc = sourceCrc;
        entry->fileNameCrc = fileNameCrc;
        entry->container = container;
        entry->path = path;
    }
    // A path already present keeps its first entry.
    const std::string key = Zel::AsciiLowerCopy(path);
    Utils::KeyedIterator it;
    if (!names_.Find(key.c_str(), &it))
        names_.Insert(key.c_str(), entry);
    return true;
}

bool GSMachine::AddLibraryFile(const char* container, const char* folder, const char* fileName, uint64_t* libraryId)
{
    const Zel::PString store(container != nullptr ? container : "");
    const std::string path = JoinPath(folder, fileName);
    GSImage::LibraryHeader header;
    if (!ProbeFile(store, path, &header))
        return false;
    if (libraryId != nullptr)
        *libraryId = uint64_t(header.sourceCrc) << 32 | header.fileNameCrc;
    return Register(store, path, header.sourceCrc, header.fileNameCrc, false);
}

bool GSMachine::AddLibraryFolder(const char* container)
{
    const Zel::PString store(container != nullptr ? container : "");
    Zel::File::Find find;
    if (!find.Open("*.gsl", ContainerName(store)))
        return false;
    while (find.Next()) {
        if (find.IsDirectory())
            continue;
        GSImage::LibraryHeader header;
        if (!ProbeFile(store, find.Name(), &header))
            continue;
        Register(store, find.Name(), header.sourceCrc, header.fileNameCrc, true);
    }
    return true;
}

const GSMachine::LinkEntry* GSMachine::FindLinkEntry(uint32_t sourceCrc, uint32_t fileNameCrc) const
{
    return static_cast<const LinkEntry*>(links_.FindValue(sourceCrc, fileNameCrc));
}

GSLibrary* GSMachine::GetLibrary(uint32_t sourceCrc, uint32_t fileNameCrc, int* result)
{
    int ignored = 0;
    if (result == nullptr)
        result = &ignored;
    *result = GSRuntime::kLoadOk;
    LinkEntry* entry = static_cast<LinkEntry*>(links_.FindValue(sourceCrc, fileNameCrc));
    if (entry == nullptr) {
        *result = GSRuntime::kLoadDependencyError;
        GSRuntime::GSLog("GSMachine::GetLibrary> library '0x%X 0x%X' not found in link table", sourceCrc, fileNameCrc);
        for (GSLibrary* library : loaded_) {
            if (library->FileNameCrc() == fileNameCrc) {
                GSRuntime::GSLog(
                    "  Similar library found with matching filename hash but built from different source: %s",
                    library->Name().c_str());
            }
        }
        return nullptr;
    }
    if (entry->library != nullptr)
        return entry->library;
    return Load(entry, result);
}

GSLibrary* GSMachine::Load(LinkEntry* entry, int* result)
{
    std::vector<uint8_t> bytes;
    {
        *result = GSRuntime::kLoadFormatError;
        Zel::File file;
        if (file.Open(ContainerName(entry->container), entry->path.c_str(), Zel::File::ModeRead) != 0)
            return nullptr;
        const int64_t size = file.Size();
        bool read = size >= 0;
        if (read) {
            try {
                bytes.resize(static_cast<size_t>(size));
            } catch (const std::bad_alloc&) {
                read = false;
            }
        }
        if (!read || file.Read(bytes.data(), size) != size) {
            GSRuntime::GSLog("GSMachine: Error loading library file %s", entry->path.c_str());
            return nullptr;
        }
    }
    GSLibrary* library = new GSLibrary;
    // Entered before loading, so that a chain of dependencies leading back
    // here (a library depends on itself) finds it.
    entry->library = library;
    const size_t firstLoaded = loaded_.size();
    loaded_.push_back(library);
    loadedEntries_.push_back(entry);
    *result = GSLibrary::LoadImage(this, library, std::move(bytes));
    if (*result == GSRuntime::kLoadOk)
        return library;
    GSRuntime::GSLog("GSMachine: Error %d loading library %s (%s)", *result, entry->path.c_str(),
                     library->Name().c_str());
    // Libraries loaded while this one was loading may point into it: they go
    // with it and load again when next asked for.
    Unload(firstLoaded);
    return nullptr;
}

void GSMachine::Unload(size_t firstLoaded)
{
    while (loaded_.size() > firstLoaded)
        DeleteLoaded(loaded_.size() - 1);
}

void GSMachine::DeleteLoaded(size_t index)
{
    GSLibrary* library = loaded_[index];
    LinkEntry* entry = loadedEntries_[index];
    loaded_.erase(loaded_.begin() + static_cast<std::ptrdiff_t>(index));
    loadedEntries_.erase(loadedEntries_.begin() + static_cast<std::ptrdiff_t>(index));
    if (entry->library == library)
        entry->library = nullptr;
    if (coreLibrary_ == library) {
        coreLibraryAsked_ = false;
        coreLibrary_ = nullptr;
        gameObjectClass_ = nullptr;
        messageClass_ = nullptr;
    }
    delete library;
}

void GSMachine::UnloadLibrary(uint32_t sourceCrc, uint32_t fileNameCrc)
{
    const LinkEntry* target = static_cast<const LinkEntry*>(links_.FindValue(sourceCrc, fileNameCrc));
    if (target == nullptr || target->library == nullptr)
        return;
    // Dependents may have been loaded before or after it: the set grows
    // until no loaded library outside it points into it.
    std::unordered_set<const GSLibrary*> doomed{target->library};
    for (bool grew = true; grew;) {
        grew = false;
        for (const GSLibrary* library : loaded_) {
            if (doomed.count(library) != 0)
                continue;
            for (uint32_t d = 0; d < library->DependencyCount(); ++d) {
                if (doomed.count(library->Dependency(d)) != 0) {
                    doomed.insert(library);
                    grew = true;
                    break;
                }
            }
        }
    }
    // Nothing left points into them; they go last first, as in Unload.
    for (size_t i = loaded_.size(); i-- > 0;) {
        if (doomed.count(loaded_[i]) != 0)
            DeleteLoaded(i);
    }
}

GSLibrary* GSMachine::GetLibraryByName(const char* path)
{
    if (path == nullptr)
        return nullptr;
    Utils::KeyedIterator it;
    if (!names_.Find(Zel::AsciiLowerCopy(path).c_str(), &it))
        return nullptr;
    const LinkEntry* entry = static_cast<const LinkEntry*>(it.Node()->value);
    return GetLibrary(entry->sourceCrc, entry->fileNameCrc);
}

void GSMachine::RegisterNative(GSRuntime::GSNativeFunction* native)
{
    if (native == nullptr)
        return;
    natives_.push_back(native);
    // The index keeps the first registration of a pair, as a walk of the
    // list from its start would find it.
    nativeIndex_.emplace(NativeKey{native->ClassName().Node(), native->Signature().Node()}, native);
}

GSRuntime::GSNativeFunction* GSMachine::FindNativeFunction(const Zel::PString& className,
                                                           const Zel::PString& signature) const
{
    const auto found = nativeIndex_.find(NativeKey{className.Node(), signature.Node()});
    return found != nativeIndex_.end() ? found->second : nullptr;
}

GSRuntime::GSClass* GSMachine::CoreClass(const char* name)
{
    if (!coreLibraryAsked_) {
        coreLibrary_ = GetLibraryByName("gs.gsl");
        coreLibraryAsked_ = coreLibrary_ != nullptr;
        if (coreLibrary_ != nullptr) {
            gameObjectClass_ = GSLibrary::FindClass(coreLibrary_, "GameObject");
            messageClass_ = GSLibrary::FindClass(coreLibrary_, "Message");
        }
    }
    const std::string_view wanted(name);
    if (wanted == "GameObject")
        return gameObjectClass_;
    if (wanted == "Message")
        return messageClass_;
    return GSLibrary::FindClass(coreLibrary_, wanted);
}
