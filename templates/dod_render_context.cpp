// The data manager's render context and the start-up registration of the product materials' vertex types through dummy materials.
#include <array>
#include <atomic>
#include <cstring>
#include <mutex>

#include "foundation/base/app_context.h"
#include "foundation/base/logging.h"
#include "mesh/korvel_alpha_blend_cache.h"
#include "templates/dod_data_manager.h"
#include "zel/camera.h"
#include "zel/display.h"
#include "zel/material_manager.h"
#include "zel/material_texture.h"
#include "zel/parallel_light.h"
#include "zel/particle.h"
#include "zel/render_kernel.h"
#include "zel/rendering_cache.h"
#include "zel/rendering_cache_manager.h"
#include "zel/scene_graph.h"

namespace DODLib {
namespace {

Zel::RenderKernel* publishedKernel = nullptr;

// The dummy materials, in the order they are asked for. A failure of the
// first nine is logged and the registration goes on; after one of the
// last five it stops.
constexpr const char* kDummyMaterials[] = {
    "KorvelDummyLoad.m.tbumptex",       "KorvelDummyLoad.m.tbumpcoltex",   "KorvelDummyLoad.m.tbumpglosscol",
    "KorvelDummyLoad.m.tbumpenv",       "KorvelDummyLoad.m.tgroundonetex", "KorvelDummyLoad.m.tgroundonetexvs",
    "KorvelDummyLoad.m.tonetexnoalpha", "KorvelDummyLoad.m.tbumpgloss",    "KorvelDummyLoad.m.tglossrust",
    "KorvelDummyLoad.m.notex",          "KorvelDummyLoad.m.onetex",        "KorvelDummyLoad.m.nofogtex",
    "KorvelDummyLoad.m.gloss",          "KorvelDummyLoad.m.reflect",
};
constexpr size_t kDummyCount = sizeof kDummyMaterials / sizeof kDummyMaterials[0];
constexpr size_t kGoesOnBelow = 9;
constexpr size_t kNotex = 9, kOnetex = 10, kGloss = 12, kReflect = 13;

struct Registration {
    bool registered = false;
    std::array<Zel::RenderingCache*, 3> caches{};
    std::array<Zel::Material*, kDummyCount> materials{};
    std::array<Zel::GeometryChunk*, 4> chunks{};
    int chunkCount = 0;
};

Registration registration;

// Mesh checks run as jobs: two workers may reach for the kernel at once,
// and both must find the registration finished.
std::mutex firstUseLock;
std::atomic<bool> registrationAtFirstUse{false};

}  // namespace

bool DataManager::InitialiseRenderContext(AppContext& context)
{
    // A second binding replaces the first: its scene leaves the old
    // kernel's graph before the new one is made.
    ReleaseRenderContext();
    resourceSystem_ = context.resourceSystem;
    renderKernel_ = context.renderKernel;
    os_ = context.os;
    rootParticle_ = std::make_unique<Zel::Particle>();
    if (renderKernel_)
        renderKernel_->GetSceneGraph()->AddScene(rootParticle_.get());
    // Only a preview names a camera; this program's start-up never does.
    if (context.previewCamera)
        LightPreviewScene(context);
    // The record's preview object is never set in this program.
    publishedKernel = renderKernel_;
    return true;
}

void DataManager::LightPreviewScene(AppContext& context)
{
    // The record gives the camera up: the manager deletes it at teardown.
    camera_.reset(context.previewCamera);
    context.previewCamera = nullptr;
    camera_->SetScene(rootParticle_.get());
    auto light = std::make_unique<Zel::ParallelLight>(Zel::Vector3{0, 0, 0}, camera_->GetOrientation(), 100000.0f,
                                                      Zel::Vector4{0, 0, 0, 1}, Zel::LightParallel);
    // Flag bit 1: a light draws nothing, so culling passes over it.
    light->SetFlag(Zel::ParticleFlagHidden, true);
    light->ambient = {0.1f, 0.1f, 0.1f, 1};
    light->diffuse = {0.7f, 0.7f, 0.7f, 1};
    light->specular = {0.6f, 0.6f, 0.6f, 1};
    // Fog mode 3 at a density that never shows: the preview's materials
    // keep their fog set-up without darkening the mesh.
    if (renderKernel_)
        renderKernel_->GetDisplay()->SetFog(3, 1e-18f);
    light_ = rootParticle_->Add(std::move(light));
}

void DataManager::ReleaseRenderContext()
{
    // Loaded meshes hang under the root and hold the light: they go first,
    // or the root would delete what the mesh map still owns.
    ReleaseLoadedMeshes();
    if (rootParticle_ && renderKernel_)
        renderKernel_->GetSceneGraph()->UnlinkScene(rootParticle_.get());
    camera_.reset();
    light_ = nullptr;
    rootParticle_.reset();
    // The kernel outlives the manager only briefly (the application deletes
    // it next): nothing may reach it through the published pointer after.
    if (publishedKernel == renderKernel_)
        publishedKernel = nullptr;
}

Zel::RenderKernel* DataManager::GetPublishedRenderKernel()
{
    if (registrationAtFirstUse.load(std::memory_order_acquire)) {
        std::lock_guard<std::mutex> hold(firstUseLock);
        if (registrationAtFirstUse.load(std::memory_order_relaxed) && publishedKernel) {
            RegisterKorvelBumpVertexType();
            registrationAtFirstUse.store(false, std::memory_order_release);
        }
    }
    return publishedKernel;
}

void DataManager::RegisterKorvelBumpVertexTypeAtFirstUse()
{
    std::lock_guard<std::mutex> hold(firstUseLock);
    if (!registration.registered)
        registrationAtFirstUse.store(true, std::memory_order_release);
}

void DataManager::RegisterKorvelBumpVertexType()
{
    Zel::RenderKernel* kernel = publishedKernel;
    if (registration.registered || !kernel)
        return;
    Zel::RenderingCacheManager* caches = kernel->GetRenderingCacheManager();
    registration.caches = {new Zel::KorvelAlphaBlendCache(), new Zel::AlphaBlendCacheUnsorted(),
                           new Zel::UnsortedAlphaBlendCache(1)};
    for (Zel::RenderingCache* cache : registration.caches)
        caches->AddCache(cache);
    registration.chunkCount = 0;
    registration.registered = true;

    Zel::MaterialManager* materials = kernel->GetMaterialManager();
    const size_t prefix = std::strlen("KorvelDummyLoad.");
    for (size_t i = 0; i < kDummyCount; ++i) {
        Zel::Material* material = nullptr;
        if (materials->Request(kDummyMaterials[i], material) != Zel::MaterialManager::RequestOk || !material) {
            LogMessage("DataManager::RegisterKorvelBumpVertexType> Unable to load '%s'", kDummyMaterials[i] + prefix);
            if (i < kGoesOnBelow)
                continue;
            return;
        }
        registration.materials[i] = material;
    }

    Zel::SharedTextureCollection* shared = kernel->GetSharedTextureCollection();
    Zel::Texture* white = shared ? shared->GetTexture(0) : nullptr;
    if (!white) {
        LogMessage("DataManager::RegisterKorvelBumpVertexType> SharedTextureCollection failed");
        return;
    }
    registration.materials[kGloss]->SetTextureRef(9, white, 1.0f);
    registration.materials[kReflect]->SetTextureRef(9, white, 1.0f);
    white->ReleaseReference();

    // Option bit 1 (dynamic) only, then weight limit 4, matrix limit 24 and
    // float weights.
    Zel::StandardChunkHint hint;
    hint.options = 2;
    hint.weightLimit = 4;
    hint.matrixLimit = 24;
    hint.floatWeights = true;
    for (size_t i : {kNotex, kOnetex, kGloss, kReflect}) {
        Zel::GeometryChunk* chunk = registration.materials[i]->CreateGeometryChunk(3, 1, 3, 0, Zel::GeometryList, hint);
        if (chunk)
            registration.chunks[static_cast<size_t>(registration.chunkCount++)] = chunk;
    }
}

void DataManager::ReleaseBumpVertexTypes()
{
    {
        std::lock_guard<std::mutex> hold(firstUseLock);
        registrationAtFirstUse.store(false, std::memory_order_relaxed);
    }
    if (!registration.registered)
        return;
    registration.registered = false;
    for (int i = 0; i < registration.chunkCount; ++i) {
        registration.chunks[static_cast<size_t>(i)]->ReleaseReference();
        registration.chunks[static_cast<size_t>(i)] = nullptr;
    }
    registration.chunkCount = 0;
    for (Zel::Material*& material : registration.materials) {
        if (material)
            material->ReleaseReference();
        material = nullptr;
    }
    for (Zel::RenderingCache*& cache : registration.caches) {
        if (cache)
            cache->ReleaseReference();
        cache = nullptr;
    }
}

}  // namespace DODLib
