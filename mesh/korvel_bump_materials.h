// The bump materials: "tbumptex", "tbumpgloss" (gloss texture and rust age) and "tbumpenv" (cube reflection), drawn in a parallel-light pass and an additive spot-light pass.
#pragma once

#include "zel/material_held_slot.h"

namespace Zel {

class TextureCombiner;
class VertexProgram;

// The four programs a bump material draws with (counted handles).
struct BumpPrograms {
    VertexProgram* parallelProgram = nullptr;
    TextureCombiner* parallelCombiner = nullptr;
    VertexProgram* spotProgram = nullptr;
    TextureCombiner* spotCombiner = nullptr;
    void AddReferences() const;
    void Release();
    bool Complete() const { return parallelProgram && parallelCombiner && spotProgram && spotCombiner; }
};

class KorvelBumpMaterial : public HeldSlotMaterial<OneTextureMaterial, 8> {
public:
    static constexpr const char* TypeName = "tbumptex";
    static constexpr int BumpSlot = HeldSlot;

    // Takes a reference to each cache and program; the bump texture starts
    // as the display's shared texture 0.
    KorvelBumpMaterial(MaterialManager* manager, const MaterialCaches& caches, const BumpPrograms& programs,
                       const char* typeName = TypeName);
    ~KorvelBumpMaterial() override;

    Material* Clone() const override;
    bool IsEqual(const Material& other) const override;
    const char* GetTypeName() const override { return typeName_; }
    GeometryChunk* CreateGeometryChunk(uint32_t vertexCount, uint32_t faceCount, uint32_t indexCount,
                                       uint32_t faceNormalCount, int geometryType,
                                       const StandardChunkHint& hint) override;
    void RenderNumChunks(Display* display, const Viewport* viewport, GeometryChunk* const* chunks,
                         const LightList* const* lights, const Matrix16* modelViews, int count, int pass) override;
    void SetDisplayState(Display* display) override;
    void ClearDisplayState(Display* display) override;

    const BumpPrograms& GetPrograms() const { return programs_; }

protected:
    // The light the parallel pass uses (type 3, largest diffuse sum, first
    // on ties) and the one the spot pass uses (type 2); null when none.
    static const Light* PickLight(const LightList* lights, int type);
    // The combiner register that takes the specular colour.
    virtual int SpecularRegister() const { return 2; }
    // Writes the pass's locals and registers (the programs are bound).
    void ParallelSetUp(Display* display, const Viewport* viewport, const LightList* lights,
                       const Matrix16& modelView) const;
    void SpotSetUp(Display* display, const Viewport* viewport, const Light& spot, const Matrix16& modelView) const;
    // One pass: bind, set up, draw the chunk (whole, or the given range), unbind.
    using Range = ChunkRange;
    void DrawParallelPass(Display* display, const Viewport* viewport, GeometryChunk* chunk, const LightList* lights,
                          const Matrix16& modelView, VertexProgram* program, TextureCombiner* combiner,
                          const Range& range) const;
    void DrawSpotPass(Display* display, const Viewport* viewport, GeometryChunk* chunk, const Light& spot,
                      const Matrix16& modelView, VertexProgram* program, TextureCombiner* combiner,
                      const Range& range) const;
    // Saves blending and fog, blends additively (source factor, then 1)
    // without fog; Restore puts them back.
    struct SavedBlend {
        bool enable;
        int source, destination, fogMode;
        float fogDensity;
    };
    static SavedBlend BeginAdditive(Display* display, int sourceFactor);
    static void EndAdditive(Display* display, const SavedBlend& saved);
    // Both passes of "tbumptex", in any pass asked for.
    void DrawOne(Display* display, const Viewport* viewport, GeometryChunk* chunk, const LightList* lights,
                 const Matrix16& modelView, const Range& range, int pass) override;
    // The copy's own state: the bump texture with a new reference.
    void CopyBumpFrom(const KorvelBumpMaterial& from);
    // The bump texture and the one-texture state are the same.
    bool SameBump(const KorvelBumpMaterial& other) const;

    BumpPrograms programs_;

private:
    const char* typeName_;
};

// A bump material with a second texture in slot 9 (the gloss map or the
// environment), held with its value: the slot handling both kinds share.
class KorvelBumpSecondTextureMaterial : public HeldSlotMaterial<KorvelBumpMaterial, 9> {
public:
    static constexpr int SecondSlot = HeldSlot;

