// KorvelDynamicIndexedMeshInstance: adding and merging chunks of other skinned meshes, their influences renamed onto our bones.
#include "mesh/dynamic_indexed_mesh_instance.h"

bool KorvelDynamicIndexedMeshInstance::SkinningKindMatches(const Zel::GeometryChunk& chunk) const
{
    bool slots = !chunk.GetInfluenceMatrices().empty();
    bool software = (chunk.GetFlags() & ChunkFlagRefused) != 0;
    if (chunkCount_ == 0 || chunks_.Size() == 0 || software == slots)
        return false;
    bool firstSoftware = (chunks_[0]->GetFlags() & ChunkFlagRefused) != 0;
    return firstSoftware != slots;
}

void KorvelDynamicIndexedMeshInstance::TakeSoftwareSets(const KorvelInfluenceMesh& source, uint32_t sourceChunk,
                                                        uint32_t index, uint32_t vertexOffset)
{
    for (size_t b = 0; b < source.GetBones().size(); ++b) {
        const InfluenceChunkWeights* set = source.FindLevelZeroSet(b, sourceChunk);
        if (!set)
            continue;
        int bone = FindBone(source.GetBones()[b].name);
        if (bone < 0)
            return;
        if (InfluenceChunkWeights* ours = FindLevelZeroSet(static_cast<size_t>(bone), index)) {
            JoinInfluenceSets(*ours, *set, vertexOffset);
            continue;
        }
        InfluenceChunkWeights moved;
        moved.chunk = index;
        JoinInfluenceSets(moved, *set, vertexOffset);
        AppendInfluenceSet(static_cast<size_t>(bone), moved);
    }
}

bool KorvelDynamicIndexedMeshInstance::MapMatrixSlots(const KorvelInfluenceMesh& source, const Zel::GeometryChunk& from,
                                                      Zel::GeometryChunk& target, std::vector<int>& slotMap) const
{
    slotMap.clear();
    for (int sourceBone : from.GetInfluenceMatrices()) {
        if (sourceBone < 0 || static_cast<size_t>(sourceBone) >= source.GetBones().size())
            return false;
        int bone = FindBone(source.GetBones()[static_cast<size_t>(sourceBone)].name);
        if (bone < 0)
            return false;
        slotMap.push_back(target.AddInfluenceMatrix(bone));
    }
    return true;
}

bool KorvelDynamicIndexedMeshInstance::AddSkinnedChunk(Zel::GeometryChunk* chunk, Zel::Material* material,
                                                       const KorvelInfluenceMesh* source, uint32_t sourceChunk)
{
    if (!source || !chunk || !SkinningKindMatches(*chunk))
        return false;
    bool display = !chunk->GetInfluenceMatrices().empty();
    // A display-skinned copy starts without slots: they are rebuilt in our bones' numbering.
    Zel::GeometryChunk* copy = CopyGeometryChunk(*chunk, !display);
    if (display) {
        std::vector<int> slotMap;
        if (!copy->HasItem(Zel::ItemBlendIndices) || !MapMatrixSlots(*source, *chunk, *copy, slotMap) ||
            !RemapBlendIndices(0, *copy, slotMap)) {
            copy->ReleaseReference();
            return false;
        }
    } else {
        TakeSoftwareSets(*source, sourceChunk, chunkCount_, 0);
    }
    AppendChunk(copy, material);
    copy->ReleaseReference();
    return true;
}

bool KorvelDynamicIndexedMeshInstance::MergeSkinnedChunk(Zel::GeometryChunk* chunk, uint32_t index,
                                                         const KorvelInfluenceMesh* source, uint32_t sourceChunk)
{
    if (!source || !chunk || !SkinningKindMatches(*chunk))
        return false;
    Zel::GeometryChunk* joined = JoinChunk(chunk, index);
    if (!joined)
        return false;
    uint32_t before = chunks_[index]->GetVertexCount();
    if (!chunk->GetInfluenceMatrices().empty()) {
        MatrixPalette palette = GetMatrixPalette(*joined);
        std::vector<int> slotMap;
        if (palette.Capacity() < 1 || !MapMatrixSlots(*source, *chunk, *joined, slotMap) ||
            static_cast<size_t>(palette.Capacity()) < joined->GetInfluenceMatrices().size() ||
            !RemapBlendIndices(before, *joined, slotMap)) {
            joined->ReleaseReference();
            return false;
        }
    } else {
        TakeSoftwareSets(*source, sourceChunk, index, before);
    }
    StoreChunk(index, joined);
    return true;
}
