// Engine material manager: built-in types, decorated-name split and the material cache.
#include "zel/material_manager.h"

namespace Zel {

MaterialManager::MaterialManager()
{
    auto oneTexture = [](bool texture, bool reflection) {
        return [texture, reflection](const std::string& name, const std::string& type) -> Material* {
            return new OneTextureMaterial(name, type, texture, reflection);
        };
    };
    RegisterType("onetex", oneTexture(true, false));
    RegisterType("notex", oneTexture(false, false));
    RegisterType("gloss", oneTexture(true, true));
    RegisterType("reflect", oneTexture(true, true));
}

MaterialManager::~MaterialManager()
{
    for (auto& entry : cache_)
        entry.second->ReleaseReference();
}

void MaterialManager::RegisterType(const std::string& type, Factory factory)
{
    factories_[type] = std::move(factory);
}

bool MaterialManager::HasType(const std::string& type) const
{
    return factories_.count(type) != 0;
}

void MaterialManager::SplitDecoratedMaterialName(const std::string& decorated, std::string& type,
                                                 std::string& base) const
{
    size_t token = decorated.rfind(Material::DecoratedTypeToken);
    if (token == std::string::npos) {
        type = fallbackType_;
        base = decorated + ".";
        return;
    }
    type = decorated.substr(token + 3);
    base = decorated.substr(0, token + 1);
}

int MaterialManager::Request(const std::string& name, Material*& material)
{
    material = nullptr;
    if (refuseAll_)
        return RequestFailed;
    auto cached = cache_.find(name);
    if (cached != cache_.end()) {
        cached->second->AddReference();
        material = cached->second;
        return RequestOk;
    }
    std::string type, base;
    SplitDecoratedMaterialName(name, type, base);
    auto factory = factories_.find(type);
    if (factory == factories_.end())
        return RequestNotFound;
    Material* made = factory->second(name, type);
    if (!made)
        return RequestFailed;
    made->SetRequestName(name);
    cache_[name] = made;
    made->AddReference();
    material = made;
    return RequestOk;
}

}  // namespace Zel
