// Material plug-in registration, shared caches and the one-texture base's resources.
#include "zel/material_plugin.h"

#include "zel/display.h"
#include "zel/render_kernel.h"
#include "zel/rendering_cache.h"
#include "zel/rendering_cache_manager.h"

namespace Zel {

MaterialPlugin::MaterialPlugin(const char* typeName, const UId& classId)
    : PluginType(UId(kMaterialPluginFamily), typeName, classId)
{}

bool MaterialPlugin::IsSupported(const Display*, std::string&) const
{
    return true;
}

bool MaterialPlugin::Register(MaterialPlugin* plugin)
{
    if (!plugin)
        return false;
    if (PluginBase::RegisterPluginType(plugin))
        return true;
    plugin->ReleaseReference();
    return false;
}

template <typename Cache>
RenderingCache* MaterialPlugin::AcquireCache(RenderingCacheManager* caches, const char* id)
{
    if (!caches)
        return nullptr;
    if (RenderingCache* found = caches->FindCache(id)) {
        found->AddReference();
        return found;
    }
    RenderingCache* made = new Cache();
    caches->AddCache(made);
    return made;
}

template RenderingCache* MaterialPlugin::AcquireCache<AlphaBlendCache>(RenderingCacheManager*, const char*);
template RenderingCache* MaterialPlugin::AcquireCache<AlphaMaskCache>(RenderingCacheManager*, const char*);
template RenderingCache* MaterialPlugin::AcquireCache<MaterialChunkCache>(RenderingCacheManager*, const char*);

void MaterialPlugin::AcquireCaches(RenderingCacheManager* caches, MaterialCaches& held, bool blendFirst)
{
    auto blend = [&] {
        if (!held.alphaBlend)
            held.alphaBlend = AcquireCache<AlphaBlendCache>(caches, AlphaBlendCache::AlphaBlendCacheID);
    };
    auto chunks = [&] {
        if (!held.materialChunk)
            held.materialChunk = AcquireCache<MaterialChunkCache>(caches, MaterialChunkCache::MaterialChunkCacheID);
    };
    blendFirst ? blend() : chunks();
    if (!held.alphaMask)
        held.alphaMask = AcquireCache<AlphaMaskCache>(caches, AlphaMaskCache::AlphaMaskCacheID);
    blendFirst ? chunks() : blend();
}

void MaterialPlugin::ReleaseCaches(MaterialCaches& held)
{
    for (RenderingCache** cache : {&held.alphaBlend, &held.alphaMask, &held.materialChunk}) {
        if (*cache)
            (*cache)->ReleaseReference();
        *cache = nullptr;
    }
}

OneTextureMaterialPlugin::~OneTextureMaterialPlugin()
{
    ReleaseCaches(caches_);
    if (defaultStageState_ && resourceDisplay_)
        resourceDisplay_->ReleaseStageState(defaultStageState_);
}

bool OneTextureMaterialPlugin::IsSupported(const Display* display, std::string& fallback) const
{
    if (!display || display->GetNumTextureStages() >= 1)
        return true;
    fallback = "notex";
    return false;
}

bool OneTextureMaterialPlugin::CreatePluginResources(RenderKernel* kernel)
{
    Display* display = kernel ? kernel->GetDisplay() : nullptr;
    if (!display)
        return false;
    if (kernelSerial_ != kernel->GetSerial()) {
        // What a former kernel gave belongs to it; its display may be gone.
        ReleaseCaches(caches_);
        defaultStageState_ = 0;
        resourceDisplay_ = nullptr;
        kernelSerial_ = kernel->GetSerial();
    }
    AcquireCaches(kernel->GetRenderingCacheManager(), caches_, false);
    if (!defaultStageState_) {
        // Modulate the texture with the lit colour: the engine's default.
        defaultStageState_ = display->CreateStageState({{0, 1}, {1, 1}});
        if (defaultStageState_)
            resourceDisplay_ = display;
    }
    return true;
}

}  // namespace Zel
