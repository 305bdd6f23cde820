// The product's one-texture materials: "groundbase" (fixed alpha test and depth write), "tonetexnoalpha" (opaque, packed chunks), "nofogtex" (no fog, own blending) and "tglossrust" (reflection fading into rust).
#pragma once

#include "zel/material_reflective.h"

namespace Zel {

class KorvelGroundBaseMaterial : public OneTextureMaterial {
public:
    static constexpr const char* TypeName = "groundbase";
    static constexpr const char* ClassId = "C271BEBB-D17E-4ebe-9582-D531F1E23727";

    KorvelGroundBaseMaterial(MaterialManager* manager, const MaterialCaches& caches, const char* typeName = TypeName);

    Material* Clone() const override;
    bool IsEqual(const Material& other) const override;
    const char* GetTypeName() const override { return typeName_; }
    void SetDisplayState(Display* display) override;
    void ClearDisplayState(Display* display) override;

protected:
    bool depthWrite_ = true;
    bool alphaTest_ = false;
    bool savedAlphaTest_ = true;

private:
    const char* typeName_;
};

class KorvelOneTexNoAlphaMaterial : public KorvelGroundBaseMaterial {
public:
    static constexpr const char* TypeName = "tonetexnoalpha";

    // The stage state is the plug-in's (0 when it could not be made).
    KorvelOneTexNoAlphaMaterial(MaterialManager* manager, const MaterialCaches& caches, uint32_t stageState);

    // PNT chunks, or PCT with separate normals when the hint asks for them.
    GeometryChunk* CreateGeometryChunk(uint32_t vertexCount, uint32_t faceCount, uint32_t indexCount,
                                       uint32_t faceNormalCount, int geometryType,
                                       const StandardChunkHint& hint) override;
    void CacheAlphaHint() override { SetAlphaHint(0); }
    void SetDisplayState(Display* display) override;
    void ClearDisplayState(Display* display) override;
};

class KorvelNoFogMaterial : public OneTextureMaterial {
public:
    static constexpr const char* TypeName = "nofogtex";
    // Material flags: bit 0 two-sided (no culling), bit 1 leave blending alone.
    enum : uint32_t { FlagTwoSided = 1, FlagKeepBlending = 2 };

    KorvelNoFogMaterial(MaterialManager* manager, const MaterialCaches& caches, uint32_t defaultStageState);

    Material* Clone() const override;
    bool IsEqual(const Material& other) const override;
    const char* GetTypeName() const override { return TypeName; }
    void SetDisplayState(Display* display) override;
    void ClearDisplayState(Display* display) override;
    int GetBlendSource() const { return blendSource_; }
    int GetBlendDestination() const { return blendDestination_; }

private:
    int savedFogMode_ = 0;
    float savedFogDensity_ = 0.0f;
    bool savedBlend_ = false;
    int savedSource_ = BlendOne;
    int savedDestination_ = BlendZero;
    int blendSource_ = BlendSrcAlpha;
    int blendDestination_ = BlendInvSrcAlpha;
};

class KorvelGlossRustMaterial : public ReflectiveMaterial {
public:
    static constexpr const char* TypeName = "tglossrust";

    KorvelGlossRustMaterial(MaterialManager* manager, const MaterialCaches& caches, int stageCount,
                            const uint32_t* stageStates);

    Material* Clone() const override;
    bool IsEqual(const Material& other) const override;
    const char* GetTypeName() const override { return TypeName; }
    GeometryChunk* CreateGeometryChunk(uint32_t vertexCount, uint32_t faceCount, uint32_t indexCount,
                                       uint32_t faceNormalCount, int geometryType,
                                       const StandardChunkHint& hint) override;
    void RenderNumChunks(Display* display, const Viewport* viewport, GeometryChunk* const* chunks,
                         const LightList* const* lights, const Matrix16* modelViews, int count, int pass) override;
    void SetDisplayState(Display* display) override;
    void ClearDisplayState(Display* display) override;

protected:
    // The gloss step or the rust step, in any pass asked for.
    void DrawOne(Display* display, const Viewport* viewport, GeometryChunk* chunk, const LightList* lights,
                 const Matrix16& modelView, const ChunkRange& range, int pass) override;

private:
    // The gloss step's stage colours and reflection coordinates for one chunk.
    void GlossStep(Display* display, const Viewport* viewport, GeometryChunk* chunk, const Matrix16& modelView,
                   float gloss) const;
    // The rust step's stage colours for one chunk.
    void RustStep(Display* display, const LightList* lights, const DisplayMaterial& saved, float rustAge) const;
    void RestoreTexGen(Display* display) const;
};

}  // namespace Zel
