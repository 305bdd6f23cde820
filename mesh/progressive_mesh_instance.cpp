// KorvelProgressiveMeshInstance: private index arrays, and refining and coarsening by whole levels with 16-bit index edits.
#include "mesh/progressive_mesh_instance.h"

#include "zel/display.h"

KorvelProgressiveMeshInstance::KorvelProgressiveMeshInstance(Zel::RenderKernel* kernel)
    : KorvelIndexedMeshInstance(kernel)
{}

void KorvelProgressiveMeshInstance::MakeEveryChunkUnique()
{
    MakeChunkArrayUnique();
    for (uint32_t i = 0; i < chunkCount_; ++i)
        MakeChunkUnique(i);
}

KorvelIndexedMeshInstance* KorvelProgressiveMeshInstance::CreateInstance() const
{
    auto* copy = new KorvelProgressiveMeshInstance(kernel_);
    CopyProgressiveInto(*copy);
    return copy;
}

void KorvelProgressiveMeshInstance::CopyProgressiveInto(KorvelProgressiveMeshInstance& copy) const
{
    CopyInto(copy);
    copy.progressive_ = progressive_;
    Zel::ScalableDetail::InitInstance(copy);
    copy.drawCounts_ = drawCounts_;
    // Edits change index entries and counts: no two instances share a chunk.
    copy.MakeEveryChunkUnique();
}

void KorvelProgressiveMeshInstance::SetProgressiveDefinition(const KorvelProgressiveMeshDefinition& definition)
{
    SetDefinition(definition);
    progressive_ = &definition;
    MakeEveryChunkUnique();
    size_t levels = definition.GetLevels().size();
    Zel::ScalableDetail::Init(definition.GetFullDetailFaceCount());
    SetCurrentLevel(levels > 0 ? static_cast<uint32_t>(levels - 1) : 0);
    drawCounts_.assign(chunkCount_, DrawCounts());
    for (uint32_t i = 0; i < chunkCount_; ++i)
        drawCounts_[i] = {chunks_[i]->GetVertexCount(), chunks_[i]->GetFaceCount(), chunks_[i]->GetIndexCount()};
}

void KorvelProgressiveMeshInstance::Init(Zel::Resource* resource, const KorvelProgressiveMeshDefinition& definition)
{
    SetResource(resource);
    SetProgressiveDefinition(definition);
    AddSkeletonAndPoints(definition);
}

void KorvelProgressiveMeshInstance::ApplyLevel(uint32_t level, int sign)
{
    const auto& levels = progressive_->GetLevels();
    const auto& chunkEdits = progressive_->GetChunkEdits();
    const auto& edits = progressive_->GetIndexEdits();
    const auto& positions = progressive_->GetIndexPositions();
    const KorvelProgressiveMeshDefinition::Level& record = levels[level];
    for (uint32_t c = 0; c < record.chunkEditCount; ++c) {
        const auto& chunkEdit = chunkEdits[record.firstChunkEdit + c];
        if (chunkEdit.chunk < 0 || static_cast<uint32_t>(chunkEdit.chunk) >= chunkCount_)
            continue;
        Zel::GeometryChunk* chunk = chunks_[static_cast<uint32_t>(chunkEdit.chunk)];
        uint16_t* indices = chunk->GetIndices();
        for (uint32_t e = 0; e < chunkEdit.editCount; ++e) {
            const auto& edit = edits[chunkEdit.firstEdit + e];
            DrawCounts& counts = drawCounts_[static_cast<uint32_t>(chunkEdit.chunk)];
            counts.vertices += int64_t{sign} * edit.vertexDelta;
            counts.faces += int64_t{sign} * edit.faceDelta;
            counts.indices += 3 * int64_t{sign} * edit.faceDelta;
            // 16-bit arithmetic: an entry that passes 65535 wraps, and the
            // opposite edit brings it back exactly.
            uint16_t delta = static_cast<uint16_t>(static_cast<uint64_t>(int64_t{sign} * edit.indexDelta) & 0xFFFFu);
            for (uint32_t n = 0; n < edit.positionCount && indices; ++n) {
                uint32_t at = static_cast<uint32_t>(positions[edit.firstPosition + n]);
                if (at < chunk->GetIndexCount())
                    indices[at] = static_cast<uint16_t>(indices[at] + delta);
            }
            SetFaceCount(static_cast<uint32_t>(int64_t{GetTotalFaces()} + int64_t{sign} * edit.faceDelta));
        }
    }
}

