// KorvelProgressiveMeshDefinition: reading, checking and linking the "PMIN" refinement levels.
#include "mesh/progressive_mesh_definition.h"
#include "zel/jirf.h"

KorvelProgressiveMeshDefinition::KorvelProgressiveMeshDefinition(const MeshOptions& options)
    : KorvelIndexedMeshDefinition(options)
{}

int KorvelProgressiveMeshDefinition::Load(const Zel::DisplayCapabilities* display, Zel::MaterialManager* materials,
                                          MeshResource* resource, const std::string& fileName, uint32_t defaultColour)
{
    positions_.clear();
    indexEdits_.clear();
    chunkEdits_.clear();
    levels_.clear();
    blockRefused_ = false;
    int result = KorvelIndexedMeshDefinition::Load(display, materials, resource, fileName, defaultColour);
    // A block that names edits outside the mesh would have instances write
    // outside their index arrays: the file is refused.
    if (result == MeshOk && blockRefused_)
        result = MeshBadFormat;
    if (result != MeshOk) {
        positions_.clear();
        indexEdits_.clear();
        chunkEdits_.clear();
        levels_.clear();
    }
    fullDetailFaces_ = faceTotal_;
    return result;
}

void KorvelProgressiveMeshDefinition::ReadTrailingBlocks()
{
    if (static_cast<int64_t>(file_.Position()) >= contentEnd_)
        return;
    if (ReadProgressiveInfo() != MeshOk)
        blockRefused_ = true;
}

int KorvelProgressiveMeshDefinition::ReadProgressiveInfo()
{
    uint32_t tag = 0;
    if (!file_.Read(tag) || tag != Zel::JIRFTag("PMIN"))
        return MeshBadFormat;
    int32_t size = 0, version = 0;
    file_.Read(size);
    if (!file_.Read(version) || version != 101)
        return MeshBadVersion;
    int32_t counts[4] = {-1, -1, -1, -1};
    for (int32_t& count : counts)
        file_.Read(count);
    int32_t p = counts[0], e = counts[1], c = counts[2], l = counts[3];
    if (p < 0 || e < 0 || c < 0 || l < 0)
        return MeshBadFormat;
    uint64_t needed = (uint64_t(p) + 4 * uint64_t(e) + 2 * uint64_t(c) + uint64_t(l)) * 4;
    if (needed > LeftBefore(contentEnd_))
        return MeshBadFormat;
    positions_.resize(size_t(p));
    file_.ReadBytes(positions_.data(), positions_.size() * 4);
    indexEdits_.resize(size_t(e));
    uint64_t positionSum = 0;
    for (IndexEdit& edit : indexEdits_) {
        file_.Read(edit.vertexDelta);
        file_.Read(edit.faceDelta);
        file_.Read(edit.indexDelta);
        file_.Read(edit.positionCount);
        edit.firstPosition = static_cast<uint32_t>(positionSum);
        positionSum += edit.positionCount;
    }
    chunkEdits_.resize(size_t(c));
    uint64_t editSum = 0;
    for (ChunkEdit& chunk : chunkEdits_) {
        file_.Read(chunk.chunk);
        file_.Read(chunk.editCount);
        chunk.firstEdit = static_cast<uint32_t>(editSum);
        editSum += chunk.editCount;
    }
    levels_.resize(size_t(l));
    uint64_t chunkSum = 0;
    for (Level& level : levels_) {
        file_.Read(level.chunkEditCount);
        level.firstChunkEdit = static_cast<uint32_t>(chunkSum);
        chunkSum += level.chunkEditCount;
    }
    // The running offsets must use up every array exactly, every edit must
    // name a chunk the mesh kept and every position must lie in its chunk's
    // index array.
    if (positionSum != uint64_t(p) || editSum != uint64_t(e) || chunkSum != uint64_t(c))
        return MeshBadFormat;
    for (const ChunkEdit& chunk : chunkEdits_) {
        if (chunk.chunk < 0 || chunk.chunk >= chunkCount_)
            return MeshBadFormat;
        uint32_t indexCount = chunks_[static_cast<size_t>(chunk.chunk)]->GetIndexCount();
        for (uint32_t k = 0; k < chunk.editCount; ++k) {
            const IndexEdit& edit = indexEdits_[chunk.firstEdit + k];
            for (uint32_t n = 0; n < edit.positionCount; ++n) {
                int32_t position = positions_[edit.firstPosition + n];
                if (position < 0 || static_cast<uint32_t>(position) >= indexCount)
                    return MeshBadFormat;
            }
        }
    }
    return MeshOk;
}
