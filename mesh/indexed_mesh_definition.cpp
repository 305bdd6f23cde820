// KorvelIndexedMeshDefinition: construction, totals, sizes, chunk bone names and triangle access.
#include "mesh/indexed_mesh_definition.h"

#include <cstring>

#include "mesh/collision_job.h"

KorvelIndexedMeshDefinition::KorvelIndexedMeshDefinition(const MeshOptions& options) : options_(options) {}

KorvelIndexedMeshDefinition::~KorvelIndexedMeshDefinition()
{
    // A pending build reads this definition: it must end before anything goes.
    collisionJob_.reset();
    for (MaterialUse& use : pendingTextures_) {
        if (use.material)
            use.material->ReleaseReference();
    }
}

std::string KorvelIndexedMeshDefinition::GetChunkBoneName(int i) const
{
    if (i < 0 || i >= chunkCount_ || static_cast<size_t>(i) >= chunkBoneNames_.Size())
        return std::string();
    return chunkBoneNames_[static_cast<size_t>(i)];
}

void KorvelIndexedMeshDefinition::RefreshTotals()
{
    vertexTotal_ = faceTotal_ = 0;
    for (size_t i = 0; i < chunks_.Size(); ++i) {
        vertexTotal_ += chunks_[i]->GetVertexCount();
        faceTotal_ += chunks_[i]->GetFaceCount();
    }
}

uint64_t KorvelIndexedMeshDefinition::CalculateDataSize() const
{
    uint64_t size =
        sizeof(*this) + influences_.size() * sizeof(InfluenceDefinition) + attachments_.size() * sizeof(MeshAttachment);
    for (size_t i = 0; i < chunks_.Size(); ++i) {
        const Zel::GeometryChunk* chunk = chunks_[i];
        size += uint64_t{chunk->GetVertexSize()} * chunk->GetVertexCount() + 2 * uint64_t{chunk->GetIndexCount()};
    }
    return size;
}

int KorvelIndexedMeshDefinition::InitChunkBuffers()
{
    for (size_t i = 0; i < chunks_.Size(); ++i) {
        if (!chunks_[i]->InitializeBuffers(true))
            return MeshBuffersFailed;
    }
    return MeshOk;
}

bool KorvelIndexedMeshDefinition::GetTriangle(int chunkIndex, uint32_t offset, float corners[3][3]) const
{
    if (chunkIndex < 0 || static_cast<size_t>(chunkIndex) >= chunks_.Size())
        return false;
    Zel::GeometryChunk* chunk = chunks_[static_cast<size_t>(chunkIndex)];
    Zel::VertexStream positions = chunk->GetItem(Zel::ItemPosition);
    const uint16_t* indices = chunk->GetIndices();
    if (!positions || !indices || uint64_t{offset} + 3 > chunk->GetIndexCount())
        return false;
    for (int k = 0; k < 3; ++k) {
        uint16_t index = indices[offset + static_cast<uint32_t>(k)];
        if (index >= chunk->GetVertexCount())
            return false;
        memcpy(corners[k], positions.data + size_t{index} * positions.stride, 12);
    }
    return true;
}
