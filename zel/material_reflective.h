// The engine's reflective one-texture material: a reflection texture on slot 9 with its reflectivity, stage states and reflection matrix.
#pragma once

#include <cstdint>

#include "zel/material_held_slot.h"

namespace Zel {

// The reflection need not be loaded for the material to be.
class ReflectiveMaterial : public HeldSlotMaterial<OneTextureMaterial, 9, HeldSlotLoad::Optional> {
public:
    static constexpr int ReflectionSlot = HeldSlot;
    // Reflection flags: bit 0 the display generates the coordinates, bit 1
    // the reflection texture is a cube map.
    enum : uint32_t { ReflectTexGen = 1, ReflectCube = 2 };

    // Refers to `count` (0..4) stage states it does not own.
    ReflectiveMaterial(MaterialManager* manager, const char* typeName, const MaterialCaches& caches, int count,
                       const uint32_t* stageStates);

    // The value becomes the reflectivity; a cube map sets the cube flag.
    int SetTextureRef(int slot, Texture* texture, float priority) override;

    Texture* GetReflectionTexture() const { return HeldTexture(); }
    float GetReflectivity() const { return reflectivity_; }
    uint32_t GetReflectionFlags() const { return reflectionFlags_; }
    void SetReflectionFlags(uint32_t flags) { reflectionFlags_ = flags; }
    int GetNumStageStates() const { return stageCount_; }
    uint32_t GetStageStateAt(int i) const { return i >= 0 && i < stageCount_ ? stageStates_[i] : 0; }
    const Matrix16& GetReflectionMatrix() const { return reflectionMatrix_; }

    // Stage 1 generates reflection coordinates (cube or sphere map).
    void ChangeTexGen(Display* display, bool noProgram) const;
    // Sphere-map coordinates of the chunk's second coordinate set, from its
    // normals in camera space.
    static void SetSphericalTexureCoordinates(GeometryChunk* chunk, const Matrix16& modelView);

protected:
    void InitInstance(const ReflectiveMaterial& from);
    bool Equals(const ReflectiveMaterial& other) const;

private:
    float reflectivity_ = 0.0f;
    int stageCount_;
    uint32_t stageStates_[4] = {0, 0, 0, 0};
    Matrix16 reflectionMatrix_ = kIdentityMatrix;
    uint32_t reflectionFlags_ = 0;
};

}  // namespace Zel
