// The multi-PFX material: slot 12, PCT chunks with separate normals and their vertex type, and its display state.
#include "mesh/korvel_multi_pfx_material.h"

#include "mesh/product_geometry_chunks.h"
#include "zel/display.h"
#include "zel/material_texture.h"

namespace Zel {

KorvelMultiPFXMaterial::KorvelMultiPFXMaterial(MaterialManager* manager, const MaterialCaches& caches,
                                               const uint32_t* stageStates)
    : HeldSlotMaterial(TypeName, TypeName, true, false), stageStates_(stageStates)
{
    SetManager(manager);
    SetCaches(caches);
}

Material* KorvelMultiPFXMaterial::Clone() const
{
    return CloneAs<KorvelMultiPFXMaterial>([this](KorvelMultiPFXMaterial& copy) {
        copy.InitInstance(*this);
        copy.CopyHeldFrom(*this);
    });
}

bool KorvelMultiPFXMaterial::IsEqual(const Material& other) const
{
    const auto* same = dynamic_cast<const KorvelMultiPFXMaterial*>(&other);
    return same && SameHeld(*same) && Equals(*same);
}

void KorvelMultiPFXMaterial::SetResourcePriority(int priority)
{
    OneTextureMaterial::SetResourcePriority(priority);
    if (HeldTexture())
        HeldTexture()->SetPriority(static_cast<float>(priority));
}

GeometryChunk* KorvelMultiPFXMaterial::CreateGeometryChunk(uint32_t vertexCount, uint32_t faceCount,
                                                           uint32_t indexCount, uint32_t faceNormalCount,
                                                           int geometryType, const StandardChunkHint& hint)
{
    if (geometryType < GeometryList || geometryType > GeometryPoints)
        return nullptr;
    auto* chunk = new PackedGeometryChunk(PackedVertexPCT(), true, vertexCount, faceCount, indexCount, faceNormalCount,
                                          MakeGeometryChunkFlags(geometryType, &hint));
    if (hint.vertexUsage == 1)
        chunk->SetVertexDataDynamic(0, -2, true);
    chunk->SetVertexDataShared(0, 0, false);
    if (hint.indexUsage == 1)
        chunk->SetIndexDataDynamic();
    if (!vertexType_) {
        // One stream: position, colour, texture coordinates, and item 16
        // aliasing item 15 for the second texture.
        if (Display* display = ManagerDisplay())
            vertexType_ = display->RegisterVertexType(VertexTypeId, {ItemPosition, ItemColour, ItemTexCoord0, 16});
    }
    chunk->SetVertexType(vertexType_);
    return chunk;
}

int KorvelMultiPFXMaterial::SetTextureByName(int slot, TextureManager* textures, const std::string& name,
                                             float priority)
{
    if (slot != SecondSlot)
        return OneTextureMaterial::SetTextureByName(slot, textures, name, priority);
    AdoptHeld(nullptr);
    AdoptHeld(textures ? textures->Find(name) : nullptr);
    if (!HeldTexture())
        return ResultNoTexture;
    HeldTexture()->SetPriority(static_cast<float>(GetResourcePriority()));
    SetAlphaHint(-1);
    SetTextureDefinition(slot, name, priority);
    return TextureOk;
}

void KorvelMultiPFXMaterial::SetDisplayState(Display* display)
{
    OneTextureMaterial::SetDisplayState(display);
    if (stageStates_ && stageStates_[0] && stageStates_[1]) {
        display->SetStageState(0, stageStates_[0]);
        display->SetStageState(1, stageStates_[1]);
    }
    if (HeldTexture())
        display->BindStage(1, HeldTexture(), display->GetState().stages[1].stageState);
    else
        display->ResetStage(1);
    display->SetTextureMatrix(1, display->GetState().stages[1].texCoordGeneration, matrix_);
}

void KorvelMultiPFXMaterial::ClearDisplayState(Display* display)
{
    OneTextureMaterial::ClearDisplayState(display);
    display->ResetStage(0);
    display->ResetStage(1);
}

}  // namespace Zel
