// KorvelDynamicIndexedMeshInstance: set-up from a skinned definition, copies with their own skeleton, and the per-frame skin update.
#include "mesh/dynamic_indexed_mesh_instance.h"

KorvelDynamicIndexedMeshInstance::KorvelDynamicIndexedMeshInstance(Zel::RenderKernel* kernel)
    : KorvelIndexedMeshInstance(kernel)
{}

void KorvelDynamicIndexedMeshInstance::SetUp(Zel::Resource* resource, const KorvelIndexedMeshDefinition& definition)
{
    SetResource(resource);
    SetDefinition(definition);
    SetUpSkinning(definition);
    if (!definition.UsesHardwareSkinning()) {
        MakeChunkArrayUnique();
        for (uint32_t i = 0; i < chunkCount_; ++i)
            MakeChunkUnique(i);
    }
}

KorvelIndexedMeshInstance* KorvelDynamicIndexedMeshInstance::CreateInstance() const
{
    auto* copy = new KorvelDynamicIndexedMeshInstance(kernel_);
    CopyInto(*copy);
    copy->CopySkinning(*this);
    copy->MakeChunkArrayUnique();
    for (uint32_t i = 0; i < copy->chunkCount_; ++i) {
        if ((copy->chunks_[i]->GetFlags() & ChunkFlagRefused) == 0)
            copy->MakeChunkUnique(i);
    }
    return copy;
}

void KorvelDynamicIndexedMeshInstance::UpdateSkin(uint32_t frame)
{
    KorvelInfluenceMesh::UpdateSkin(chunkCount_, chunks_, frame, 0);
}