void KorvelProgressiveMeshInstance::RefineToFaces(uint32_t wanted)
{
    if (!progressive_ || progressive_->GetLevels().empty())
        return;
    while (GetTotalFaces() < wanted && GetCurrentLevel() + 1 < progressive_->GetLevels().size()) {
        SetCurrentLevel(GetCurrentLevel() + 1);
        ApplyLevel(GetCurrentLevel(), +1);
    }
}

void KorvelProgressiveMeshInstance::CoarsenToFaces(uint32_t wanted)
{
    if (!progressive_ || progressive_->GetLevels().empty() || GetTotalFaces() <= wanted)
        return;
    const auto& levels = progressive_->GetLevels();
    const auto& chunkEdits = progressive_->GetChunkEdits();
    const auto& edits = progressive_->GetIndexEdits();
    while (GetCurrentLevel() > 0) {
        int64_t delta = 0;
        const auto& record = levels[GetCurrentLevel()];
        for (uint32_t c = 0; c < record.chunkEditCount; ++c) {
            const auto& chunkEdit = chunkEdits[record.firstChunkEdit + c];
            for (uint32_t e = 0; e < chunkEdit.editCount; ++e)
                delta += edits[chunkEdit.firstEdit + e].faceDelta;
        }
        if (int64_t{GetTotalFaces()} - delta < int64_t{wanted})
            return;
        ApplyLevel(GetCurrentLevel(), -1);
        SetCurrentLevel(GetCurrentLevel() - 1);
        if (GetTotalFaces() <= wanted)
            return;
    }
}

KorvelDynamicProgressiveMeshInstance::KorvelDynamicProgressiveMeshInstance(Zel::RenderKernel* kernel)
    : KorvelProgressiveMeshInstance(kernel)
{}

void KorvelDynamicProgressiveMeshInstance::SetUp(Zel::Resource* resource,
                                                 const KorvelProgressiveMeshDefinition& definition)
{
    SetResource(resource);
    SetProgressiveDefinition(definition);
    SetUpSkinning(definition, *this);
    definition.AddAttachmentPoints(*this);
}

KorvelIndexedMeshInstance* KorvelDynamicProgressiveMeshInstance::CreateInstance() const
{
    auto* copy = new KorvelDynamicProgressiveMeshInstance(kernel_);
    CopyProgressiveInto(*copy);
    copy->CopySkinning(*this, *copy);
    return copy;
}

void KorvelDynamicProgressiveMeshInstance::UpdateSkin(uint32_t frame)
{
    KorvelInfluenceMesh::UpdateSkin(chunkCount_, chunks_, frame, 0);
}

void KorvelDynamicProgressiveMeshInstance::Render(Zel::Display* display, const Zel::Viewport& viewport,
                                                  Zel::Matrix4 matrix)
{
    UpdateSkin(display ? display->GetFrameNumber() : 0);
    KorvelProgressiveMeshInstance::Render(display, viewport, matrix);
}

void KorvelDynamicProgressiveMeshInstance::RenderGeometry(Zel::Display* display, const Zel::Viewport& viewport,
                                                          const Zel::Matrix4& matrix, bool lighting)
{
    UpdateSkin(display ? display->GetFrameNumber() : 0);
    KorvelProgressiveMeshInstance::RenderGeometry(display, viewport, matrix, lighting);
}
