// Zel::Resource loading on first lock, and the process-wide registry of resource types.
#include "zel/resource.h"

#include <map>
#include <mutex>
#include <string_view>

#include "zel/ascii.h"
#include "zel/file.h"
#include "zel/memory_file.h"
#include "zel/resource_database.h"

namespace Zel {

namespace {

constexpr std::string_view FamilyPrefix = "korvel.";

struct TypeRegistry {
    std::mutex lock;
    std::map<std::string, ResourceFactory> types;  // keys lower-cased, family prefix dropped
};

TypeRegistry& Registry()
{
    static TypeRegistry* registry = new TypeRegistry();
    return *registry;
}

std::string TypeKey(const char* typeName)
{
    std::string key = AsciiLowerCopy(typeName ? typeName : "");
    if (key.compare(0, FamilyPrefix.size(), FamilyPrefix) == 0)
        key.erase(0, FamilyPrefix.size());
    return key;
}

}  // namespace

Resource::Resource(const char* name, ResourceDatabase* database) : name_(name ? name : ""), database_(database) {}

Resource::~Resource() = default;

void Resource::SetSource(const std::string& fileName, bool textForm)
{
    fileName_ = fileName;
    textForm_ = textForm;
}

int Resource::Lock()
{
    if (locks_ > 0) {
        ++locks_;
        return 0;
    }
    File file;
    const char* container = database_ ? database_->GetName().c_str() : "";
    int opened = *container ? file.Open(container, fileName_.c_str(), File::ModeRead)
                            : file.Open(fileName_.c_str(), File::ModeRead);
    if (opened != 0)
        return 1;
    int64_t size = file.Size();
    if (size < 0)
        return 1;
    // Read once, into storage a loader can keep: mesh files are large.
    MemoryFile bytes;
    if (bytes.Open(file) != 0)
        return 1;
    file.Close();
    int result = 0;
    if (textForm_) {
        std::string text(reinterpret_cast<const char*>(bytes.Data()), bytes.Size());
        // The text loader sees the text up to a NUL; a NUL inside marks a
        // file that is no plain text, which the loader is told by its length.
        result = text.size() == std::string(text.c_str()).size() ? LoadTxt(text.c_str()) : 1;
    } else {
        result = LoadFile(bytes);
    }
    if (result != 0) {
        Unload();
        return result;
    }
    LoadComplete();
    locks_ = 1;
    return 0;
}

bool Resource::Unlock()
{
    if (locks_ <= 0)
        return false;
    if (--locks_ == 0)
        Unload();
    return true;
}

int Resource::Load(const std::vector<uint8_t>& /*bytes*/)
{
    return 1;
}

int Resource::LoadFile(MemoryFile& file)
{
    return Load(std::vector<uint8_t>(file.Data(), file.Data() + file.Size()));
}

int Resource::LoadTxt(const char* /*text*/)
{
    return 1;
}

void RegisterResourceType(const char* typeName, ResourceFactory factory)
{
    TypeRegistry& registry = Registry();
    std::lock_guard<std::mutex> hold(registry.lock);
    registry.types[TypeKey(typeName)] = factory;
}

ResourceFactory FindResourceType(const char* typeName)
{
    TypeRegistry& registry = Registry();
    std::lock_guard<std::mutex> hold(registry.lock);
    auto found = registry.types.find(TypeKey(typeName));
    return found == registry.types.end() ? nullptr : found->second;
}

Resource* ResourceDatabase::Get(const char* name, int /*flags*/)
{
    if (name == nullptr || *name == '\0')
        return nullptr;
    std::string resourceName(name);
    size_t dot = resourceName.rfind('.');
    size_t slash = resourceName.find_last_of("/\\");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return nullptr;
    std::string extension = resourceName.substr(dot + 1);
    const char* container = name_.c_str();
    auto exists = [&](const std::string& file) {
        return (*container ? File::Exists(container, file.c_str()) : File::Exists(file.c_str())) == 0;
    };
    // "x.ext" is the file itself through the type "ext", or its text form
    // "x.ext.txt" through the type "ext.txt".
    struct Candidate {
        std::string file;
        std::string type;
        bool text;
    } candidates[] = {{GetFileName(name), extension, false}, {GetFileName(name) + ".txt", extension + ".txt", true}};
    for (const Candidate& candidate : candidates) {
        ResourceFactory factory = FindResourceType(candidate.type.c_str());
        if (factory == nullptr || !exists(candidate.file))
            continue;
        Resource* resource = factory(name, this);
        if (resource != nullptr)
            resource->SetSource(candidate.file, candidate.text);
        return resource;
    }
    return nullptr;
}

}  // namespace Zel
