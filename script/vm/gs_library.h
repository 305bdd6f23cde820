// GSLibrary: one loaded and linked library image, the records that point
// into it, and its loader.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "script/common/library_image_reader.h"
#include "script/vm/gs_class.h"
#include "script/vm/gs_function.h"

class GSMachine;

namespace GSRuntime {

// Load results: 0 loaded and linked.
enum GSLoadResult : int {
    kLoadOk = 0,
    kLoadFormatError = -1,
    kLoadDependencyError = -2,
    kLoadLinkError = -3,
};

class GSLibrary {
public:
    GSLibrary();
    ~GSLibrary();
    GSLibrary(const GSLibrary&) = delete;
    GSLibrary& operator=(const GSLibrary&) = delete;

    static void* operator new(size_t size);
    static void operator delete(void* block);

    // Reads the image, loads its dependencies through the machine and links
    // it: 0, or -1 for a damaged image, -2 for a dependency that cannot be
    // had, -3 for a class or function the image refers to that cannot be
    // found. The library keeps the image bytes.
    static int LoadImage(GSMachine* machine, GSLibrary* library, std::vector<uint8_t> image);
    // The last class of that name (byte-wise), or null; null library gives null.
    static GSClass* FindClass(const GSLibrary* library, std::string_view name);

    // The library id of the header.
    uint32_t SourceCrc() const { return image_.header.sourceCrc; }
    uint32_t FileNameCrc() const { return image_.header.fileNameCrc; }
    uint32_t VersionBits() const { return image_.header.versionBits; }
    // The library name of the header (the source name given to the compiler).
    const std::string& Name() const { return name_; }

    uint32_t StringCount() const { return static_cast<uint32_t>(image_.strings.size()); }
    std::string_view String(uint32_t i) const { return image_.strings[i]; }
    uint32_t DependencyCount() const { return static_cast<uint32_t>(dependencies_.size()); }
    GSLibrary* Dependency(uint32_t i) const { return dependencies_[i]; }
    uint32_t ClassReferenceCount() const { return static_cast<uint32_t>(classReferences_.size()); }
    GSClass* ClassReference(uint32_t i) const { return classReferences_[i]; }
    uint32_t FunctionReferenceCount() const { return static_cast<uint32_t>(functionReferences_.size()); }
    GSFunctionReference& FunctionReference(uint32_t i) { return functionReferences_[i]; }
    uint32_t ClassCount() const { return static_cast<uint32_t>(classes_.size()); }
    GSClass* Class(uint32_t i) const { return classes_[i].get(); }

private:
    int Load(GSMachine* machine);
    int ResolveDependencies(GSMachine* machine);
    int ResolveClassReferences();
    int ResolveFunctionReferences();
    int LinkClasses();

    std::vector<uint8_t> bytes_;
    GSImage::LibraryImage image_;
    std::string name_;
    std::vector<GSLibrary*> dependencies_;
    std::vector<GSClass*> classReferences_;
    std::vector<GSFunctionReference> functionReferences_;
    std::vector<std::unique_ptr<GSClass>> classes_;
    // Class name to the index of the last class of that name.
    std::unordered_map<std::string_view, uint32_t> classesByName_;
};

}  // namespace GSRuntime
