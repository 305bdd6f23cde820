// Engine materials: colours, flags, properties, texture slots, chunk creation, and the draw operations every material type replaces.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "zel/display_state.h"
#include "zel/geometry_chunk.h"
#include "zel/plugin.h"
#include "zel/reference_count.h"
#include "zel/render_light.h"

namespace Zel {

class Display;
class MaterialManager;
class RenderingCache;
class Texture;
class TextureManager;
class VertexProgram;

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

// The caches a material sends chunks to (each counted, any may be null).
struct MaterialCaches {
    RenderingCache* materialChunk = nullptr;
    RenderingCache* alphaMask = nullptr;
    RenderingCache* alphaBlend = nullptr;
};

class Material : public ReferenceCount, public PluginInstance {
public:
    // Marks the separation of a material's base name and its type: "wood.m.onetex".
    static constexpr const char* DecoratedTypeToken = ".m.";
    // Results of the texture operations: 0 success, 3 no texture or not
    // found, 4 not loaded. The loading path's SetTexture answers 2 for a
    // texture file that cannot be had.
    enum : int { TextureOk = 0, TextureMissing = 2, ResultNoTexture = 3, ResultNotLoaded = 4 };

    Material(std::string name, std::string type);
    ~Material() override;

    const std::string& GetName() const { return name_; }
    void SetName(const std::string& name) { name_ = name; }
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

    // The manager that made the material (null for a stand-alone one).
    MaterialManager* GetManager() const { return manager_; }
    void SetManager(MaterialManager* manager) { manager_ = manager; }
    // Takes one reference to each cache given.
    void SetCaches(const MaterialCaches& caches);
    const MaterialCaches& GetCaches() const { return caches_; }
    uint32_t GetStageState() const { return stageState_; }
    void SetStageState(uint32_t stageState) { stageState_ = stageState; }
    // -1 unknown (to be recomputed), 0 opaque, 1 blended, 2 masked.
    int GetAlphaHint() const { return alphaHint_; }
    void SetAlphaHint(int hint) { alphaHint_ = hint; }

    // Makes a chunk with the items this material draws; null when it cannot.
    virtual GeometryChunk* CreateGeometryChunk(uint32_t vertexCount, uint32_t faceCount, uint32_t indexCount,
                                               uint32_t faceNormalCount, int geometryType,
                                               const StandardChunkHint& hint);
    // The loading path: 0 when the slot takes the texture (or the material
    // has no such slot: the definition is recorded and drawing ignores it),
    // 2 when the texture cannot be had.
    virtual int SetTexture(int slot, TextureSource* source, const std::string& file, float value);
    struct TextureUse {
        int slot;
        std::string file;
        float value;
        bool loaded;
    };
    const std::vector<TextureUse>& GetTextures() const { return textures_; }
    int GetNumPasses() const { return 1; }

    // Operations each material type may replace.
    // A new material of the same type and manager with this one's state
    // (one reference), or null when the manager cannot make one.
    virtual Material* Clone() const;
    virtual bool IsEqual(const Material& other) const;
    virtual const char* GetTypeName() const { return creationType_.c_str(); }
    virtual void Activate(int n);
    // The texture of a slot (no new reference), null when none.
    virtual Texture* GetTexture(int slot) const;
    virtual int DuplicateTexture(int slot);
    // The texture replaces the slot's (new reference taken, old released);
    // 3 for a null texture or a slot the material has not.
    virtual int SetTextureRef(int slot, Texture* texture, float priority);
    // Looks the name up through the texture manager; 3 when not found.
    virtual int SetTextureByName(int slot, TextureManager* textures, const std::string& name, float priority);
    // 0 when every texture the material draws with is loaded, else 4.
    virtual int IsLoaded() const;
    virtual void Bind(Display* display, const Viewport* viewport, int pass);
    virtual void Unbind(Display* display, const Viewport* viewport, int pass);
    // Blended chunks (alpha hint 1 or opacity below 1) go to the alpha-blend
    // cache; the rest draw at once.
    virtual void CacheChunk(Display* display, const Viewport* viewport, GeometryChunk* chunk, const LightList* lights,
                            const Matrix16& modelView);
    virtual void RenderChunk(Display* display, const Viewport* viewport, GeometryChunk* chunk, const LightList* lights,
                             const Matrix16& modelView, int pass);
    virtual void RenderNumChunks(Display* display, const Viewport* viewport, GeometryChunk* const* chunks,
                                 const LightList* const* lights, const Matrix16* modelViews, int count, int pass);
    virtual void RenderPrimitives(Display* display, const Viewport* viewport, GeometryChunk* chunk,
                                  const LightList* lights, const Matrix16& modelView, int indexCount,
                                  const uint16_t* indices, int primitiveCount, int primitiveKind, int pass);
    virtual void CacheAlphaHint();
    virtual void SetDisplayState(Display* display);
    virtual void ClearDisplayState(Display* display);

