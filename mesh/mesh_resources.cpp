// The mesh resources: loading each kind through its definition with the kernel's display and materials, completion, instances, and the type registration.
#include "mesh/mesh_resources.h"

#include <mutex>
#include <new>

#include "mesh/dynamic_indexed_mesh_instance.h"
#include "mesh/indexed_mesh_lod_definition.h"
#include "mesh/indexed_mesh_lod_instance.h"
#include "mesh/progressive_mesh_instance.h"
#include "zel/display.h"
#include "zel/file.h"
#include "zel/render_kernel.h"
#include "zel/resource_database.h"

namespace {

// The engine's answer for a load that failed, whatever the mesh's own code.
constexpr int kLoadFailed = 1;

}  // namespace

KorvelGeometryBaseResource::KorvelGeometryBaseResource(const char* name, Zel::ResourceDatabase* database)
    : Zel::Resource(name, database)
{}

// The definition goes first: its chunks and materials are released before anything they name.
KorvelGeometryBaseResource::~KorvelGeometryBaseResource()
{
    definition_.reset();
}

void KorvelGeometryBaseResource::SetRenderKernel(Zel::RenderKernel* kernel, Zel::MaterialManager* materials,
                                                 Zel::TextureSource* textures)
{
    kernel_ = kernel;
    materials_ = materials;
    textures_ = textures;
}

const Zel::DisplayCapabilities* KorvelGeometryBaseResource::Display() const
{
    return kernel_ ? kernel_->GetDisplay() : nullptr;
}

MeshResource KorvelGeometryBaseResource::Describe() const
{
    MeshResource described;
    std::string path = GetFileName().empty() ? GetName() : GetFileName();
    // A database reaches its files through its name's substitution: the
    // definitions (and the level files of a text description) need the path
    // itself. The lock has just read the file: resolving finds it without
    // opening it a second time.
    if (GetDatabase() && !std::string(GetDatabase()->GetName().c_str()).empty()) {
        std::string resolved;
        if (Zel::File::Resolve(GetDatabase()->GetName().c_str(), path.c_str(), resolved))
            path = resolved;
    }
    described.name = path;
    described.priority = static_cast<int>(GetPriority());
    described.allowFallbackMaterials = allowFallbackMaterials_;
    described.database = GetDatabase();
    return described;
}

int KorvelGeometryBaseResource::LoadDefinition(std::unique_ptr<KorvelIndexedMeshDefinition> definition,
                                               Zel::MemoryFile& file)
{
    MeshResource described = Describe();
    Zel::MemoryFile& read = definition->GetFile();
    read = std::move(file);
    read.SetName(described.name);
    const Zel::DisplayCapabilities* display = Display();
    lastResult_ = definition->Load(display, materials_, &described, described.name,
                                   display ? display->GetDefaultVertexColour() : 0xFFFFFFFFu);
    missingMaterialNames_.insert(missingMaterialNames_.end(), described.missingMaterialNames.begin(),
                                 described.missingMaterialNames.end());
    if (lastResult_ != MeshOk) {
        definition_.reset();
        return kLoadFailed;
    }
    definition_ = std::move(definition);
    return 0;
}

void KorvelGeometryBaseResource::LoadComplete()
{
    if (!definition_ || lastResult_ != MeshOk)
        return;
    definition_->LoadTextures(textures_);
    definition_->InitChunkBuffers();
}

int KorvelIndexedMeshResource::LoadFile(Zel::MemoryFile& file)
{
    ClearMissingMaterialNames();
    if (!kernel_)
        return kLoadFailed;
    return LoadDefinition(std::make_unique<KorvelIndexedMeshDefinition>(options_), file);
}

int KorvelIndexedMeshLODResource::LoadFile(Zel::MemoryFile& file)
{
    ClearMissingMaterialNames();
    if (!kernel_)
        return kLoadFailed;
    if (!materials_) {
        lastResult_ = MeshNoMaterialManager;
        definition_.reset();
        return kLoadFailed;
    }
    return LoadDefinition(std::make_unique<KorvelIndexedMeshLODDefinition>(options_), file);
}

