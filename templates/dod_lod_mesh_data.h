// A LOD mesh loaded for the template checks: as MeshData, answering from its LOD instance and definition.
#pragma once

#include <memory>

#include "templates/dod_mesh_data.h"

class KorvelIndexedMeshLODDefinition;
class KorvelIndexedMeshLODInstance;

namespace DODLib {

class LODMeshData : public MeshData {
public:
    LODMeshData();
    ~LODMeshData() override;

    KorvelIndexedMeshInstance* GetInstance() const override;
    const KorvelIndexedMeshDefinition* GetDefinition() const override;
    KorvelIndexedMeshLODInstance* GetLODInstance() const { return lodInstance_; }
    const KorvelIndexedMeshLODDefinition* GetLODDefinition() const { return lodDefinition_; }

    // The faces of the last level, with that level selected.
    uint32_t GetLowestLevelFaceCount();

private:
    // Any resource of the name is loaded (a LOD name is never a progressive
    // mesh); it must give a LOD instance.
    void RunLoadJob() override;
    void LoadLODJob(intptr_t argument);
    std::vector<const Zel::Material*> MaterialsToCheck() const override;

    // A child of this node, which owns it.
    KorvelIndexedMeshLODInstance* lodInstance_ = nullptr;
    const KorvelIndexedMeshLODDefinition* lodDefinition_ = nullptr;
};

}  // namespace DODLib
