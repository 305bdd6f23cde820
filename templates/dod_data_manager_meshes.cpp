// The data manager's check of files named by file-path fields: meshes, LOD meshes, animations, by extension.
#include <algorithm>
#include <cstring>
#include <string>

#include "foundation/base/install_paths.h"
#include "mesh/indexed_mesh_instance.h"
#include "templates/dod_build_numbers.h"
#include "templates/dod_container.h"
#include "templates/dod_data_manager.h"
#include "templates/dod_error_handler.h"
#include "templates/dod_lod_mesh_data.h"
#include "templates/dod_messages.h"
#include "zel/pstring.h"
#include "zel/material_manager.h"
#include "zel/render_kernel.h"
#include "zel/resource_system.h"

namespace DODLib {

namespace {

// Kinds whose LOD meshes are not judged for performance.
bool KindSkipsPerformanceNotes(const Zel::PString& kind)
{
    for (const char* name : {"traincar", "bogey", "interior", "pantograph", "drivercharacter"}) {
        if (kind == name)
            return true;
    }
    return false;
}

// Unreferenced strings are freed once the table has grown by this many (or
// by a quarter) since the last collection: the collection walks the whole
// table, which costs as much as the checks of a small asset, and a host
// validating the same assets again and again makes no new strings at all.
constexpr size_t MinStringGrowthBeforeCollecting = 2048;

// A LOD mesh shows fewer than this many faces at its lowest level only when
// it gains nothing from being a LOD mesh.
constexpr int LowPolyFaceLimit = 300;

bool IsAbsoluteName(std::string_view name)
{
    if (name.size() >= 3 && ((name[0] >= 'a' && name[0] <= 'z') || (name[0] >= 'A' && name[0] <= 'Z')) &&
        name[1] == ':' && (name[2] == '/' || name[2] == '\\'))
        return true;
    if (name.size() >= 2 && name[0] == '\\' && name[1] == '\\')
        return true;
    return !name.empty() && name[0] == '/';
}

}  // namespace

void DataManager::SetMeshLoader(MeshLoader loader)
{
    meshLoader_ = std::move(loader);
}

std::unique_ptr<MeshData> DataManager::LoadMesh(const Zel::PString& file, bool lod, Container* container)
{
    loadedSinceRelease_ = true;
    if (meshLoader_) {
        std::unique_ptr<MeshData> mesh = meshLoader_(file, lod, container);
        if (mesh && mesh->GetFilePath().IsEmpty())
            mesh->SetFilePath(file);
        return mesh;
    }
    std::unique_ptr<MeshData> mesh = lod ? std::make_unique<LODMeshData>() : std::make_unique<MeshData>();
    if (!mesh->Load(file, container))
        return nullptr;
    return mesh;
}

MeshData* DataManager::GetMeshFor(const Container* container) const
{
    auto it = loadedMeshes_.find(container);
    return it == loadedMeshes_.end() ? nullptr : it->second.get();
}

MeshData* DataManager::RegisterMesh(std::unique_ptr<MeshData> mesh, Container* container)
{
    MeshData* registered = mesh.get();
    // Only the newest mesh is marked; the object it replaces goes now.
    if (currentMesh_)
        currentMesh_->SetFlag(Zel::ParticleFlagHidden, false);
    registered->SetFlag(Zel::ParticleFlagHidden, true);
    loadedMeshes_[container] = std::move(mesh);
    // The map owns the mesh; the scene only shows it. A mesh deleted from
    // the map takes itself out of the scene, and teardown empties the map
    // before the root particle goes.
    if (rootParticle_) {
        std::unique_ptr<Zel::Particle> shown(registered);
        if (!rootParticle_->Add(std::move(shown)))
            shown.release();
    }
    currentMesh_ = registered;
    AttachmentsChanged();
    UniqueAttachmentsChanged();
    MeshLoaded(container);
    // Without a camera there is no light. The light outlives the meshes:
    // they are released before the scene goes.
    KorvelIndexedMeshInstance* instance = registered->GetInstance();
    if (light_ && instance) {
        instance->AddLight(light_);
        instance->SetUpdateLighting(true);
    }
    return registered;
}

void DataManager::AddPerformanceNotes(const MeshData& mesh, const Zel::PString& file, Container* container)
{
    if (!mesh.IsInspected())
        return;
    // The file as the user knows it: below the asset's folder.
    const std::string shown = NameBelowAssetFolder(file.View());
    ErrorHandler* errors = ErrorHandler::Instance();
    if (mesh.GetAttachmentPoints().empty() && mesh.GetLoadedAnimationCount() == 0)
        errors->AddWarning(FindingText("$dod_lm_performance_no_attachments", shown), container);
    if (mesh.GetLevelCount() == 1)
        errors->AddWarning(FindingText("$dod_lm_performance_single_lod", shown), container);
    if (mesh.GetLevelCount() > 0 && mesh.GetLowestLevelFaces() < LowPolyFaceLimit)
        errors->AddWarning(FindingText("$dod_lm_performance_low_poly", shown), container);
}

MeshData* DataManager::CheckMeshFile(const Zel::PString& fileName, Container* container)
{
    Zel::File::Path name(fileName.c_str());
    if (fileName.IsEmpty() || name.GetExt().empty())
        return nullptr;
    // Animations and unsupported kinds are loaded as resources too.
    loadedSinceRelease_ = true;
    if (IsAbsoluteName(fileName.View()))
        name.MakeRelativeTo(GetRootFolderPath(assetRootName_.c_str()));
    name.ReplaceForwardSlashes();
    const Zel::PString file(name.Str());

    if (name.IsExt("im")) {
        std::unique_ptr<MeshData> mesh = LoadMesh(file, false, container);
        if (!mesh) {
            meshFailed_ = true;
            return nullptr;
        }
        return RegisterMesh(std::move(mesh), container);
    }
    if (name.IsExt("lm")) {
        std::unique_ptr<MeshData> mesh = LoadMesh(file, true, container);
        if (!mesh) {
            meshFailed_ = true;
            return nullptr;
        }
        MeshData* registered = RegisterMesh(std::move(mesh), container);
        const Container* parent = container ? container->GetOwner() : nullptr;
        if (parent && !KindSkipsPerformanceNotes(parent->GetConfig().GetNamedTag(Zel::PString("kind"))))
            AddPerformanceNotes(*registered, file, container);
        return registered;
    }
    if (name.IsExt("pm")) {
        // Progressive meshes are no longer supported: the asset is told so,
        // as an error from build 2.9 on.
        meshFailed_ = true;
        const Zel::PString text = FindingText("$dod_dm_unsupportedformat");
        if (RoundedBuild(build_) >= 290)
            ErrorHandler::Instance()->AddError(text, container);
        else
            ErrorHandler::Instance()->AddWarning(text, container);
        // Loaded once all the same, as the simulator would; what it finds is not kept.
        if (!meshLoader_)
            MeshData().Load(file, container);
        return nullptr;
    }
    if (name.IsExt("kin")) {
        if (currentMesh_ && currentMesh_->HasInstance()) {
            currentMesh_->LoadAnimation(file);
        } else if (!meshFailed_ && !skipAnimation_) {
            meshFailed_ = true;
            ErrorHandler::Instance()->AddError(FindingText("$dod_dm_animationfailed", fileName.c_str()), container);
        }
        return nullptr;
    }
    if (name.IsExt("txt")) {
        Zel::File::Path stem = name;
        stem.SetExt(nullptr);
        if (!stem.IsExt("lm"))
            return nullptr;
        std::unique_ptr<MeshData> mesh = LoadMesh(Zel::PString(stem.Str()), true, container);
        if (!mesh) {
            meshFailed_ = true;
            return nullptr;
        }
        return RegisterMesh(std::move(mesh), container);
    }
    return nullptr;
}

void DataManager::ReleaseLoadedMeshes()
{
    if (loadedMeshes_.empty() && !loadedSinceRelease_)
        return;
    loadedSinceRelease_ = false;
    loadedMeshes_.clear();
    currentMesh_ = nullptr;
    // A host validates asset after asset: what the meshes held must go with them.
    if (resourceSystem_)
        resourceSystem_->DumpUnusedResourcesFromCache();
    if (Zel::RenderKernel* kernel = GetPublishedRenderKernel())
        kernel->GetMaterialManager()->ReleaseUnusedMaterials();
    CollectStringsIfGrown();
}

void DataManager::CollectStringsIfGrown()
{
    const size_t strings = Zel::PStringCache::Count();
    const size_t growth = strings > stringsAfterCollecting_ ? strings - stringsAfterCollecting_ : 0;
    if (growth < std::max(MinStringGrowthBeforeCollecting, stringsAfterCollecting_ / 4))
        return;
    Zel::PStringCache::CollectGarbage();
    stringsAfterCollecting_ = Zel::PStringCache::Count();
}

void DataManager::RemoveContainerMesh(Container* container)
{
    auto it = loadedMeshes_.find(container);
    if (it == loadedMeshes_.end())
        return;
    if (currentMesh_ == it->second.get())
        currentMesh_ = nullptr;
    loadedMeshes_.erase(it);
    AttachmentsChanged();
    UniqueAttachmentsChanged();
}

}  // namespace DODLib
