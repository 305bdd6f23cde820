// Test-side writer of the progressive block ("PMIN") appended to an indexed mesh file.
#pragma once

#include <string>
#include <vector>

#include "mesh/im_writer.h"

namespace KorvelTest {

struct PmEdit {
    int32_t vertexDelta = 0, faceDelta = 0, indexDelta = 0;
    std::vector<int32_t> positions;
};

struct PmChunkEdit {
    int32_t chunk = 0;
    std::vector<PmEdit> edits;
};

struct PmBlock {
    int32_t version = 101;
    std::vector<std::vector<PmChunkEdit>> levels;  // level 0 first
    std::optional<int32_t> positionCount;          // hostile counts
};

inline std::string WritePm(const PmBlock& block)
{
    std::vector<int32_t> positions;
    std::vector<std::array<int32_t, 4>> edits;
    std::vector<std::array<int32_t, 2>> chunks;
    std::vector<int32_t> levels;
    for (const auto& level : block.levels) {
        levels.push_back(static_cast<int32_t>(level.size()));
        for (const PmChunkEdit& chunk : level) {
            chunks.push_back({chunk.chunk, static_cast<int32_t>(chunk.edits.size())});
            for (const PmEdit& edit : chunk.edits) {
                edits.push_back(
                    {edit.vertexDelta, edit.faceDelta, edit.indexDelta, static_cast<int32_t>(edit.positions.size())});
                positions.insert(positions.end(), edit.positions.begin(), edit.positions.end());
            }
        }
    }
    ByteWriter w;
    size_t mark = w.Begin("PMIN", block.version);
    w.I32(block.positionCount.value_or(static_cast<int32_t>(positions.size())));
    w.I32(static_cast<int32_t>(edits.size()));
    w.I32(static_cast<int32_t>(chunks.size()));
    w.I32(static_cast<int32_t>(levels.size()));
    for (int32_t position : positions)
        w.I32(position);
    for (const auto& edit : edits) {
        for (int32_t value : edit)
            w.I32(value);
    }
    for (const auto& chunk : chunks) {
        w.I32(chunk[0]);
        w.I32(chunk[1]);
    }
    for (int32_t level : levels)
        w.I32(level);
    w.End(mark);
    return w.bytes;
}

}  // namespace KorvelTest
