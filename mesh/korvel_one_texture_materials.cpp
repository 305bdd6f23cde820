// The one-texture materials' display state, chunks and the gloss-rust passes.
#include "mesh/korvel_one_texture_materials.h"

#include "mesh/product_geometry_chunks.h"
#include "zel/display.h"
#include "zel/material_texture.h"

namespace Zel {
namespace {

constexpr float kVisibleAmount = 0.003921568859368563f;

float RustAgeOf(const GeometryChunk* chunk)
{
    float age = 0.0f;
    if (!chunk->GetProperty("RustAge", age))
        age = 0.0f;
    return age;
}

}  // namespace

KorvelGroundBaseMaterial::KorvelGroundBaseMaterial(MaterialManager* manager, const MaterialCaches& caches,
                                                   const char* typeName)
    : OneTextureMaterial(typeName, typeName, true, false), typeName_(typeName)
{
    SetManager(manager);
    // No alpha-mask cache: the material is drawn opaque.
    SetCaches({caches.materialChunk, nullptr, caches.alphaBlend});
}

Material* KorvelGroundBaseMaterial::Clone() const
{
    return CloneAs<KorvelGroundBaseMaterial>([this](KorvelGroundBaseMaterial& copy) {
        copy.InitInstance(*this);
        copy.depthWrite_ = depthWrite_;
        copy.alphaTest_ = alphaTest_;
    });
}

bool KorvelGroundBaseMaterial::IsEqual(const Material& other) const
{
    const auto* same = dynamic_cast<const KorvelGroundBaseMaterial*>(&other);
    return same && GetTypeName() == std::string(other.GetTypeName()) && same->depthWrite_ == depthWrite_ &&
           same->alphaTest_ == alphaTest_ && Equals(*same);
}

void KorvelGroundBaseMaterial::SetDisplayState(Display* display)
{
    OneTextureMaterial::SetDisplayState(display);
    savedAlphaTest_ = display->GetState().alphaTest;
    display->SetAlphaTest(alphaTest_);
    display->SetDepthWrite(depthWrite_);
}

void KorvelGroundBaseMaterial::ClearDisplayState(Display* display)
{
    OneTextureMaterial::ClearDisplayState(display);
    display->SetAlphaTest(savedAlphaTest_);
    display->SetDepthWrite(true);
}

KorvelOneTexNoAlphaMaterial::KorvelOneTexNoAlphaMaterial(MaterialManager* manager, const MaterialCaches& caches,
                                                         uint32_t stageState)
    : KorvelGroundBaseMaterial(manager, caches, TypeName)
{
    SetStageState(stageState);
}

GeometryChunk* KorvelOneTexNoAlphaMaterial::CreateGeometryChunk(uint32_t vertexCount, uint32_t faceCount,
                                                                uint32_t indexCount, uint32_t faceNormalCount,
                                                                int geometryType, const StandardChunkHint& given)
{
    if (geometryType < GeometryList || geometryType > GeometryPoints)
        return nullptr;
    StandardChunkHint hint = given;
    bool dynamic = false;
    bool separateNormals = false;
    if ((hint.flags & 1u) != 0) {
        dynamic = (hint.options & 2u) != 0;
        separateNormals = (hint.options & 1u) != 0;
        Display* display = ManagerDisplay();
        if (dynamic && (hint.options & 4u) == 0 && display && display->HasHardwareBuffers())
            hint.options |= 4u;
    }
    uint32_t flags = MakeGeometryChunkFlags(geometryType, &hint);
    auto* chunk = separateNormals ? new PackedGeometryChunk(PackedVertexPCT(), true, vertexCount, faceCount, indexCount,
                                                            faceNormalCount, flags)
                                  : new PackedGeometryChunk(PackedVertexPNT(), false, vertexCount, faceCount,
                                                            indexCount, faceNormalCount, flags);
    if (hint.vertexUsage == 1 || (hint.vertexUsage == 2 && dynamic))
        chunk->SetVertexDataDynamic(0, -2, true);
    if (dynamic || separateNormals)
        chunk->SetVertexDataShared(0, 0, false);
    if (hint.indexUsage == 1)
        chunk->SetIndexDataDynamic();
    return chunk;
}

void KorvelOneTexNoAlphaMaterial::SetDisplayState(Display* display)
{
    KorvelGroundBaseMaterial::SetDisplayState(display);
    display->SetColourMaterial(5);
}

void KorvelOneTexNoAlphaMaterial::ClearDisplayState(Display* display)
{
    KorvelGroundBaseMaterial::ClearDisplayState(display);
    display->SetColourMaterial(0);
}

KorvelNoFogMaterial::KorvelNoFogMaterial(MaterialManager* manager, const MaterialCaches& caches,
                                         uint32_t defaultStageState)
    : OneTextureMaterial(TypeName, TypeName, true, false)
{
    SetManager(manager);
    SetCaches(caches);
    SetStageState(defaultStageState);
}

Material* KorvelNoFogMaterial::Clone() const
{
    return CloneAs<KorvelNoFogMaterial>([this](KorvelNoFogMaterial& copy) { copy.InitInstance(*this); });
}

bool KorvelNoFogMaterial::IsEqual(const Material& other) const
{
    const auto* same = dynamic_cast<const KorvelNoFogMaterial*>(&other);
    return same && Equals(*same);
}

void KorvelNoFogMaterial::SetDisplayState(Display* display)
{
    const DisplayState& state = display->GetState();
    savedFogMode_ = state.fogMode;
    savedFogDensity_ = state.fogDensity;
    display->SetFog(0, state.fogDensity);
    display->SetCullMode((GetFlags() & FlagTwoSided) ? 0 : 1);
    Texture* texture = GetTexture(0);
    if (texture)
        display->BindStage(0, texture, 0);
    else
        display->ResetStage(0);
    if ((GetFlags() & FlagKeepBlending) == 0) {
        savedBlend_ = state.blendEnable;
        savedSource_ = state.blendSource;
        savedDestination_ = state.blendDestination;
        display->SetBlendFunction(blendSource_, blendDestination_);
        display->SetBlendEnable(true);
    }
    if (GetStageState())
        display->SetStageState(0, GetStageState());
}

void KorvelNoFogMaterial::ClearDisplayState(Display* display)
{
    display->SetFog(savedFogMode_, savedFogDensity_);
    display->SetCullMode(1);
    if ((GetFlags() & FlagKeepBlending) == 0) {
        display->SetBlendEnable(savedBlend_);
        display->SetBlendFunction(savedSource_, savedDestination_);
    }
    // Stage 0 is reset even without a stage state: the texture bound above
    // must not outlive the draw.
    display->ResetStage(0);
}

KorvelGlossRustMaterial::KorvelGlossRustMaterial(MaterialManager* manager, const MaterialCaches& caches, int stageCount,
                                                 const uint32_t* stageStates)
    : ReflectiveMaterial(manager, TypeName, {caches.materialChunk, nullptr, caches.alphaBlend}, stageCount, stageStates)
{}

Material* KorvelGlossRustMaterial::Clone() const
{
    return CloneAs<KorvelGlossRustMaterial>([this](KorvelGlossRustMaterial& copy) { copy.InitInstance(*this); });
}

bool KorvelGlossRustMaterial::IsEqual(const Material& other) const
{
    const auto* same = dynamic_cast<const KorvelGlossRustMaterial*>(&other);
    return same && Equals(*same);
}

GeometryChunk* KorvelGlossRustMaterial::CreateGeometryChunk(uint32_t vertexCount, uint32_t faceCount,
                                                            uint32_t indexCount, uint32_t faceNormalCount,
                                                            int geometryType, const StandardChunkHint& hint)
{
    // The reflection's sphere-map coordinates need a second set.
    StandardChunkHint withSets = hint;
    if (withSets.texCoordSets < 2)
        withSets.texCoordSets = 2;
    GeometryChunk* chunk = ReflectiveMaterial::CreateGeometryChunk(vertexCount, faceCount, indexCount, faceNormalCount,
                                                                   geometryType, withSets);
    if (!chunk)
        return nullptr;
    if ((chunk->GetFlags() & GeometryChunk::FlagNoSharedVertices) == 0)
        chunk->SetVertexDataShared(0, -3, false);
    if (chunk->AddProperty("RustAge"))
        chunk->SetProperty("RustAge", 0.0f);
    return chunk;
}

void KorvelGlossRustMaterial::SetDisplayState(Display* display)
{
    OneTextureMaterial::SetDisplayState(display);
}

void KorvelGlossRustMaterial::ClearDisplayState(Display* display)
{
    OneTextureMaterial::ClearDisplayState(display);
    display->ResetStage(1);
    display->ResetStage(0);
}

void KorvelGlossRustMaterial::RestoreTexGen(Display* display) const
{
    if (GetReflectionFlags() & (ReflectCube | ReflectTexGen))
        display->SetTextureMatrix(1, 0, display->GetState().stages[1].textureMatrix);
}

void KorvelGlossRustMaterial::GlossStep(Display* display, const Viewport* viewport, GeometryChunk* chunk,
                                        const Matrix16& modelView, float gloss) const
{
    display->SetStageConstant(0, {gloss, gloss, gloss, gloss});
    display->SetStageConstant(1, {gloss, gloss, gloss, gloss});
    Texture* reflection = GetReflectionTexture();
    bool cube = reflection->IsCube();
    if ((GetReflectionFlags() & ReflectTexGen) || cube) {
        if (cube && reflection->IsLoaded() && viewport && (GetReflectionFlags() & ReflectCube)) {
            display->SetTextureMatrix(
                1, display->GetState().stages[1].texCoordGeneration,
                RenderMaths::Multiply(RenderMaths::RotationTransposed(viewport->view), GetReflectionMatrix()));
        }
    } else {
        SetSphericalTexureCoordinates(chunk, modelView);
    }
}

void KorvelGlossRustMaterial::RustStep(Display* display, const LightList* lights, const DisplayMaterial& saved,
                                       float rustAge) const
{
    Vector4 ambient = display->GetState().globalAmbient;
    if (lights) {
        for (const Light* light : *lights) {
            if (!light)
                continue;
            for (size_t k = 0; k < 4; ++k)
                ambient[k] += light->ambient[k];
        }
    }
    float alpha = 2.0f * (rustAge - 0.5f);
    Vector4 colour = {RenderMaths::Clamp01(ambient[0]) * saved.ambient[0],
                      RenderMaths::Clamp01(ambient[1]) * saved.ambient[1],
                      RenderMaths::Clamp01(ambient[2]) * saved.ambient[2], alpha < 0.0f ? 0.0f : alpha};
    display->SetStageConstant(0, colour);
    display->SetStageConstant(1, colour);
}

void KorvelGlossRustMaterial::DrawOne(Display* display, const Viewport* viewport, GeometryChunk* chunk,
                                      const LightList* lights, const Matrix16& modelView, const ChunkRange& range, int)
{
    if (!display || !chunk || !GetReflectionTexture())
        return;
    const DisplayMaterial saved = GetDisplayMaterial();
    DisplayMaterial colours = saved;
    for (float& component : colours.ambient)
        component = 1.0f;
    float rustAge = RustAgeOf(chunk);
    if (rustAge > 0.5f) {
        for (int k = 0; k < 4; ++k)
            colours.specular[k] = saved.specular[k] * (1.0f - (rustAge - 0.5f));
    }
    SetDisplayMaterialProperties(colours);
    const VertexProgram* program = chunk->GetVertexProgram(0);
    OneTextureMaterial::SetDisplayState(display);
    if (GetNumStageStates() > 0)
        display->BindStage(1, GetReflectionTexture(), display->GetState().stages[1].stageState);
    SetLightingState(display, viewport ? &viewport->view : nullptr, chunk, program, lights, modelView,
                     chunk->GetOpacity() * GetOpacity(), false);
    display->LoadModelView(modelView);
    float gloss = GetReflectivity() * (1.0f - 2.0f * rustAge);
    if (gloss > kVisibleAmount) {
        ChangeTexGen(display, program == nullptr);
        if (GetNumStageStates() > 1) {
            display->SetStageState(0, GetStageStateAt(0));
            display->SetStageState(1, GetStageStateAt(1));
        }
        GlossStep(display, viewport, chunk, modelView, gloss);
        chunk->Render(display, viewport, program, range, 0);
        RestoreTexGen(display);
        display->SetTextureMatrix(1, display->GetState().stages[1].texCoordGeneration, kIdentityMatrix);
    } else {
        if (GetNumStageStates() > 3) {
            display->SetStageState(0, GetStageStateAt(2));
            display->SetStageState(1, GetStageStateAt(3));
        }
        RustStep(display, lights, saved, rustAge);
        chunk->Render(display, viewport, program, range, 0);
    }
    ClearDisplayState(display);
    SetDisplayMaterialProperties(saved);
}

void KorvelGlossRustMaterial::RenderNumChunks(Display* display, const Viewport* viewport, GeometryChunk* const* chunks,
                                              const LightList* const* lights, const Matrix16* modelViews, int count,
                                              int)
{
    if (!display || !chunks || !modelViews || !GetReflectionTexture())
        return;
    const DisplayMaterial saved = GetDisplayMaterial();
    DisplayMaterial colours = saved;
    for (float& component : colours.ambient)
        component = 1.0f;
    SetDisplayMaterialProperties(colours);
    OneTextureMaterial::SetDisplayState(display);
    if (GetNumStageStates() > 0)
        display->BindStage(1, GetReflectionTexture(), display->GetState().stages[1].stageState);
    ChangeTexGen(display, true);
    if (GetNumStageStates() > 1) {
        display->SetStageState(0, GetStageStateAt(0));
        display->SetStageState(1, GetStageStateAt(1));
    }
    for (int i = 0; i < count; ++i) {
        GeometryChunk* chunk = chunks[i];
        if (!chunk)
            continue;
        float gloss = GetReflectivity() * (1.0f - 2.0f * RustAgeOf(chunk));
        if (gloss <= kVisibleAmount)
            continue;
        GlossStep(display, viewport, chunk, modelViews[i], gloss);
        const VertexProgram* program = chunk->GetVertexProgram(0);
        SetLightingState(display, viewport ? &viewport->view : nullptr, chunk, program, lights ? lights[i] : nullptr,
                         modelViews[i], chunk->GetOpacity() * GetOpacity(), false);
        display->LoadModelView(modelViews[i]);
        chunk->RenderGeometry(display, viewport, program, true, 0);
    }
    RestoreTexGen(display);
    if (GetNumStageStates() > 3) {
        display->SetStageState(0, GetStageStateAt(2));
        display->SetStageState(1, GetStageStateAt(3));
    }
    for (int i = 0; i < count; ++i) {
        GeometryChunk* chunk = chunks[i];
        if (!chunk)
            continue;
        float rustAge = RustAgeOf(chunk);
        if (rustAge < 0.5f)
            continue;
        DisplayMaterial rusted = colours;
        for (int k = 0; k < 4; ++k)
            rusted.specular[k] = saved.specular[k] * (1.0f - (rustAge - 0.5f));
        SetDisplayMaterialProperties(rusted);
        RustStep(display, lights ? lights[i] : nullptr, saved, rustAge);
        const VertexProgram* program = chunk->GetVertexProgram(0);
        SetLightingState(display, viewport ? &viewport->view : nullptr, chunk, program, lights ? lights[i] : nullptr,
                         modelViews[i], chunk->GetOpacity() * GetOpacity(), false);
        display->LoadModelView(modelViews[i]);
        chunk->RenderGeometry(display, viewport, program, true, 0);
    }
    ClearDisplayState(display);
    SetDisplayMaterialProperties(saved);
}

}  // namespace Zel
