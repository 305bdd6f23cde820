// Material plug-ins: factories that say whether a display can draw their type and make its materials; the one-texture plug-in base with its shared caches.
#pragma once

#include <cstdint>
#include <string>

#include "zel/material.h"
#include "zel/plugin.h"

namespace Zel {

class Display;
class MaterialManager;
class RenderKernel;
class RenderingCache;
class RenderingCacheManager;

class MaterialPlugin : public PluginType {
public:
    MaterialPlugin(const char* typeName, const UId& classId);

    // True when the display can draw the type; otherwise false with the
    // type to use instead.
    virtual bool IsSupported(const Display* display, std::string& fallback) const;
    // One material of the type (one reference) bound to this plug-in, or
    // null when the shared resources cannot be prepared.
    virtual Material* CreateMaterial(MaterialManager* manager, RenderKernel* kernel) = 0;

    // Enters the plug-in into the registry, which takes the reference; a
    // plug-in of that name already there keeps its place and this one goes.
    static bool Register(MaterialPlugin* plugin);

    // The shared cache of that id from the kernel's cache manager, or a new
    // Cache added there; one reference for the caller.
    template <typename Cache>
    static RenderingCache* AcquireCache(RenderingCacheManager* caches, const char* id);
    // Fills each null member with its shared cache, in the order
    // alpha-blend, alpha-mask, material-chunk (blendFirst) or the reverse.
    static void AcquireCaches(RenderingCacheManager* caches, MaterialCaches& held, bool blendFirst);
    // Releases and nulls each held cache.
    static void ReleaseCaches(MaterialCaches& held);
};

// The engine's one-texture plug-in base: three shared caches and a default
// stage state, made by CreatePluginResources.
class OneTextureMaterialPlugin : public MaterialPlugin {
public:
    using MaterialPlugin::MaterialPlugin;
    ~OneTextureMaterialPlugin() override;

    // Any display with a texture stage.
    bool IsSupported(const Display* display, std::string& fallback) const override;
    // False without a kernel or its display.
    bool CreatePluginResources(RenderKernel* kernel);

protected:
    MaterialCaches caches_;
    uint32_t defaultStageState_ = 0;
    Display* resourceDisplay_ = nullptr;

private:
    uint64_t kernelSerial_ = 0;
};

}  // namespace Zel
