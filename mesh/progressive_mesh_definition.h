// KorvelProgressiveMeshDefinition: an indexed mesh with refinement levels ("PMIN") that add faces and rewrite index entries.
#pragma once

#include <cstdint>
#include <vector>

#include "mesh/indexed_mesh_definition.h"

class KorvelProgressiveMeshDefinition : public KorvelIndexedMeshDefinition {
public:
    struct IndexEdit {
        int32_t vertexDelta = 0;
        int32_t faceDelta = 0;
        int32_t indexDelta = 0;  // its low 16 bits are added
        uint32_t positionCount = 0;
        uint32_t firstPosition = 0;
    };
    struct ChunkEdit {
        int32_t chunk = 0;
        uint32_t editCount = 0;
        uint32_t firstEdit = 0;
    };
    struct Level {
        uint32_t chunkEditCount = 0;
        uint32_t firstChunkEdit = 0;
    };

    explicit KorvelProgressiveMeshDefinition(const MeshOptions& options = MeshOptions());

    // The indexed load with the "PMIN" block after the attachments.
    int Load(const Zel::DisplayCapabilities* display, Zel::MaterialManager* materials, MeshResource* resource,
             const std::string& fileName, uint32_t defaultColour) override;

    const std::vector<int32_t>& GetIndexPositions() const { return positions_; }
    const std::vector<IndexEdit>& GetIndexEdits() const { return indexEdits_; }
    const std::vector<ChunkEdit>& GetChunkEdits() const { return chunkEdits_; }
    const std::vector<Level>& GetLevels() const { return levels_; }
    uint32_t GetFullDetailFaceCount() const { return fullDetailFaces_; }

protected:
    void ReadTrailingBlocks() override;
    // 3 for another tag (left after the tag), 4 for another version, else
    // reads, checks and links the arrays.
    int ReadProgressiveInfo();

private:
    std::vector<int32_t> positions_;
    std::vector<IndexEdit> indexEdits_;
    std::vector<ChunkEdit> chunkEdits_;
    std::vector<Level> levels_;
    uint32_t fullDetailFaces_ = 0;
    bool blockRefused_ = false;
};
