// Engine material manager: decorated names, built-in material types, plug-in types through the render kernel, a cache by full name and a fallback type.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "zel/material.h"

namespace Zel {

class RenderKernel;
class TextureManager;

// Decorated names are "owner*folder*stored"; the type is the text after the
// last ".m." of the name ("wood.m.tbumpgloss" is of type "tbumpgloss"); a name
// without ".m." is of the fallback type.
class MaterialManager {
public:
    enum : int { RequestOk = 0, RequestNotFound = 3, RequestFailed = 4 };
    using Factory = std::function<Material*(const std::string& name, const std::string& type)>;

    // Registers the built-in types "onetex", "notex", "gloss" and "reflect".
    // A manager with a render kernel also makes the types of the material
    // plug-ins; one without knows only the built-in types.
    explicit MaterialManager(RenderKernel* kernel = nullptr);
    ~MaterialManager();
    MaterialManager(const MaterialManager&) = delete;
    MaterialManager& operator=(const MaterialManager&) = delete;

    void RegisterType(const std::string& type, Factory factory);
    bool HasType(const std::string& type) const;
    const std::string& GetFallbackTypeName() const { return fallbackType_; }
    RenderKernel* GetRenderKernel() const { return kernel_; }
    TextureManager* GetTextureManager() const { return textures_.get(); }

    // RequestOk with a counted material (the caller releases it), or
    // RequestNotFound for a type nobody makes, or RequestFailed when the
    // type's plug-in cannot make one or the manager is told to refuse.
    int Request(const std::string& name, Material*& material);
    void SetRefuseAll(bool refuse) { refuseAll_ = refuse; }
    // Drops the cached materials that only the cache still holds; returns
    // how many went. A long-lived process that loads mesh after mesh calls
    // it between them: otherwise every material ever named stays, and a
    // later mesh naming the same material inherits the textures an earlier
    // one set on it.
    int ReleaseUnusedMaterials();
    // A new, uncached material of the type (one reference), or null.
    Material* CreateInstance(const std::string& type);

    // type = text after the last ".m." (else the fallback type); base = the
    // text up to and including the '.' of that ".m." (else the name and a '.').
    void SplitDecoratedMaterialName(const std::string& decorated, std::string& type, std::string& base) const;

private:
    // The type's material: a built-in type, else its plug-in (following the
    // plug-in's fallback while the display cannot draw a type).
    int Make(const std::string& name, const std::string& type, Material*& material);

    RenderKernel* kernel_;
    std::unique_ptr<TextureManager> textures_;
    std::map<std::string, Factory> factories_;
    std::map<std::string, Material*> cache_;
    std::string fallbackType_ = "onetex";
    bool refuseAll_ = false;
};

}  // namespace Zel
