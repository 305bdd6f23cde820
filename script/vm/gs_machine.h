// GSMachine: the process-wide script runtime: registered library files,
// loaded libraries, registered natives and the main script thread.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "script/common/keyed_hash_table.h"
#include "script/vm/id_hash_table.h"
#include "zel/pstring.h"

namespace GSRuntime {
class GSClass;
class GSLibrary;
class GSNativeFunction;
class GSThread;
}  // namespace GSRuntime

class GSMachine {
public:
    // One registered library id: where its file is and, once loaded, the
    // library.
    struct LinkEntry {
        uint32_t sourceCrc = 0;
        uint32_t fileNameCrc = 0;
        Zel::PString container;  // empty for the plain file system
        std::string path;
        GSRuntime::GSLibrary* library = nullptr;
    };

    // The machine, made and initialised on first use.
    static GSMachine* Get();

    // (Re)creates the tables, the main thread and the core natives. A
    // machine that was in use is cleared first.
    void Init();
    // Empties both tables, deletes every loaded library, every native and
    // the main thread. Init makes the machine usable again.
    void Clear();

    // Registers one library file by its 20-byte header; false for a file
    // that is short, foreign or unreadable, or a table that refuses it.
    bool AddLibraryFile(const char* container, const char* folder, const char* fileName, uint64_t* libraryId = nullptr);
    // Every "*.gsl" (any letter case) at the root of the container (the
    // plain file system's current folder for an empty name); false only
    // when the folder cannot be listed.
    bool AddLibraryFolder(const char* container);
    // The loaded library, loading and linking it (and its dependencies) on
    // first use; null with a message when it cannot be had. `result` gets the
    // load result: 0, the loader's -1, -2 or -3, -2 for an id that is not
    // registered and -1 for a file that cannot be read.
    GSRuntime::GSLibrary* GetLibrary(uint32_t sourceCrc, uint32_t fileNameCrc, int* result = nullptr);
    // By the registered path, compared after lower-casing.
    GSRuntime::GSLibrary* GetLibraryByName(const char* path);
    // Unloads the library of that id when it is loaded, with every loaded
    // library that depends on it, directly or not: each loads again from its
    // file when next asked for. For a file compiled again under the same id
    // (its dependencies changed, its own text did not).
    void UnloadLibrary(uint32_t sourceCrc, uint32_t fileNameCrc);

    // Natives: appended in registration order; the first registered for a
    // (class, signature) pair is the one found.
    void RegisterNative(GSRuntime::GSNativeFunction* native);
    GSRuntime::GSNativeFunction* FindNativeFunction(const Zel::PString& className, const Zel::PString& signature) const;
    uint32_t NativeCount() const { return static_cast<uint32_t>(natives_.size()); }

    GSRuntime::GSThread* MainThread() const { return mainThread_; }
    const std::vector<GSRuntime::GSLibrary*>& LoadedLibraries() const { return loaded_; }
    uint32_t LinkEntryCount() const { return links_.Count(); }
    const LinkEntry* FindLinkEntry(uint32_t sourceCrc, uint32_t fileNameCrc) const;

    // The core classes "GameObject" and "Message" of the library registered
    // as "gs.gsl", looked up until that library can be had, then kept.
    GSRuntime::GSClass* CoreClass(const char* name);

    ~GSMachine();

private:
    GSMachine() = default;
    // Steps 3 and 4 of registration: one entry per id, one name per path.
    bool Register(const Zel::PString& container, const std::string& path, uint32_t sourceCrc, uint32_t fileNameCrc,
                  bool refuseKnownId);
    GSRuntime::GSLibrary* Load(LinkEntry* entry, int* result);
    void Unload(size_t firstLoaded);
    // Deletes one loaded library, forgetting it in its entry and the core cache.
    void DeleteLoaded(size_t index);
    void RegisterCoreNatives();

    bool initialised_ = false;
    IdHashTable links_;
    Utils::StringHashTable names_;
    std::vector<GSRuntime::GSLibrary*> loaded_;
    // The link entry of each loaded library, beside it.
    std::vector<LinkEntry*> loadedEntries_;
    std::vector<GSRuntime::GSNativeFunction*> natives_;
    // (class name node, signature node) to the first native registered for
    // them: linking looks up ~200 natives per library without a list walk.
    struct NativeKey {
        const void* className;
        const void* signature;
        bool operator==(const NativeKey& other) const
        {
            return className == other.className && signature == other.signature;
        }
    };
    struct NativeKeyHash {
        size_t operator()(const NativeKey& key) const;
    };
    std::unordered_map<NativeKey, GSRuntime::GSNativeFunction*, NativeKeyHash> nativeIndex_;
    GSRuntime::GSThread* mainThread_ = nullptr;
    bool coreLibraryAsked_ = false;
    GSRuntime::GSLibrary* coreLibrary_ = nullptr;
    GSRuntime::GSClass* gameObjectClass_ = nullptr;
    GSRuntime::GSClass* messageClass_ = nullptr;
};
