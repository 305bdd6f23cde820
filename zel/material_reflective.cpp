// The reflective material's slot 9, texture-coordinate generation and sphere-map coordinates.
#include "zel/material_reflective.h"

#include <algorithm>
#include <cstring>

#include "zel/display.h"
#include "zel/material_texture.h"

namespace Zel {

ReflectiveMaterial::ReflectiveMaterial(MaterialManager* manager, const char* typeName, const MaterialCaches& caches,
                                       int count, const uint32_t* stageStates)
    : HeldSlotMaterial(typeName, typeName, true, false), stageCount_(std::clamp(count, 0, 4))
{
    SetManager(manager);
    SetCaches(caches);
    for (int i = 0; i < stageCount_ && stageStates; ++i)
        stageStates_[i] = stageStates[i];
}

int ReflectiveMaterial::SetTextureRef(int slot, Texture* texture, float priority)
{
    if (slot == ReflectionSlot && texture) {
        reflectivity_ = priority;
        if (texture->IsCube())
            reflectionFlags_ |= ReflectCube;
        else
            reflectionFlags_ &= ~ReflectCube;
    }
    return HeldSlotMaterial::SetTextureRef(slot, texture, priority);
}

void ReflectiveMaterial::InitInstance(const ReflectiveMaterial& from)
{
    OneTextureMaterial::InitInstance(from);
    CopyHeldFrom(from);
    reflectivity_ = from.reflectivity_;
    stageCount_ = from.stageCount_;
    std::copy(std::begin(from.stageStates_), std::end(from.stageStates_), std::begin(stageStates_));
    reflectionMatrix_ = from.reflectionMatrix_;
    reflectionFlags_ = from.reflectionFlags_;
}

bool ReflectiveMaterial::Equals(const ReflectiveMaterial& other) const
{
    return SameHeld(other) && reflectivity_ == other.reflectivity_ && OneTextureMaterial::Equals(other);
}

void ReflectiveMaterial::ChangeTexGen(Display* display, bool) const
{
    const TextureStageSettings& stage = display->GetState().stages[1];
    display->SetTextureMatrix(1, (reflectionFlags_ & ReflectCube) ? 2 : 1, stage.textureMatrix);
}

void ReflectiveMaterial::SetSphericalTexureCoordinates(GeometryChunk* chunk, const Matrix16& modelView)
{
    if (!chunk)
        return;
    VertexStream normals = chunk->GetItem(ItemNormal);
    VertexStream uv = chunk->GetItem(ItemTexCoord0 + 1);
    if (!normals || !uv)
        return;
    for (uint32_t v = 0; v < chunk->GetVertexCount(); ++v) {
        Vector3 n;
        std::memcpy(n.data(), normals.data + size_t{v} * normals.stride, sizeof n);
        Vector3 eye = RenderMaths::TransformDirection(modelView, n);
        float st[2] = {eye[0] * 0.5f + 0.5f, -eye[1] * 0.5f + 0.5f};
        std::memcpy(uv.data + size_t{v} * uv.stride, st, sizeof st);
    }
}

}  // namespace Zel
