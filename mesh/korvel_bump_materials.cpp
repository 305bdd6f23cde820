// The bump materials: texture slots 8 and 9, PNTA chunks, the light set-ups and the two passes.
#include "mesh/korvel_bump_materials.h"

#include <cmath>

#include "mesh/product_geometry_chunks.h"
#include "zel/display.h"
#include "zel/material_manager.h"
#include "zel/material_texture.h"
#include "zel/render_kernel.h"
#include "zel/texture_combiner_manager.h"
#include "zel/vertex_program_manager.h"

namespace Zel {
namespace {

using RenderMaths::Clamp01;

// The lerp below which a gloss or reflection pass is not worth drawing.
constexpr float kVisibleAmount = 0.003921568859368563f;

float DiffuseSum(const Light& light)
{
    return light.diffuse[0] + light.diffuse[1] + light.diffuse[2];
}

Vector3 Normalised(const Vector3& v)
{
    float length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (length <= 0.0f)
        return v;
    return {v[0] / length, v[1] / length, v[2] / length};
}

// World space to chunk space: the camera's view, then back through the
// chunk's model-view matrix.
Matrix16 ObjectSpace(const Viewport* viewport, const Matrix16& modelView)
{
    const Matrix16& view = viewport ? viewport->view : kIdentityMatrix;
    return RenderMaths::Multiply(view, RenderMaths::RigidInverse(modelView));
}

Vector4 Point4(const Vector3& v, float w)
{
    return {v[0], v[1], v[2], w};
}

Texture* SharedWhite(MaterialManager* manager)
{
    RenderKernel* kernel = manager ? manager->GetRenderKernel() : nullptr;
    SharedTextureCollection* shared = kernel ? kernel->GetSharedTextureCollection() : nullptr;
    return shared ? shared->GetTexture(0) : nullptr;
}

float RustAgeOf(const GeometryChunk* chunk)
{
    float age = 0.0f;
    if (chunk && !chunk->GetProperty("RustAge", age))
        age = 0.0f;
    return age;
}

// The bump chunk: PNTA, with the hint's dynamic and shared settings.
GeometryChunk* MakeBumpChunk(uint32_t vertexCount, uint32_t faceCount, uint32_t indexCount, uint32_t faceNormalCount,
                             int geometryType, const StandardChunkHint& given)
{
    if (geometryType < GeometryList || geometryType > GeometryPoints)
        return nullptr;
    StandardChunkHint hint = given;
    bool shared = false;
    if ((hint.flags & 1u) != 0) {
        shared = (hint.options & 6u) == 6u;
        hint.options &= static_cast<uint8_t>(~1u);
        if ((hint.options & 2u) != 0 && (hint.options & 4u) == 0) {
            hint.options |= 4u;
            shared = true;
        }
    }
    auto* chunk = new PackedGeometryChunk(PackedVertexPNTA(), false, vertexCount, faceCount, indexCount,
                                          faceNormalCount, Material::MakeGeometryChunkFlags(geometryType, &hint));
    if (hint.vertexUsage != 0 && (hint.vertexUsage == 1 || shared))
        chunk->SetVertexDataDynamic(0, -2, true);
    if (shared)
        chunk->SetVertexDataShared(0, 0, false);
    if (hint.indexUsage == 1)
        chunk->SetIndexDataDynamic();
    return chunk;
}

KorvelBumpEnvMaterial::EnvironmentProvider g_environmentProvider = nullptr;

}  // namespace

void BumpPrograms::AddReferences() const
{
    if (parallelProgram)
        parallelProgram->AddReference();
    if (parallelCombiner)
        parallelCombiner->AddReference();
    if (spotProgram)
        spotProgram->AddReference();
    if (spotCombiner)
        spotCombiner->AddReference();
}

void BumpPrograms::Release()
{
    if (parallelProgram)
        parallelProgram->ReleaseReference();
    if (parallelCombiner)
        parallelCombiner->ReleaseReference();
    if (spotProgram)
        spotProgram->ReleaseReference();
    if (spotCombiner)
        spotCombiner->ReleaseReference();
    *this = BumpPrograms();
}

KorvelBumpMaterial::KorvelBumpMaterial(MaterialManager* manager, const MaterialCaches& caches,
                                       const BumpPrograms& programs, const char* typeName)
    : HeldSlotMaterial(typeName, typeName, true, false), programs_(programs), typeName_(typeName)
{
    SetManager(manager);
    SetCaches(caches);
    programs_.AddReferences();
    SetAlphaHint(0);
    AdoptHeld(SharedWhite(manager));
}

KorvelBumpMaterial::~KorvelBumpMaterial()
{
    programs_.Release();
}

void KorvelBumpMaterial::CopyBumpFrom(const KorvelBumpMaterial& from)
{
    OneTextureMaterial::InitInstance(from);
    CopyHeldFrom(from);
}

bool KorvelBumpMaterial::SameBump(const KorvelBumpMaterial& other) const
{
    return SameHeld(other) && Equals(other);
}

Material* KorvelBumpMaterial::Clone() const
{
    return CloneAs<KorvelBumpMaterial>([this](KorvelBumpMaterial& copy) { copy.CopyBumpFrom(*this); });
}

bool KorvelBumpMaterial::IsEqual(const Material& other) const
{
    const auto* same = dynamic_cast<const KorvelBumpMaterial*>(&other);
    return same && SameBump(*same);
}

GeometryChunk* KorvelBumpMaterial::CreateGeometryChunk(uint32_t vertexCount, uint32_t faceCount, uint32_t indexCount,
                                                       uint32_t faceNormalCount, int geometryType,
                                                       const StandardChunkHint& hint)
{
    return MakeBumpChunk(vertexCount, faceCount, indexCount, faceNormalCount, geometryType, hint);
}

const Light* KorvelBumpMaterial::PickLight(const LightList* lights, int type)
{
    const Light* picked = nullptr;
    if (!lights)
        return nullptr;
    for (const Light* light : *lights) {
        if (light && light->type == type && (!picked || DiffuseSum(*light) > DiffuseSum(*picked)))
            picked = light;
    }
    return picked;
}

void KorvelBumpMaterial::ParallelSetUp(Display* display, const Viewport* viewport, const LightList* lights,
                                       const Matrix16& modelView) const
{
    const DisplayMaterial& colours = GetDisplayMaterial();
    Vector4 ambient = display->GetState().globalAmbient;
    if (lights) {
        for (const Light* light : *lights) {
            if (light && (light->type == LightAmbient || light->type == LightParallel)) {
                for (size_t k = 0; k < 4; ++k)
                    ambient[k] += light->ambient[k];
            }
        }
    }
    const Light* parallel = PickLight(lights, LightParallel);
    display->LoadModelView(modelView);
    if (parallel) {
        Matrix16 object = ObjectSpace(viewport, modelView);
        Vector3 direction = Normalised(RenderMaths::TransformDirection(object, parallel->direction));
        Vector3 camera = RenderMaths::TransformPoint(object, viewport ? viewport->cameraPosition : Vector3{});
        display->SetVertexProgramLocal(7, Point4(direction, 0.0f));
        display->SetCombinerRegister(0, {parallel->diffuse[0] * colours.diffuse[0],
                                         parallel->diffuse[1] * colours.diffuse[1],
                                         parallel->diffuse[2] * colours.diffuse[2], colours.diffuse[3]});
        display->SetVertexProgramLocal(13, Point4(camera, 1.0f));
        display->SetCombinerRegister(SpecularRegister(), {parallel->specular[0] * colours.specular[0],
                                                          parallel->specular[1] * colours.specular[1],
                                                          parallel->specular[2] * colours.specular[2], 0.75f});
    } else {
        display->SetVertexProgramLocal(7, {0, 0, 0, 0});
        display->SetCombinerRegister(0, {0, 0, 0, 1});
        display->SetVertexProgramLocal(13, {0, 0, 0, 0});
        display->SetCombinerRegister(SpecularRegister(), {0, 0, 0, 1});
    }
    display->SetCombinerRegister(1, {Clamp01(colours.ambient[0] * ambient[0] + colours.emissive[0]),
                                     Clamp01(colours.ambient[1] * ambient[1] + colours.emissive[1]),
                                     Clamp01(colours.ambient[2] * ambient[2] + colours.emissive[2]), 1.0f});
}

void KorvelBumpMaterial::SpotSetUp(Display* display, const Viewport* viewport, const Light& spot,
                                   const Matrix16& modelView) const
{
    const DisplayMaterial& colours = GetDisplayMaterial();
    display->LoadModelView(modelView);
    Matrix16 object = ObjectSpace(viewport, modelView);
    Vector3 direction = Normalised(RenderMaths::TransformDirection(object, spot.direction));
    Vector3 camera = RenderMaths::TransformPoint(object, viewport ? viewport->cameraPosition : Vector3{});
    Vector3 position = RenderMaths::TransformPoint(object, spot.position);
    display->SetVertexProgramLocal(7, Point4(direction, 0.0f));
    display->SetVertexProgramLocal(13, Point4(camera, 1.0f));
    display->SetVertexProgramLocal(5, Point4(position, 1.0f));
    display->SetVertexProgramLocal(
        6, {std::cos(spot.spotAngle * 3.1415927f / 180.0f), spot.range != 0.0f ? 1.0f / spot.range : 0.0f, 0, 0});
    display->SetCombinerRegister(0, {spot.diffuse[0] * colours.diffuse[0], spot.diffuse[1] * colours.diffuse[1],
                                     spot.diffuse[2] * colours.diffuse[2], colours.diffuse[3]});
    display->SetCombinerRegister(1, {0, 0, 0, 1});
    display->SetCombinerRegister(SpecularRegister(),
                                 {spot.specular[0] * colours.specular[0], spot.specular[1] * colours.specular[1],
                                  spot.specular[2] * colours.specular[2], 0.75f});
}

void KorvelBumpMaterial::DrawParallelPass(Display* display, const Viewport* viewport, GeometryChunk* chunk,
                                          const LightList* lights, const Matrix16& modelView, VertexProgram* program,
                                          TextureCombiner* combiner, const Range& range) const
{
    display->BindVertexProgram(program);
    display->BindCombiner(combiner);
    ParallelSetUp(display, viewport, lights, modelView);
    chunk->Render(display, viewport, program, range, 0);
    display->BindCombiner(nullptr);
    display->BindVertexProgram(nullptr);
}

void KorvelBumpMaterial::DrawSpotPass(Display* display, const Viewport* viewport, GeometryChunk* chunk,
                                      const Light& spot, const Matrix16& modelView, VertexProgram* program,
                                      TextureCombiner* combiner, const Range& range) const
{
    display->BindVertexProgram(program);
    display->BindCombiner(combiner);
    SpotSetUp(display, viewport, spot, modelView);
    chunk->Render(display, viewport, program, range, 0);
    display->BindCombiner(nullptr);
    display->BindVertexProgram(nullptr);
}

KorvelBumpMaterial::SavedBlend KorvelBumpMaterial::BeginAdditive(Display* display, int sourceFactor)
{
    const DisplayState& state = display->GetState();
    SavedBlend saved{state.blendEnable, state.blendSource, state.blendDestination, state.fogMode, state.fogDensity};
    display->SetBlendEnable(true);
    display->SetBlendFunction(sourceFactor, BlendOne);
    display->SetFog(0, saved.fogDensity);
    return saved;
}

void KorvelBumpMaterial::EndAdditive(Display* display, const SavedBlend& saved)
{
    display->SetBlendEnable(saved.enable);
    display->SetBlendFunction(saved.source, saved.destination);
    display->SetFog(saved.fogMode, saved.fogDensity);
}

void KorvelBumpMaterial::DrawOne(Display* display, const Viewport* viewport, GeometryChunk* chunk,
                                 const LightList* lights, const Matrix16& modelView, const Range& range, int)
{
    if (!display || !viewport || !chunk || !programs_.Complete())
        return;
    SetDisplayState(display);
    DrawParallelPass(display, viewport, chunk, lights, modelView, programs_.parallelProgram, programs_.parallelCombiner,
                     range);
    if (const Light* spot = PickLight(lights, LightSpot)) {
        SavedBlend saved = BeginAdditive(display, BlendSrcAlpha);
        DrawSpotPass(display, viewport, chunk, *spot, modelView, programs_.spotProgram, programs_.spotCombiner, range);
        EndAdditive(display, saved);
    }
    ClearDisplayState(display);
}

void KorvelBumpMaterial::RenderNumChunks(Display* display, const Viewport* viewport, GeometryChunk* const* chunks,
                                         const LightList* const* lights, const Matrix16* modelViews, int count, int)
{
    if (!display || !viewport || !chunks || !modelViews || !programs_.Complete())
        return;
    SetDisplayState(display);
    for (int i = 0; i < count; ++i) {
        if (chunks[i])
            DrawParallelPass(display, viewport, chunks[i], lights ? lights[i] : nullptr, modelViews[i],
                             programs_.parallelProgram, programs_.parallelCombiner, Range());
    }
    bool anySpot = false;
    for (int i = 0; i < count && !anySpot; ++i)
        anySpot = chunks[i] && PickLight(lights ? lights[i] : nullptr, LightSpot);
    if (anySpot) {
        SavedBlend saved = BeginAdditive(display, BlendSrcAlpha);
        for (int i = 0; i < count; ++i) {
            const Light* spot = chunks[i] ? PickLight(lights ? lights[i] : nullptr, LightSpot) : nullptr;
            if (spot)
                DrawSpotPass(display, viewport, chunks[i], *spot, modelViews[i], programs_.spotProgram,
                             programs_.spotCombiner, Range());
        }
        EndAdditive(display, saved);
    }
    ClearDisplayState(display);
}

void KorvelBumpMaterial::SetDisplayState(Display* display)
{
    if (HeldTexture())
        display->BindStage(1, HeldTexture(), 0);
    else
        display->ResetStage(1);
    OneTextureMaterial::SetDisplayState(display);
}

void KorvelBumpMaterial::ClearDisplayState(Display* display)
{
    display->ResetStage(1);
    OneTextureMaterial::ClearDisplayState(display);
}

KorvelBumpSecondTextureMaterial::KorvelBumpSecondTextureMaterial(MaterialManager* manager, const MaterialCaches& caches,
                                                                 const BumpPrograms& programs, const char* typeName)
    : HeldSlotMaterial(manager, caches, programs, typeName)
{
    AdoptHeld(SharedWhite(manager));
}

void KorvelBumpSecondTextureMaterial::CopySecondFrom(const KorvelBumpSecondTextureMaterial& other)
{
    CopyBumpFrom(other);
    CopyHeldFrom(other);
    secondValue_ = other.secondValue_;
}

bool KorvelBumpSecondTextureMaterial::SameSecond(const KorvelBumpSecondTextureMaterial& other) const
{
    return SameHeld(other) && other.secondValue_ == secondValue_ && SameBump(other);
}

int KorvelBumpSecondTextureMaterial::SetTextureRef(int slot, Texture* texture, float priority)
{
    if (slot == SecondSlot && texture)
        secondValue_ = priority;
    return HeldSlotMaterial::SetTextureRef(slot, texture, priority);
}

KorvelBumpGlossMaterial::KorvelBumpGlossMaterial(MaterialManager* manager, const MaterialCaches& caches,
                                                 const BumpPrograms& programs, const BumpPrograms& second)
    : KorvelBumpSecondTextureMaterial(manager, caches, programs, TypeName), second_(second)
{
    second_.AddReferences();
}

KorvelBumpGlossMaterial::~KorvelBumpGlossMaterial()
{
    second_.Release();
}

Material* KorvelBumpGlossMaterial::Clone() const
{
    return CloneAs<KorvelBumpGlossMaterial>([this](KorvelBumpGlossMaterial& copy) { copy.CopySecondFrom(*this); });
}

bool KorvelBumpGlossMaterial::IsEqual(const Material& other) const
{
    const auto* same = dynamic_cast<const KorvelBumpGlossMaterial*>(&other);
    return same && SameSecond(*same);
}

GeometryChunk* KorvelBumpGlossMaterial::CreateGeometryChunk(uint32_t vertexCount, uint32_t faceCount,
                                                            uint32_t indexCount, uint32_t faceNormalCount,
                                                            int geometryType, const StandardChunkHint& hint)
{
    GeometryChunk* chunk = MakeBumpChunk(vertexCount, faceCount, indexCount, faceNormalCount, geometryType, hint);
    if (!chunk)
        return nullptr;
    if ((chunk->GetFlags() & GeometryChunk::FlagNoSharedVertices) == 0)
        chunk->SetVertexDataShared(0, -3, false);
    if (chunk->AddProperty("RustAge"))
        chunk->SetProperty("RustAge", 0.0f);
    return chunk;
}

void KorvelBumpGlossMaterial::RenderChunk(Display* display, const Viewport* viewport, GeometryChunk* chunk,
                                          const LightList* lights, const Matrix16& modelView, int)
{
    if (!display || !viewport || !chunk || !programs_.Complete())
        return;
    DisplayMaterial colours = GetDisplayMaterial();
    const DisplayMaterial saved = colours;
    for (float& component : colours.ambient)
        component = 1.0f;
    SetDisplayMaterialProperties(colours);
    float lerp = secondValue_ * (1.0f - 2.0f * RustAgeOf(chunk));
    SetDisplayState(display);
    if (lerp > kVisibleAmount) {
        programs_.parallelCombiner->SetConstant(2, {lerp, lerp, lerp, lerp});
        DrawParallelPass(display, viewport, chunk, lights, modelView, programs_.parallelProgram,
                         programs_.parallelCombiner, Range());
        if (const Light* spot = PickLight(lights, LightSpot)) {
            SavedBlend blend = BeginAdditive(display, BlendOne);
            programs_.spotCombiner->SetConstant(2, {lerp, lerp, lerp, lerp});
            DrawSpotPass(display, viewport, chunk, *spot, modelView, programs_.spotProgram, programs_.spotCombiner,
                         Range());
            EndAdditive(display, blend);
        }
    }
    ClearDisplayState(display);
    SetDisplayMaterialProperties(saved);
}

void KorvelBumpGlossMaterial::RenderNumChunks(Display* display, const Viewport* viewport, GeometryChunk* const* chunks,
                                              const LightList* const* lights, const Matrix16* modelViews, int count,
                                              int)
{
    if (!chunks || !modelViews)
        return;
    for (int i = 0; i < count; ++i)
        RenderChunk(display, viewport, chunks[i], lights ? lights[i] : nullptr, modelViews[i], -1);
}

void KorvelBumpGlossMaterial::SetDisplayState(Display* display)
{
    if (SecondTexture())
        display->BindStage(3, SecondTexture(), 0);
    else
        display->ResetStage(3);
    KorvelBumpMaterial::SetDisplayState(display);
}

void KorvelBumpGlossMaterial::ClearDisplayState(Display* display)
{
    display->ResetStage(3);
    KorvelBumpMaterial::ClearDisplayState(display);
}

KorvelBumpEnvMaterial::KorvelBumpEnvMaterial(MaterialManager* manager, const MaterialCaches& caches,
                                             const BumpPrograms& programs)
    : KorvelBumpSecondTextureMaterial(manager, caches, programs, TypeName)
{}

void KorvelBumpEnvMaterial::SetEnvironmentProvider(EnvironmentProvider provider)
{
    g_environmentProvider = provider;
}

Texture* KorvelBumpEnvMaterial::DefaultEnvironmentTexture()
{
    // Never destroyed: materials may draw during static destruction.
    static Texture* cube = new Texture("DefaultEnvironment", true, true);
    return cube;
}

Material* KorvelBumpEnvMaterial::Clone() const
{
    return CloneAs<KorvelBumpEnvMaterial>([this](KorvelBumpEnvMaterial& copy) {
        copy.CopySecondFrom(*this);
        copy.axisSwap_ = axisSwap_;
    });
}

bool KorvelBumpEnvMaterial::IsEqual(const Material& other) const
{
    const auto* same = dynamic_cast<const KorvelBumpEnvMaterial*>(&other);
    return same && SameSecond(*same);
}

GeometryChunk* KorvelBumpEnvMaterial::CreateGeometryChunk(uint32_t vertexCount, uint32_t faceCount, uint32_t indexCount,
                                                          uint32_t faceNormalCount, int geometryType,
                                                          const StandardChunkHint& hint)
{
    GeometryChunk* chunk = MakeBumpChunk(vertexCount, faceCount, indexCount, faceNormalCount, geometryType, hint);
    if (chunk && (chunk->GetFlags() & GeometryChunk::FlagNoSharedVertices) == 0)
        chunk->SetVertexDataShared(0, -3, false);
    return chunk;
}

void KorvelBumpEnvMaterial::RenderChunk(Display* display, const Viewport* viewport, GeometryChunk* chunk,
                                        const LightList* lights, const Matrix16& modelView, int)
{
    if (!display || !viewport || !chunk || !programs_.Complete())
        return;
    SetDisplayState(display);
    Texture* cube = g_environmentProvider ? g_environmentProvider(this, viewport) : nullptr;
    display->BindStage(3, cube ? cube : DefaultEnvironmentTexture(), 0);
    if (SecondTexture()) {
        display->SetTextureMatrix(1, display->GetState().stages[1].texCoordGeneration,
                                  RenderMaths::Multiply(RenderMaths::RotationTransposed(viewport->view), axisSwap_));
    }
    DrawParallelPass(display, viewport, chunk, lights, modelView, programs_.parallelProgram, programs_.parallelCombiner,
                     Range());
    if (const Light* spot = PickLight(lights, LightSpot)) {
        SavedBlend saved = BeginAdditive(display, BlendSrcAlpha);
        DrawSpotPass(display, viewport, chunk, *spot, modelView, programs_.spotProgram, programs_.spotCombiner,
                     Range());
        EndAdditive(display, saved);
    }
    ClearDisplayState(display);
}

void KorvelBumpEnvMaterial::RenderNumChunks(Display* display, const Viewport* viewport, GeometryChunk* const* chunks,
                                            const LightList* const* lights, const Matrix16* modelViews, int count, int)
{
    if (!chunks || !modelViews)
        return;
    for (int i = 0; i < count; ++i)
        RenderChunk(display, viewport, chunks[i], lights ? lights[i] : nullptr, modelViews[i], -1);
}

void KorvelBumpEnvMaterial::ClearDisplayState(Display* display)
{
    // Stage 1's reset also drops the reflection's texture matrix.
    display->ResetStage(3);
    KorvelBumpMaterial::ClearDisplayState(display);
}

}  // namespace Zel