int KorvelIndexedMeshLODResource::LoadTxt(const char* text)
{
    // Unlike the binary load, the text load adds to the missing names it has.
    if (!kernel_)
        return kLoadFailed;
    auto definition = std::make_unique<KorvelIndexedMeshLODDefinition>(options_);
    if (!materials_) {
        lastResult_ = MeshNoMaterialManager;
        definition_ = std::move(definition);
        return kLoadFailed;
    }
    MeshResource described = Describe();
    const Zel::DisplayCapabilities* display = Display();
    lastResult_ = definition->LoadTextFrom(text ? text : "", display, materials_, &described, described.name,
                                           display ? display->GetDefaultVertexColour() : 0xFFFFFFFFu);
    missingMaterialNames_.insert(missingMaterialNames_.end(), described.missingMaterialNames.begin(),
                                 described.missingMaterialNames.end());
    // A failed text load keeps what it built for reporting; the remembered
    // result keeps it from making instances.
    definition_ = std::move(definition);
    return lastResult_ == MeshOk ? 0 : kLoadFailed;
}

void KorvelIndexedMeshLODResource::LoadComplete()
{
    if (!definition_ || lastResult_ != MeshOk)
        return;
    lastResult_ = static_cast<KorvelIndexedMeshLODDefinition*>(definition_.get())->CompleteLoad(textures_);
}

int KorvelProgressiveMeshResource::LoadFile(Zel::MemoryFile& file)
{
    ClearMissingMaterialNames();
    if (!kernel_)
        return kLoadFailed;
    // Refinement rewrites indices: the index buffers are dynamic unless the owner chose.
    MeshOptions options = options_;
    if (!options.dynamicIndexPresent) {
        options.dynamicIndex = 1;
        options.dynamicIndexPresent = 1;
    }
    return LoadDefinition(std::make_unique<KorvelProgressiveMeshDefinition>(options), file);
}

KorvelIndexedMeshInstance* KorvelIndexedMeshResource::CreateMeshInstance()
{
    if (!kernel_ || !definition_ || lastResult_ != MeshOk)
        return nullptr;
    const KorvelIndexedMeshDefinition& definition = *definition_;
    if (definition.GetInfluences().empty() || definition.GetMaxBonesPerChunk() == 0) {
        auto* instance = new KorvelIndexedMeshInstance(kernel_);
        instance->Init(this, definition);
        return instance;
    }
    if (!definition.GetSkeleton())
        return nullptr;
    auto* instance = new KorvelDynamicIndexedMeshInstance(kernel_);
    instance->SetUp(this, definition);
    return instance;
}

KorvelIndexedMeshInstance* KorvelIndexedMeshLODResource::CreateMeshInstance()
{
    if (!kernel_ || !definition_ || lastResult_ != MeshOk)
        return nullptr;
    const auto& definition = static_cast<const KorvelIndexedMeshLODDefinition&>(*definition_);
    if (definition.GetInfluences().empty()) {
        auto* instance = new KorvelIndexedMeshLODInstance(kernel_);
        instance->Init(this, definition);
        return instance;
    }
    if (!definition.GetSkeleton())
        return nullptr;
    auto* instance = new KorvelDynamicIndexedMeshLODInstance(kernel_);
    instance->SetUp(this, definition);
    return instance;
}

KorvelIndexedMeshInstance* KorvelProgressiveMeshResource::CreateMeshInstance()
{
    if (!kernel_ || !definition_ || lastResult_ != MeshOk)
        return nullptr;
    const auto& definition = static_cast<const KorvelProgressiveMeshDefinition&>(*definition_);
    if (definition.GetInfluences().empty() || definition.GetMaxBonesPerChunk() == 0) {
        auto* instance = new KorvelProgressiveMeshInstance(kernel_);
        instance->Init(this, definition);
        return instance;
    }
    if (!definition.GetSkeleton())
        return nullptr;
    auto* instance = new KorvelDynamicProgressiveMeshInstance(kernel_);
    instance->SetUp(this, definition);
    return instance;
}

namespace {

template <class T>
Zel::Resource* Make(const char* name, Zel::ResourceDatabase* database)
{
    return new (std::nothrow) T(name, database);
}

}  // namespace

void RegisterMeshResourceTypes()
{
    static std::once_flag once;
    std::call_once(once, [] {
        Zel::RegisterResourceType("korvel.im", Make<KorvelIndexedMeshResource>);
        Zel::RegisterResourceType("korvel.pm", Make<KorvelProgressiveMeshResource>);
        Zel::RegisterResourceType("korvel.lm", Make<KorvelIndexedMeshLODResource>);
        Zel::RegisterResourceType("korvel.lm.txt", Make<KorvelIndexedMeshLODResource>);
    });
}
