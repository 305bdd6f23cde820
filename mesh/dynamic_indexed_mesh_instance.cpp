// KorvelDynamicIndexedMeshInstance: set-up from a skinned definition, copies with their own skeleton, and the per-frame skin update.
#include "mesh/dynamic_indexed_mesh_instance.h"

#include "zel/display.h"

KorvelDynamicIndexedMeshInstance::KorvelDynamicIndexedMeshInstance(Zel::RenderKernel* kernel)
    : KorvelIndexedMeshInstance(kernel)
{}

void KorvelDynamicIndexedMeshInstance::SetUp(Zel::Resource* resource, const KorvelIndexedMeshDefinition& definition)
{
    SetResource(resource);
    SetDefinition(definition);
    SetUpSkinning(definition, *this);
    definition.AddAttachmentPoints(*this);
    bool software = !definition.UsesHardwareSkinning();
    if (software)
        MakeChunkArrayUnique();
    for (uint32_t i = 0; i < chunkCount_; ++i) {
        bool slotless = chunks_[i]->GetInfluenceMatrices().empty();
        if (software || slotless)
            MakeChunkUnique(i);
        if (slotless)
            chunks_[i]->SetFlags(chunks_[i]->GetFlags() | ChunkFlagRefused);
    }
}

KorvelIndexedMeshInstance* KorvelDynamicIndexedMeshInstance::CreateInstance() const
{
    auto* copy = new KorvelDynamicIndexedMeshInstance(kernel_);
    CopyInto(*copy);
    copy->CopySkinning(*this, *copy);
    // Software-skinned chunks too: each instance's skin update rewrites their
    // positions, and a draw the alpha cache defers would show the other's.
    copy->MakeChunkArrayUnique();
    for (uint32_t i = 0; i < copy->chunkCount_; ++i)
        copy->MakeChunkUnique(i);
    return copy;
}

void KorvelDynamicIndexedMeshInstance::UpdateSkin(uint32_t frame)
{
    KorvelInfluenceMesh::UpdateSkin(chunkCount_, chunks_, frame, 0);
}

void KorvelDynamicIndexedMeshInstance::Render(Zel::Display* display, const Zel::Viewport& viewport, Zel::Matrix4 matrix)
{
    UpdateSkin(display ? display->GetFrameNumber() : 0);
    KorvelIndexedMeshInstance::Render(display, viewport, matrix);
}

void KorvelDynamicIndexedMeshInstance::RenderGeometry(Zel::Display* display, const Zel::Viewport& viewport,
                                                      const Zel::Matrix4& matrix, bool lighting)
{
    UpdateSkin(display ? display->GetFrameNumber() : 0);
    KorvelIndexedMeshInstance::RenderGeometry(display, viewport, matrix, lighting);
}
