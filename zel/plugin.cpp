// Engine plug-in registry: types by family and name, with the built-in image types.
#include "zel/plugin.h"

#include "zel/ascii.h"

#include <mutex>
#include <vector>

namespace Zel {
namespace {

struct Registry {
    std::mutex lock;
    std::vector<PluginType*> types;

    Registry()
    {
        // The engine's own image readers; start-up must find "bmp".
        UId images(kImagePluginFamily);
        for (const char* name : {"bmp", "tga", "jpg", "png"})
            types.push_back(new PluginType(images, name));
    }

    PluginType* FindLocked(const UId& family, const char* name)
    {
        for (PluginType* type : types) {
            if (type->GetFamily() == family && AsciiEqualIgnoreCase(type->GetName(), name))
                return type;
        }
        return nullptr;
    }
};

Registry& TheRegistry()
{
    // Never destroyed: types may be released after static destructors ran.
    static Registry* registry = new Registry();
    return *registry;
}

}  // namespace

PluginType::PluginType(const UId& family, const char* name, const UId& classId)
    : family_(family), name_(name ? name : ""), classId_(classId)
{}

PluginInstance::~PluginInstance()
{
    if (type_)
        type_->ReleaseReference();
}

void PluginInstance::Assign(PluginType* type)
{
    if (type)
        type->AddReference();
    if (type_)
        type_->ReleaseReference();
    type_ = type;
}

int PluginBase::LookupPluginType(const UId& family, const char* name, PluginType** out)
{
    if (out)
        *out = nullptr;
    if (!out || !name)
        return BadArgument;
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> guard(registry.lock);
    PluginType* type = registry.FindLocked(family, name);
    if (!type)
        return NotFound;
    type->AddReference();
    *out = type;
    return Found;
}

bool PluginBase::RegisterPluginType(PluginType* type)
{
    if (!type)
        return false;
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> guard(registry.lock);
    if (registry.FindLocked(type->GetFamily(), type->GetName().c_str()))
        return false;
    registry.types.push_back(type);
    return true;
}

bool PluginBase::UnregisterPluginType(const UId& family, const char* name)
{
    Registry& registry = TheRegistry();
    PluginType* removed = nullptr;
    {
        std::lock_guard<std::mutex> guard(registry.lock);
        PluginType* type = registry.FindLocked(family, name ? name : "");
        if (!type)
            return false;
        std::erase(registry.types, type);
        removed = type;
    }
    removed->ReleaseReference();
    return true;
}

int PluginBase::CountPluginTypes()
{
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> guard(registry.lock);
    return static_cast<int>(registry.types.size());
}

std::vector<PluginType*> PluginBase::GetPluginTypes(const UId& family)
{
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> guard(registry.lock);
    std::vector<PluginType*> found;
    for (PluginType* type : registry.types) {
        if (type->GetFamily() == family) {
            type->AddReference();
            found.push_back(type);
        }
    }
    return found;
}

}  // namespace Zel