    KorvelBumpSecondTextureMaterial(MaterialManager* manager, const MaterialCaches& caches,
                                    const BumpPrograms& programs, const char* typeName);

    // The value is kept with the second texture.
    int SetTextureRef(int slot, Texture* texture, float priority) override;

protected:
    // What a clone takes and what equal materials share: the bump part and
    // the second texture with its value.
    void CopySecondFrom(const KorvelBumpSecondTextureMaterial& other);
    bool SameSecond(const KorvelBumpSecondTextureMaterial& other) const;
    Texture* SecondTexture() const { return HeldTexture(); }

    float secondValue_ = 0.0f;
};

class KorvelBumpGlossMaterial : public KorvelBumpSecondTextureMaterial {
public:
    static constexpr const char* TypeName = "tbumpgloss";
    static constexpr int GlossSlot = SecondSlot;

    // `second` are held and released, never drawn with.
    KorvelBumpGlossMaterial(MaterialManager* manager, const MaterialCaches& caches, const BumpPrograms& programs,
                            const BumpPrograms& second);
    ~KorvelBumpGlossMaterial() override;

    Material* Clone() const override;
    bool IsEqual(const Material& other) const override;
    GeometryChunk* CreateGeometryChunk(uint32_t vertexCount, uint32_t faceCount, uint32_t indexCount,
                                       uint32_t faceNormalCount, int geometryType,
                                       const StandardChunkHint& hint) override;
    void RenderChunk(Display* display, const Viewport* viewport, GeometryChunk* chunk, const LightList* lights,
                     const Matrix16& modelView, int pass) override;
    void RenderNumChunks(Display* display, const Viewport* viewport, GeometryChunk* const* chunks,
                         const LightList* const* lights, const Matrix16* modelViews, int count, int pass) override;
    void RenderPrimitives(Display*, const Viewport*, GeometryChunk*, const LightList*, const Matrix16&, int,
                          const uint16_t*, int, int, int) override
    {}
    void CacheAlphaHint() override { SetAlphaHint(0); }
    void SetDisplayState(Display* display) override;
    void ClearDisplayState(Display* display) override;

    float GetGlossAmount() const { return secondValue_; }
    const BumpPrograms& GetSecondPrograms() const { return second_; }

protected:
    int SpecularRegister() const override { return 3; }

private:
    BumpPrograms second_;
};

class KorvelBumpEnvMaterial : public KorvelBumpSecondTextureMaterial {
public:
    static constexpr const char* TypeName = "tbumpenv";
    static constexpr int EnvironmentSlot = SecondSlot;

    KorvelBumpEnvMaterial(MaterialManager* manager, const MaterialCaches& caches, const BumpPrograms& programs);

    Material* Clone() const override;
    bool IsEqual(const Material& other) const override;
    // The bump and surface textures only: the environment is not activated.
    void Activate(int n) override { KorvelBumpMaterial::Activate(n); }
    GeometryChunk* CreateGeometryChunk(uint32_t vertexCount, uint32_t faceCount, uint32_t indexCount,
                                       uint32_t faceNormalCount, int geometryType,
                                       const StandardChunkHint& hint) override;
    void RenderChunk(Display* display, const Viewport* viewport, GeometryChunk* chunk, const LightList* lights,
                     const Matrix16& modelView, int pass) override;
    void RenderNumChunks(Display* display, const Viewport* viewport, GeometryChunk* const* chunks,
                         const LightList* const* lights, const Matrix16* modelViews, int count, int pass) override;
    void RenderPrimitives(Display*, const Viewport*, GeometryChunk*, const LightList*, const Matrix16&, int,
                          const uint16_t*, int, int, int) override
    {}
    void CacheAlphaHint() override { SetAlphaHint(0); }
    void ClearDisplayState(Display* display) override;

    // The cube texture stage 3 receives: a process-wide hook may supply one
    // (nothing in the program installs it), else the display's default.
    using EnvironmentProvider = Texture* (*)(const Material* material, const Viewport* viewport);
    static void SetEnvironmentProvider(EnvironmentProvider provider);
    static Texture* DefaultEnvironmentTexture();
    const Matrix16& GetAxisSwap() const { return axisSwap_; }

private:
    Matrix16 axisSwap_ = {1, 0, 0, 0, 0, 0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1};
};

}  // namespace Zel
