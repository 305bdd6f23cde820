// Engine materials: generic chunk creation and texture slots.
#include "zel/material.h"

#include "zel/file.h"

namespace Zel {

bool FileTextureSource::Load(const std::string& path)
{
    if (path.empty())
        return false;
    if (File::Exists(path.c_str()) == 0 && !File::IsDirectory(path.c_str()))
        return true;
    std::string text = path + ".txt";
    return File::Exists(text.c_str()) == 0 && !File::IsDirectory(text.c_str());
}

Material::Material(std::string name, std::string type) : name_(std::move(name)), creationType_(std::move(type)) {}

void Material::AddProperty(const std::string& name, const std::string& value)
{
    properties_.emplace_back(name, value);
}

bool Material::HasSlot(int slot) const
{
    return slot == 0;
}

uint32_t Material::ChunkItems(const StandardChunkHint& hint) const
{
    uint32_t items = 1u << ItemPosition | 1u << ItemColour | 1u << ItemNormal;
    uint32_t sets = hint.texCoordSets < 8 ? hint.texCoordSets : 8;
    for (uint32_t set = 0; set < sets; ++set)
        items |= 1u << (ItemTexCoord0 + set);
    // Skinning on the display needs the blend streams in the chunk itself.
    if (hint.skinned && !hint.softwareSkin) {
        if (hint.floatWeights) {
            for (int item = ItemWeights1; item <= ItemWeights4; ++item)
                items |= 1u << item;
        } else {
            items |= 1u << ItemPackedWeights;
        }
        items |= 1u << ItemBlendIndices;
    }
    return items;
}

GeometryChunk* Material::CreateGeometryChunk(uint32_t vertexCount, uint32_t faceCount, uint32_t indexCount,
                                             uint32_t faceNormalCount, int geometryType, const StandardChunkHint& hint)
{
    if (geometryType < GeometryList || geometryType > GeometryPoints)
        return nullptr;
    return new GeometryChunk(vertexCount, faceCount, indexCount, faceNormalCount, MakeGeometryChunkFlags(geometryType),
                             ChunkItems(hint), hint.hintValue);
}

int Material::SetTexture(int slot, TextureSource* source, const std::string& file, float value)
{
    if (!HasSlot(slot)) {
        textures_.push_back({slot, file, value, false});
        return TextureOk;
    }
    bool loaded = source && source->Load(file);
    textures_.push_back({slot, file, value, loaded});
    return loaded ? TextureOk : TextureMissing;
}

OneTextureMaterial::OneTextureMaterial(std::string name, std::string type, bool takesTexture, bool takesReflection)
    : Material(std::move(name), std::move(type)), takesTexture_(takesTexture), takesReflection_(takesReflection)
{}

bool OneTextureMaterial::HasSlot(int slot) const
{
    return (slot == 0 && takesTexture_) || (slot == 9 && takesReflection_);
}

uint32_t OneTextureMaterial::ChunkItems(const StandardChunkHint& hint) const
{
    return Material::ChunkItems(hint);
}

}  // namespace Zel
