// The mesh resources ("korvel.im", "korvel.pm", "korvel.lm", "korvel.lm.txt"): each owns one definition, loads it on first lock and creates instances.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "mesh/indexed_mesh_definition.h"
#include "zel/resource.h"

namespace Zel {
class Display;
class RenderKernel;
}  // namespace Zel

class KorvelIndexedMeshInstance;

class KorvelGeometryBaseResource : public Zel::Resource {
public:
    KorvelGeometryBaseResource(const char* name, Zel::ResourceDatabase* database);
    ~KorvelGeometryBaseResource() override;

    // Set before the first lock: the kernel's display, and the material
    // manager and texture source the load uses. Without a kernel the
    // resource cannot load; without a manager no mesh kind loads (result 5).
    void SetRenderKernel(Zel::RenderKernel* kernel, Zel::MaterialManager* materials,
                         Zel::TextureSource* textures = nullptr);
    Zel::RenderKernel* GetRenderKernel() const { return kernel_; }
    MeshOptions& Options() { return options_; }
    void SetAllowFallbackMaterials(bool allow) { allowFallbackMaterials_ = allow; }
    const std::vector<std::string>& GetMissingMaterialNames() const { return missingMaterialNames_; }
    void ClearMissingMaterialNames() { missingMaterialNames_.clear(); }
    // Null until a load made one (and after a failed binary load).
    KorvelIndexedMeshDefinition* GetDefinition() const { return definition_.get(); }
    // The mesh's detailed result of the last load (0 when it loaded).
    int GetLastResult() const { return lastResult_; }
    uint64_t CalculateDataSize() const { return definition_ ? definition_->CalculateDataSize() : 0; }

    // A new instance (the caller owns it), or null without a kernel or a
    // definition, or for a skinned mesh without a skeleton.
    virtual KorvelIndexedMeshInstance* CreateMeshInstance() = 0;

protected:
    // The record the definitions load through: the file's path, priority,
    // fallbacks; missing names are collected into this resource.
    MeshResource Describe() const;
    const Zel::DisplayCapabilities* Display() const;
    void LoadComplete() override;
    // Loads a binary definition from the file's bytes, which it takes over;
    // the definition stays only when it loaded.
    int LoadDefinition(std::unique_ptr<KorvelIndexedMeshDefinition> definition, Zel::MemoryFile& file);

    Zel::RenderKernel* kernel_ = nullptr;
    Zel::MaterialManager* materials_ = nullptr;
    Zel::TextureSource* textures_ = nullptr;
    MeshOptions options_;
    bool allowFallbackMaterials_ = false;
    std::vector<std::string> missingMaterialNames_;
    std::unique_ptr<KorvelIndexedMeshDefinition> definition_;
    int lastResult_ = 0;
};

class KorvelIndexedMeshResource : public KorvelGeometryBaseResource {
public:
    using KorvelGeometryBaseResource::KorvelGeometryBaseResource;
    KorvelIndexedMeshInstance* CreateMeshInstance() override;

protected:
    int LoadFile(Zel::MemoryFile& file) override;
};

class KorvelIndexedMeshLODResource : public KorvelGeometryBaseResource {
public:
    using KorvelGeometryBaseResource::KorvelGeometryBaseResource;
    KorvelIndexedMeshInstance* CreateMeshInstance() override;

protected:
    int LoadFile(Zel::MemoryFile& file) override;
    int LoadTxt(const char* text) override;
    void LoadComplete() override;
};

class KorvelProgressiveMeshResource : public KorvelGeometryBaseResource {
public:
    using KorvelGeometryBaseResource::KorvelGeometryBaseResource;
    KorvelIndexedMeshInstance* CreateMeshInstance() override;

protected:
    int LoadFile(Zel::MemoryFile& file) override;
};

// Registers "korvel.im", "korvel.pm", "korvel.lm" and "korvel.lm.txt" (once).
void RegisterMeshResourceTypes();
