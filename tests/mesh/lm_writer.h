// Test-side writer of LOD mesh files (".lm") field by field, with knobs to damage them.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "mesh/im_writer.h"

namespace KorvelTest {

struct LmNamed {
    int32_t level = 0;
    std::string name;
    bool animated = false;
};

struct LmBone {
    std::string name, parent;
    float position[3] = {0, 0, 0};
    float matrix[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
};

struct LmChunk {
    int32_t material = 0;
    ImGeometry geometry;
    std::vector<std::array<int32_t, 3>> neighbours;
    bool writeNeighbours = false;
};

struct LmLevel {
    float distance = 0;
    uint32_t maxInfluences = 0, maxBones = 0;
    std::vector<LmChunk> chunks;
    // Per bone of the table: entries of {chunk, weights}; written when set.
    std::optional<std::vector<std::vector<std::pair<uint32_t, std::vector<ImWeight>>>>> weights;
    int32_t version = 100;
};

struct LmFile {
    int32_t infoVersion = 100;
    float position[3] = {0, 0, 0};
    float orientation[4] = {0, 0, 0, 1};
    std::optional<uint32_t> levelCount;
    uint32_t calcPoint = 0;
    float tuning[5] = {0, 1, 0, 0, 0};  // offset, multiplier, animation, render, attachment cut-offs
    std::vector<LmNamed> named;
    bool dropLastAnimatedByte = false;
    std::vector<ImMaterial> materials{ImMaterial()};
    std::optional<uint32_t> materialCount;
    std::vector<LmBone> boneTable;  // "BONT" when not empty
    std::vector<LmBone> boneTree;   // "RBOT" when not empty
    std::vector<ImAttachment> attachments;
    std::vector<LmLevel> levels;
    std::string fileType = "LODM";
};

inline void WriteLmBones(ByteWriter& w, const char* tag, const std::vector<LmBone>& bones)
{
    size_t mark = w.Begin(tag, 100);
    w.U32(static_cast<uint32_t>(bones.size()));
    for (const LmBone& bone : bones) {
        w.Str(bone.name);
        w.Str(bone.parent);
        w.Floats(bone.position, 3);
        w.Floats(bone.matrix, 9);
    }
    w.End(mark);
}

inline std::string WriteLm(const LmFile& file)
{
    ByteWriter w;
    w.Tag("JIRF");
    size_t jirf = w.bytes.size();
    w.U32(0);
    w.Tag(file.fileType.c_str());
    size_t info = w.Begin("INFO", file.infoVersion);
    w.Floats(file.position, 3);
    w.Floats(file.orientation, 4);
    w.U32(file.levelCount.value_or(static_cast<uint32_t>(file.levels.size())));
    w.U32(file.calcPoint);
    w.Floats(file.tuning, 5);
    w.U32(static_cast<uint32_t>(file.named.size()));
    for (size_t i = 0; i < file.named.size(); ++i) {
        w.I32(file.named[i].level);
        w.Str(file.named[i].name);
        if (!(file.dropLastAnimatedByte && i + 1 == file.named.size()))
            w.bytes.push_back(file.named[i].animated ? 1 : 0);
    }
    w.End(info);
    size_t table = w.Begin("MATT", 100);
    w.U32(file.materialCount.value_or(static_cast<uint32_t>(file.materials.size())));
    for (const ImMaterial& material : file.materials)
        WriteMaterial(w, material);
    w.End(table);
    if (!file.boneTable.empty())
        WriteLmBones(w, "BONT", file.boneTable);
    if (!file.boneTree.empty())
        WriteLmBones(w, "RBOT", file.boneTree);
    if (!file.attachments.empty()) {
        size_t mark = w.Begin("ATCH", 100);
        w.U32(static_cast<uint32_t>(file.attachments.size()));
        for (const ImAttachment& attachment : file.attachments) {
            w.Str(attachment.name);
            w.Floats(attachment.matrix, 9);
            w.Floats(attachment.position, 3);
        }
        w.End(mark);
    }
    for (const LmLevel& level : file.levels) {
        size_t mesh = w.Begin("MESH", level.version);
        w.U32(static_cast<uint32_t>(level.chunks.size()));
        w.U32(level.maxInfluences);
        w.U32(level.maxBones);
        w.F32(level.distance);
        if (level.weights) {
            size_t block = w.Begin("LODB", 100);
            for (const auto& bone : *level.weights) {
                w.U32(static_cast<uint32_t>(bone.size()));
                for (const auto& entry : bone) {
                    w.U32(entry.first);
                    w.U32(static_cast<uint32_t>(entry.second.size()));
                    for (const ImWeight& weight : entry.second) {
                        w.U32(weight.vertex);
                        w.F32(weight.weight);
                        float extra[3] = {0, 0, 0};
                        w.Floats(extra, 3);
                    }
                }
            }
            w.End(block);
        }
        for (size_t j = 0; j < level.chunks.size(); ++j) {
            size_t chunk = w.Begin("LCHK", 100);
            w.U32(static_cast<uint32_t>(j));
            w.I32(level.chunks[j].material);
            WriteGeometry(w, level.chunks[j].geometry);
            if (level.chunks[j].writeNeighbours) {
                size_t n = w.Begin("NINF", 100);
                for (const auto& record : level.chunks[j].neighbours) {
                    for (int32_t value : record)
                        w.I32(value);
                }
                w.End(n);
            }
            w.End(chunk);
        }
        w.End(mesh);
    }
    w.End(jirf);
    return w.bytes;
}

// A level of one quad chunk of the given size using material 0.
inline LmLevel QuadLevel(float distance, float size = 1.0f, int32_t material = 0)
{
    LmLevel level;
    level.distance = distance;
    LmChunk chunk;
    chunk.material = material;
    chunk.geometry = QuadChunk("unused", size).geometry;
    level.chunks.push_back(chunk);
    return level;
}

}  // namespace KorvelTest
