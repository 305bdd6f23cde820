// KorvelDynamicIndexedMeshInstance: set-up from a skinned definition, copies with their own skeleton, and the per-frame skin update.
#include "mesh/dynamic_indexed_mesh_instance.h"

KorvelDynamicIndexedMeshInstance::KorvelDynamicIndexedMeshInstance(Zel::RenderKernel* kernel)
    : KorvelIndexedMeshInstance(kernel)
{}

void KorvelDynamicIndexedMeshInstance::SetUp(Zel::Resource* resource, const KorvelIndexedMeshDefinition& definition)
{
    SetResource(resource);
    SetDefinition(definition);
    software_ = !definition.UsesHardwareSkinning();
    BuildFromDefinition(definition.GetInfluences(), !software_);
    if (software_) {
        MakeChunkArrayUnique();
        for (uint32_t i = 0; i < chunkCount_; ++i)
            MakeChunkUnique(i);
    }
    skeleton_ = definition.GetSkeleton() ? CopyBoneTree(*definition.GetSkeleton()) : nullptr;
    AttachSkeleton(skeleton_.get());
}

KorvelIndexedMeshInstance* KorvelDynamicIndexedMeshInstance::CreateInstance() const
{
    auto* copy = new KorvelDynamicIndexedMeshInstance(kernel_);
    CopyInto(*copy);
    copy->CopyInfluenceMesh(*this);
    copy->software_ = software_;
    copy->skeleton_ = skeleton_ ? CopyBoneTree(*skeleton_) : nullptr;
    copy->AttachSkeleton(copy->skeleton_.get());
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
