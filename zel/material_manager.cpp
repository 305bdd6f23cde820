// Engine material manager: built-in types, plug-in types, decorated-name split and the material cache.
#include "zel/material_manager.h"

#include "zel/material_plugin.h"
#include "zel/material_texture.h"
#include "zel/render_kernel.h"

namespace Zel {

MaterialManager::MaterialManager(RenderKernel* kernel) : kernel_(kernel), textures_(std::make_unique<TextureManager>())
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

int MaterialManager::ReleaseUnusedMaterials()
{
    int released = 0;
    for (auto entry = cache_.begin(); entry != cache_.end();) {
        if (entry->second->GetReferenceCount() != 1) {
            ++entry;
            continue;
        }
        entry->second->ReleaseReference();
        entry = cache_.erase(entry);
        ++released;
    }
    return released;
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

int MaterialManager::Make(const std::string& name, const std::string& requested, Material*& material)
{
    material = nullptr;
    std::string type = requested;
    // A fallback may name another plug-in type that needs its own fallback;
    // a handful of steps covers every chain and stops a loop.
    for (int step = 0; step < 8; ++step) {
        auto factory = factories_.find(type);
        if (factory != factories_.end()) {
            material = factory->second(name, type);
            if (!material)
                return RequestFailed;
            material->SetManager(this);
            return RequestOk;
        }
        if (!kernel_)
            return RequestNotFound;
        PluginType* found = nullptr;
        if (PluginBase::LookupPluginType(UId(kMaterialPluginFamily), type.c_str(), &found) != PluginBase::Found)
            return RequestNotFound;
        auto* plugin = dynamic_cast<MaterialPlugin*>(found);
        if (!plugin) {
            found->ReleaseReference();
            return RequestNotFound;
        }
        std::string fallback;
        if (!plugin->IsSupported(kernel_->GetDisplay(), fallback)) {
            found->ReleaseReference();
            if (fallback.empty() || fallback == type)
                return RequestNotFound;
            type = fallback;
            continue;
        }
        material = plugin->CreateMaterial(this, kernel_);
        if (material) {
            if (!name.empty())
                material->SetName(name);
            material->SetManager(this);
            material->Assign(plugin);
        }
        found->ReleaseReference();
        return material ? RequestOk : RequestFailed;
    }
    return RequestNotFound;
}

Material* MaterialManager::CreateInstance(const std::string& type)
{
    Material* material = nullptr;
    Make(std::string(), type, material);
    return material;
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
    Material* made = nullptr;
    int result = Make(name, type, made);
    if (result != RequestOk)
        return result;
    made->SetRequestName(name);
    cache_[name] = made;
    made->AddReference();
    material = made;
    return RequestOk;
}

}  // namespace Zel
