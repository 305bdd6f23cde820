// GSLibrary::LoadImage: the checked image read into classes, then the
// dependencies loaded, the class and function references resolved and the
// classes linked, with the linker's messages.
#include "script/vm/gs_library.h"

#include <cstring>

#include "script/common/library_image_format.h"
#include "script/vm/gs_heap.h"
#include "script/vm/gs_machine.h"
#include "script/vm/script_log.h"

namespace GSRuntime {

namespace {

// The header's library name read on its own, for the machine's message
// about an image whose later parts are damaged; empty when even the name
// cannot be read.
std::string HeaderName(const std::vector<uint8_t>& bytes)
{
    if (bytes.size() < GSImage::kHeaderFixedBytes)
        return std::string();
    const uint8_t* at = bytes.data() + 20;
    const uint32_t length = uint32_t(at[0]) | uint32_t(at[1]) << 8 | uint32_t(at[2]) << 16 | uint32_t(at[3]) << 24;
    const size_t room = bytes.size() - GSImage::kHeaderFixedBytes;
    if (length == 0 || length > room)
        return std::string();
    const char* name = reinterpret_cast<const char*>(bytes.data() + GSImage::kHeaderFixedBytes);
    return std::string(name, strnlen(name, length));
}

}  // namespace

GSLibrary::GSLibrary() = default;

GSLibrary::~GSLibrary() = default;

void* GSLibrary::operator new(size_t size)
{
    return GSHeap::Machine().Alloc(size);
}

void GSLibrary::operator delete(void* block)
{
    GSHeap::Machine().Free(block);
}

int GSLibrary::LoadImage(GSMachine* machine, GSLibrary* library, std::vector<uint8_t> image)
{
    if (machine == nullptr || library == nullptr)
        return kLoadFormatError;
    library->bytes_ = std::move(image);
    return library->Load(machine);
}

GSClass* GSLibrary::FindClass(const GSLibrary* library, std::string_view name)
{
    if (library == nullptr)
        return nullptr;
    const auto found = library->classesByName_.find(name);
    return found != library->classesByName_.end() ? library->classes_[found->second].get() : nullptr;
}

int GSLibrary::Load(GSMachine* machine)
{
    GSImage::ImageError error;
    if (!GSImage::ReadLibraryImage(bytes_.data(), bytes_.size(), &image_, &error)) {
        name_ = HeaderName(bytes_);
        if (error.classIndex >= 0) {
            const std::string className = error.className.empty() ? "(unnamed)" : std::string(error.className);
            GSLog("GS Link error: Unable to initialise class '%s'", className.c_str());
        }
        return kLoadFormatError;
    }
    name_ = std::string(image_.name);
    classes_.reserve(image_.classes.size());
    for (uint32_t i = 0; i < image_.classes.size(); ++i) {
        classes_.push_back(std::make_unique<GSClass>(this, i, image_, image_.classes[i]));
        // The later of two classes of one name is the one found.
        classesByName_[std::string_view(classes_.back()->Name())] = i;
    }
    int result = ResolveDependencies(machine);
    if (result == kLoadOk)
        result = ResolveClassReferences();
    if (result == kLoadOk)
        result = ResolveFunctionReferences();
    if (result == kLoadOk)
        result = LinkClasses();
    return result;
}

int GSLibrary::ResolveDependencies(GSMachine* machine)
{
    dependencies_.assign(image_.dependencies.size(), nullptr);
    for (size_t i = 0; i < image_.dependencies.size(); ++i) {
        const GSImage::Dependency& dependency = image_.dependencies[i];
        // A library is its own first dependency: the machine hands back this
        // library, whose classes are already read.
        dependencies_[i] = machine->GetLibrary(dependency.sourceCrc, dependency.fileNameCrc);
        if (dependencies_[i] == nullptr)
            return kLoadDependencyError;
    }
    return kLoadOk;
}

int GSLibrary::ResolveClassReferences()
{
    classReferences_.assign(image_.classReferences.size(), nullptr);
    bool failed = false;
    // Every missing class is reported before the load fails.
    for (size_t i = 0; i < image_.classReferences.size(); ++i) {
        const GSImage::ClassReference& reference = image_.classReferences[i];
        GSLibrary* owner = dependencies_[reference.dependency];
        classReferences_[i] = FindClass(owner, image_.String(reference.name));
        if (classReferences_[i] != nullptr)
            continue;
        failed = true;
        const std::string name(image_.String(reference.name));
        if (owner != nullptr) {
            GSLog("GS Link error: Unable to find class '%s'", name.c_str());
        } else {
            const GSImage::Dependency& dependency = image_.dependencies[reference.dependency];
            GSLog("GS Link error: Unable to find library for class '%s' (lib id: %x.%x)", name.c_str(),
                  dependency.sourceCrc, dependency.fileNameCrc);
        }
    }
    return failed ? kLoadLinkError : kLoadOk;
}

int GSLibrary::ResolveFunctionReferences()
{
    functionReferences_.resize(image_.functionReferences.size());
    for (size_t i = 0; i < image_.functionReferences.size(); ++i) {
        const GSImage::FunctionReference& source = image_.functionReferences[i];
        GSFunctionReference& reference = functionReferences_[i];
        reference.cls = classReferences_[source.classReference];
        const std::string_view name = image_.String(source.name);
        reference.name = name.data();
        reference.slot = source.slot;
        const int32_t index = reference.cls->FindFunction(name);
        if (index < 0) {
            GSLog("GS Link error: Unable to link function '%s'", reference.name);
            return kLoadLinkError;
        }
        reference.function = &reference.cls->Function(static_cast<uint32_t>(index));
    }
    return kLoadOk;
}

int GSLibrary::LinkClasses()
{
    // Every base must be known before any class looks for what it overrides.
    for (const std::unique_ptr<GSClass>& cls : classes_) {
        for (GSBaseEntry& base : cls->Bases())
            base.cls = classReferences_[base.classReference];
    }
    for (const std::unique_ptr<GSClass>& cls : classes_) {
        if (!cls->Link()) {
            GSLog("GS Link error: Unable to link '%s'", cls->Name());
            return kLoadLinkError;
        }
    }
    return kLoadOk;
}

}  // namespace GSRuntime
