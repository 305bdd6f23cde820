// Engine materials as mesh loading needs them: colours, flags, properties, texture slots and chunk creation.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "zel/geometry_chunk.h"
#include "zel/reference_count.h"

namespace Zel {

struct DisplayMaterial {
    float ambient[4] = {0.2f, 0.2f, 0.2f, 1.0f};
    float diffuse[4] = {0.8f, 0.8f, 0.8f, 1.0f};
    float specular[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    float emissive[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    float power = 0.0f;
};

// Answers whether a texture file can be had; the mesh side passes the
// folder-resolved path.
class TextureSource {
public:
    virtual ~TextureSource() = default;
    virtual bool Load(const std::string& path) = 0;
};

// "x.ext" is served by the file itself or by "x.ext.txt" (the text form).
class FileTextureSource : public TextureSource {
public:
    bool Load(const std::string& path) override;
};

class Material : public ReferenceCount {
public:
    // Marks the separation of a material's base name and its type: "wood.m.onetex".
    static constexpr const char* DecoratedTypeToken = ".m.";
    // SetTexture results.
    enum : int { TextureOk = 0, TextureMissing = 2 };

    Material(std::string name, std::string type);

    const std::string& GetName() const { return name_; }
    const std::string& GetRequestName() const { return requestName_; }
    void SetRequestName(const std::string& name) { requestName_ = name; }
    const std::string& GetCreationType() const { return creationType_; }
    void SetCreationType(const std::string& type) { creationType_ = type; }
    uint32_t GetFlags() const { return flags_; }
    void SetFlags(uint32_t flags) { flags_ = flags; }
    float GetOpacity() const { return opacity_; }
    void SetOpacity(float opacity) { opacity_ = opacity; }
    const DisplayMaterial& GetDisplayMaterial() const { return display_; }
    void SetDisplayMaterialProperties(const DisplayMaterial& display) { display_ = display; }
    int GetResourcePriority() const { return priority_; }
    virtual void SetResourcePriority(int priority) { priority_ = priority; }
    virtual void AddProperty(const std::string& name, const std::string& value);
    size_t GetNumProperties() const { return properties_.size(); }
    const std::pair<std::string, std::string>& GetProperty(size_t i) const { return properties_[i]; }

    // Makes a chunk with the items this material draws; null when it cannot.
    virtual GeometryChunk* CreateGeometryChunk(uint32_t vertexCount, uint32_t faceCount, uint32_t indexCount,
                                               uint32_t faceNormalCount, int geometryType,
                                               const StandardChunkHint& hint);
    // 0 when the slot takes the texture (or the material has no such slot:
    // the definition is recorded and drawing ignores it), 2 when the texture
    // cannot be had.
    virtual int SetTexture(int slot, TextureSource* source, const std::string& file, float value);
    struct TextureUse {
        int slot;
        std::string file;
        float value;
        bool loaded;
    };
    const std::vector<TextureUse>& GetTextures() const { return textures_; }
    int GetNumPasses() const { return 1; }

protected:
    // Slots this material draws with.
    virtual bool HasSlot(int slot) const;
    // Items of a generic chunk for this material.
    virtual uint32_t ChunkItems(const StandardChunkHint& hint) const;

private:
    std::string name_;
    std::string requestName_;
    std::string creationType_;
    uint32_t flags_ = 0;
    float opacity_ = 1.0f;
    DisplayMaterial display_;
    int priority_ = 0;
    std::vector<std::pair<std::string, std::string>> properties_;
    std::vector<TextureUse> textures_;
};

// Slot 0; "gloss" and "reflect" also take slot 9; "notex" none.
class OneTextureMaterial : public Material {
public:
    OneTextureMaterial(std::string name, std::string type, bool takesTexture, bool takesReflection);

protected:
    bool HasSlot(int slot) const override;
    uint32_t ChunkItems(const StandardChunkHint& hint) const override;

private:
    bool takesTexture_;
    bool takesReflection_;
};

// The stand-in made when no material manager is at hand: records, draws nothing.
class NullMaterial : public Material {
public:
    using Material::Material;
};

}  // namespace Zel
