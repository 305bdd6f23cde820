// Records of a mesh definition: options, attachments, influences, texture definitions and material records.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "zel/material.h"

// Five pairs of a value byte and a present byte; all zero means every option absent.
struct MeshOptions {
    uint8_t softwareLighting = 0, softwareLightingPresent = 0;
    uint8_t softwareAnimation = 0, softwareAnimationPresent = 0;
    uint8_t dynamicVertex = 0, dynamicVertexPresent = 0;
    uint8_t dynamicIndex = 0, dynamicIndexPresent = 0;
    uint8_t floatPrecision = 0, floatPrecisionPresent = 0;
};

struct MeshAttachment {
    float orientation[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    float position[3] = {0, 0, 0};
    std::string name;
};

// 20 bytes on disk: vertex, weight, and three floats carried for the skinned instances.
struct InfluenceWeight {
    uint32_t vertex = 0;
    float weight = 0;
    float extra[3] = {0, 0, 0};
};

struct InfluenceChunkWeights {
    uint32_t chunk = 0;
    std::vector<InfluenceWeight> weights;
};

struct InfluenceDefinition {
    std::string name;
    std::string parent;  // empty for a root
    float position[3] = {0, 0, 0};
    float orientation[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    std::vector<InfluenceChunkWeights> entries;
};

struct TextureDefinition {
    int32_t slot = 0;
    std::string file;
    float value = 0;
    bool operator==(const TextureDefinition&) const = default;
};

struct MaterialRecord {
    bool flag = false;
    float opacity = 1.0f;
    Zel::DisplayMaterial colours;
    std::vector<TextureDefinition> textures;
    std::string name;        // decorated
    std::string storedName;  // as the file has it
    std::vector<std::pair<std::string, std::string>> properties;
};

// What a mesh load needs of the resource being loaded.
struct MeshResource {
    std::string name;   // the resource name: the mesh file's path
    std::string owner;  // owner name, the first part of decorated material names
    int priority = 0;
    bool allowFallbackMaterials = false;
    const void* database = nullptr;
    std::vector<std::string> missingMaterialNames;
};

// One material whose textures still have to load at completion.
struct MaterialUse {
    std::vector<TextureDefinition> textures;
    MeshResource* resource = nullptr;
    Zel::Material* material = nullptr;  // counted
    std::string name;
};

// The folder of the resource's own name with the file-name part of name:
// "maps/wood.tga" in "assets/shed/shed.im" is "assets/shed/wood.tga".
std::string ResolveTexturePath(const std::string& name, const MeshResource* resource);
// owner + "*" + folder of the resource name + "*" + stored.
std::string DecorateMaterialName(const std::string& stored, const MeshResource* resource);