    // Lights the draw: the fixed-function lights of the chunk, or the
    // program's locals when the chunk has a program.
    void SetLightingState(Display* display, const Matrix16* view, GeometryChunk* chunk, const VertexProgram* program,
                          const LightList* lights, const Matrix16& modelView, float opacity, bool flag);
    // Records (or updates) the slot's definition.
    void SetTextureDefinition(int slot, const std::string& name, float priority);
    // The primitive kind's flags (bits 0-4), whatever the hint.
    static uint32_t MakeGeometryChunkFlags(int geometryType, const StandardChunkHint*)
    {
        return Zel::MakeGeometryChunkFlags(geometryType);
    }

protected:
    // Slots this material draws with.
    virtual bool HasSlot(int slot) const;
    // Items of a generic chunk for this material.
    virtual uint32_t ChunkItems(const StandardChunkHint& hint) const;
    // The engine state a copy takes over: colours, flags, opacity,
    // properties, definitions, priority, alpha hint, caches and stage state.
    void InitInstance(const Material& from);
    // A new material of this one's type from its manager (one reference),
    // null without a manager; `take` gives it this one's state when it is a
    // Same.
    template <class Same, class Take>
    Material* CloneAs(Take take) const
    {
        Material* copy = NewOfSameType();
        if (auto* same = dynamic_cast<Same*>(copy))
            take(*same);
        return copy;
    }
    Material* NewOfSameType() const;
    // Equal colours, flags and opacity.
    bool EqualsBase(const Material& other) const;
    // Replaces a held texture: new reference taken, old released.
    static void Replace(Texture*& held, Texture* texture);
    // A slot's texture operations on the member that holds it: the held
    // texture by its duplicate (3 when none); or by the given texture, which
    // takes the material's priority and is recorded as the slot's
    // definition (3 for null, nothing changed).
    static int DuplicateHeld(Texture*& held);
    int ReplaceHeld(Texture*& held, int slot, Texture* texture, float priority);
    // One chunk, whole or a range of it, drawn in one pass: RenderChunk and
    // RenderPrimitives both come here, so a type with passes of its own
    // replaces this alone. By default: display state, lighting, model-view,
    // the chunk's list or range, display state cleared.
    virtual void DrawOne(Display* display, const Viewport* viewport, GeometryChunk* chunk, const LightList* lights,
                         const Matrix16& modelView, const ChunkRange& range, int pass);
    // The render kernel's display of the manager, or null.
    Display* ManagerDisplay() const;

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
    MaterialManager* manager_ = nullptr;
    MaterialCaches caches_;
    uint32_t stageState_ = 0;
    int alphaHint_ = -1;
};

// Slot 0; "gloss" and "reflect" also take slot 9; "notex" none.
class OneTextureMaterial : public Material {
public:
    // The engine's default one-texture type, also the fallback type.
    static constexpr const char* UNDECORATED_TYPE = "onetex";

    OneTextureMaterial(std::string name, std::string type, bool takesTexture, bool takesReflection);
    ~OneTextureMaterial() override;

    Material* Clone() const override;
    bool IsEqual(const Material& other) const override;
    void Activate(int n) override;
    Texture* GetTexture(int slot) const override;
    int DuplicateTexture(int slot) override;
    int SetTextureRef(int slot, Texture* texture, float priority) override;
    int IsLoaded() const override;
    // Stage 0: the texture with the material's stage state.
    void SetDisplayState(Display* display) override;
    void ClearDisplayState(Display* display) override;

protected:
    bool HasSlot(int slot) const override;
    uint32_t ChunkItems(const StandardChunkHint& hint) const override;
    bool Equals(const OneTextureMaterial& other) const;
    // Copies the engine state and the texture (one more reference).
    void InitInstance(const OneTextureMaterial& from);

private:
    bool takesTexture_;
    bool takesReflection_;
    Texture* texture_ = nullptr;
    Texture* reflection_ = nullptr;  // slot 9 of "gloss" and "reflect"
};

// The stand-in made when no material manager is at hand: records, draws nothing.
class NullMaterial : public Material {
public:
    using Material::Material;
    void RenderChunk(Display*, const Viewport*, GeometryChunk*, const LightList*, const Matrix16&, int) override {}
    void RenderNumChunks(Display*, const Viewport*, GeometryChunk* const*, const LightList* const*, const Matrix16*,
                         int, int) override
    {}
    void RenderPrimitives(Display*, const Viewport*, GeometryChunk*, const LightList*, const Matrix16&, int,
                          const uint16_t*, int, int, int) override
    {}
};

}  // namespace Zel
