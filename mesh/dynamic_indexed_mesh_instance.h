// KorvelDynamicIndexedMeshInstance: a mesh instance deformed by its own copy of the definition's skeleton.
#pragma once

#include "mesh/indexed_mesh_instance.h"
#include "mesh/influence_mesh.h"

class KorvelDynamicIndexedMeshInstance : public KorvelIndexedMeshInstance, public KorvelInfluenceMesh {
public:
    static constexpr int kTypeId = 18;

    explicit KorvelDynamicIndexedMeshInstance(Zel::RenderKernel* kernel);
    int GetID() const override { return kTypeId; }
    KorvelIndexedMeshInstance* CreateInstance() const override;

    // Resource and definition, the bones, and a skeleton of the instance's
    // own bound to them. A software-skinned mesh gets chunks of its own: the
    // skin update rewrites their positions.
    void SetUp(Zel::Resource* resource, const KorvelIndexedMeshDefinition& definition);
    // What rendering a frame runs first: level 0's skin for that frame.
    void UpdateSkin(uint32_t frame);
    Zel::ParticleBone* GetSkeletonInstance() const { return GetAttachedSkeleton(); }
};
