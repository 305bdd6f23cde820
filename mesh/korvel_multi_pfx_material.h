// The multi-PFX material "tmpfx": a one-texture surface with a second texture on stage 1, combined by the plug-in's two stage states.
#pragma once

#include "zel/material_held_slot.h"

namespace Zel {

class KorvelMultiPFXMaterial : public HeldSlotMaterial<OneTextureMaterial, 12> {
public:
    static constexpr const char* TypeName = "tmpfx";
    static constexpr int SecondSlot = HeldSlot;
    static constexpr uint32_t VertexTypeId = 99;

    // stageStates: the plug-in's pair (not owned), null without a kernel.
    KorvelMultiPFXMaterial(MaterialManager* manager, const MaterialCaches& caches, const uint32_t* stageStates);

    Material* Clone() const override;
    bool IsEqual(const Material& other) const override;
    void SetResourcePriority(int priority) override;
    const char* GetTypeName() const override { return TypeName; }
    GeometryChunk* CreateGeometryChunk(uint32_t vertexCount, uint32_t faceCount, uint32_t indexCount,
                                       uint32_t faceNormalCount, int geometryType,
                                       const StandardChunkHint& hint) override;
    // The previous second texture goes first; an unknown name leaves the slot empty (3).
    int SetTextureByName(int slot, TextureManager* textures, const std::string& name, float priority) override;
    void SetDisplayState(Display* display) override;
    void ClearDisplayState(Display* display) override;

    uint32_t GetVertexType() const { return vertexType_; }
    Matrix16& TextureMatrix() { return matrix_; }

private:
    const uint32_t* stageStates_;
    Matrix16 matrix_ = kIdentityMatrix;
    uint32_t vertexType_ = 0;
};

}  // namespace Zel
