// Engine geometry configuration: a mesh described as chunks, materials, influences and attachments, as a builder reads it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "zel/material.h"

namespace Zel {

// What a geometry configuration yields once interpreted. The text grammar
// that fills it is read elsewhere; builders rely only on these answers.
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
        std::vector<uint32_t> colours, colours2;  // missing entries take the default colour
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
};

}  // namespace Zel
