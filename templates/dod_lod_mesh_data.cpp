// LOD mesh check objects: loading through the resource database into a LOD instance, and the level facts the performance notes read.
#include "templates/dod_lod_mesh_data.h"

#include "mesh/indexed_mesh_lod_definition.h"
#include "mesh/indexed_mesh_lod_instance.h"
#include "mesh/mesh_resources.h"
#include "templates/dod_error_handler.h"
#include "templates/dod_main_thread_job.h"
#include "templates/dod_messages.h"

namespace DODLib {

LODMeshData::LODMeshData() = default;

// The LOD instance goes before what the base owns; as a child, it takes
// itself out of this node.
LODMeshData::~LODMeshData()
{
    delete lodInstance_;
    lodInstance_ = nullptr;
}

void LODMeshData::RunLoadJob()
{
    RunMeshJob(this, &LODMeshData::LoadLODJob);
}

KorvelIndexedMeshInstance* LODMeshData::GetInstance() const
{
    return lodInstance_;
}

const KorvelIndexedMeshDefinition* LODMeshData::GetDefinition() const
{
    return lodDefinition_;
}

void LODMeshData::LoadLODJob(intptr_t /*argument*/)
{
    bool progressive = false;
    KorvelGeometryBaseResource* resource = RequestMeshResource(false, progressive);
    inspected_ = true;
    if (resource == nullptr)
        return;
    KorvelIndexedMeshInstance* made = CreateInstance(*resource);
    auto* lod = dynamic_cast<KorvelIndexedMeshLODInstance*>(made);
    if (made != nullptr && lod == nullptr) {
        delete made;
        ErrorHandler::Instance()->AddError(FindingText("$dod_mesh_initialise_mesh", ShownMeshName()), container_);
    }
    lodInstance_ = Add(std::unique_ptr<KorvelIndexedMeshLODInstance>(lod));
    if (lodInstance_)
        lodDefinition_ = static_cast<const KorvelIndexedMeshLODDefinition*>(resource->GetDefinition());
    resource->ReleaseReference();
    if (!lodInstance_)
        return;
    CompleteLoad(*lodDefinition_);
    SetLevels(static_cast<int>(lodDefinition_->GetLevelCount()), static_cast<int>(GetLowestLevelFaceCount()));
    jobResult_ = true;
}

uint32_t LODMeshData::GetLowestLevelFaceCount()
{
    if (!lodInstance_ || lodInstance_->CountLODs() == 0)
        return 0;
    lodInstance_->SetLOD(lodInstance_->CountLODs() - 1);
    return lodInstance_->GetFaceCount();
}

std::vector<const Zel::Material*> LODMeshData::MaterialsToCheck() const
{
    std::vector<const Zel::Material*> materials;
    if (lodDefinition_) {
        for (const Zel::Material* material : lodDefinition_->CollectMaterials())
            materials.push_back(material);
    }
    return materials;
}

}  // namespace DODLib
