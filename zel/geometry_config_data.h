// Engine geometry configuration: a mesh described as chunks, materials, influences and attachments, as a builder reads it.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "zel/material.h"

namespace Zel {

class ConfigData;

// What a geometry configuration yields once interpreted; builders rely only
// on these answers. LoadConfigData fills it from a parsed ".imtxt" file, in
// the ConfigParser's entry grammar (keys ignore ASCII case; numbers are plain
// decimals; several numbers go in one quoted value, "1 0 0"):
//
//   position "x y z"                 the mesh position (default 0 0 0)
//   orientation "x y z w"            a quaternion (default 0 0 0 1)
//   most-influences N                most influences on a vertex
//   most-bones N                     most bones in a chunk
//   chunk LABEL {                    one per chunk, in order; the label is free text
//     material NAME {
//       texture FILE { slot N; value F }
//       property NAME { value TEXT }
//       flag 0|1;  opacity F;  power F
//       ambient "r g b a";  diffuse ...;  specular ...;  emissive ...
//     }
//     weights N                      most weights on a vertex of this chunk
//     vertex "x y z" {               one per vertex, in order; children optional
//       uv "u v"                     up to 8, the same number on every vertex
//       normal "x y z"               on every vertex or on none
//       colour AARRGGBB;  colour2 AARRGGBB   hexadecimal; a vertex without takes the default
//     }
//     indices "i j k ..."            appended in order, 0 ... 65535; any count
//     face-normal "x y z"            appended in order
//   }
//   influence NAME {
//     parent NAME;  position "x y z";  orientation "x y z w"
//     entry CHUNK { weight "vertex weight [x y z]" ... }
//   }
//   attachment NAME { position "x y z"; orientation "x y z w" }
//
// "version" and "//" comments may appear anywhere the parser allows. Any
// other key, a malformed or non-finite number or a wrong count is a fault:
// nothing is kept and error says what and where, so a damaged file never
// yields a mesh with parts silently missing.
struct GeometryConfigData {
    struct Texture {
        int32_t slot = 0;
        std::string file;
        float value = 0;
    };
    struct Material {
        std::string name;
        std::vector<Texture> textures;
        std::vector<std::pair<std::string, std::string>> properties;
        bool flag = false;
        float opacity = 1.0f;
        DisplayMaterial colours;
    };
    struct Chunk {
        std::vector<std::array<float, 3>> positions;
        std::vector<std::vector<std::array<float, 2>>> texCoords;  // per set, per vertex
        std::vector<uint16_t> indices;
        std::vector<std::array<float, 3>> normals;
        // Per vertex; absent entries, and vertices past the end, take the default colour.
        std::vector<std::optional<uint32_t>> colours, colours2;
        std::vector<std::array<float, 3>> faceNormals;
        uint32_t maxWeightsPerVertex = 0;
        Material material;
    };
    struct Weight {
        uint32_t vertex = 0;
        float weight = 0;
        float extra[3] = {0, 0, 0};
    };
    struct Influence {
        std::string name, parent;
        float position[3] = {0, 0, 0};
        float orientation[4] = {0, 0, 0, 1};
        std::vector<std::pair<uint32_t, std::vector<Weight>>> entries;
    };
    struct Attachment {
        std::string name;
        float orientation[4] = {0, 0, 0, 1};
        float position[3] = {0, 0, 0};
    };

    bool interpreted = true;  // LoadConfigData's answer
    std::string error;        // why it was not, for people
    float position[3] = {0, 0, 0};
    float orientation[4] = {0, 0, 0, 1};
    uint32_t maxInfluencesPerVertex = 0;
    uint32_t maxBonesPerChunk = 0;
    std::vector<Chunk> chunks;
    std::vector<Influence> influences;
    std::vector<Attachment> attachments;

    uint32_t GetMaxVertices() const
    {
        uint32_t most = 0;
        for (const Chunk& chunk : chunks)
            most = chunk.positions.size() > most ? static_cast<uint32_t>(chunk.positions.size()) : most;
        return most;
    }
    int GetNumChunks() const { return static_cast<int>(chunks.size()); }

    // Interprets a parsed configuration's root; the flags choose whether
    // materials, influences and attachments are read. False (content
    // cleared, error set) on a fault; meshName only names it in error.
    bool LoadConfigData(const ConfigData& root, bool readMaterials, bool readInfluences, bool readAttachments,
                        const std::string& meshName);
};

}  // namespace Zel
