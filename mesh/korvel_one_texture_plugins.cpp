// The one-texture and multi-PFX plug-ins: their argument sets, stage states and materials.
#include "mesh/korvel_one_texture_plugins.h"

#include "mesh/korvel_multi_pfx_material.h"
#include "mesh/korvel_one_texture_materials.h"
#include "mesh/texture_stage_args.h"
#include "zel/display.h"
#include "zel/render_kernel.h"
#include "zel/rendering_cache.h"

namespace Zel {
namespace {

constexpr TexArg kNone = {0, 3, 3};

const TextureArgs A1 = {0, 2, 0, 1, {{0, 0, 0}, {0, 0, 2}, kNone, kNone}};
const TextureArgs A2 = {0, 1, 1, 0, {{0, 1, 0}, kNone, kNone, kNone}};
const TextureArgs A3 = {1, 1, 0, 7, {{0, 0, 2}, {0, 0, 0}, {0, 0, 3}, kNone}};
const TextureArgs A4 = {1, 1, 1, 0, {{0, 1, 1}, kNone, kNone, kNone}};
const TextureArgs A5 = {0, 1, 1, 1, {{1, 1, 2}, {0, 1, 3}, kNone, kNone}};
const TextureArgs A6 = {1, 1, 0, 7, {{0, 0, 3}, {0, 0, 0}, {0, 1, 0}, kNone}};

// The multi-PFX states: stage 0 and stage 1, colour then alpha.
const TextureArgs kPfx0Colour = {0, 2, 0, 1, {{0, 0, 2}, {0, 0, 0}, kNone, kNone}};
const TextureArgs kPfx0Alpha = {0, 1, 1, 1, {{0, 1, 2}, {0, 1, 0}, kNone, kNone}};
const TextureArgs kPfx1Colour = {1, 1, 0, 0, {{0, 0, 0}, kNone, kNone, kNone}};
const TextureArgs kPfx1Alpha = {1, 1, 1, 1, {{0, 1, 0}, {0, 1, 2}, kNone, kNone}};

}  // namespace

KorvelOneTexNoAlphaMaterialPlugin::KorvelOneTexNoAlphaMaterialPlugin()
    : OneTextureMaterialPlugin("tonetexnoalpha", UId(ClassId))
{}

KorvelOneTexNoAlphaMaterialPlugin::~KorvelOneTexNoAlphaMaterialPlugin()
{
    if (stageState_ && display_)
        display_->ReleaseStageState(stageState_);
}

bool KorvelOneTexNoAlphaMaterialPlugin::CreateStageStates(RenderKernel* kernel)
{
    if (!CreatePluginResources(kernel))
        return false;
    if (kernelSerial_ != kernel->GetSerial()) {
        stageState_ = 0;
        kernelSerial_ = kernel->GetSerial();
    }
    display_ = kernel->GetDisplay();
    if (!stageState_)
        stageState_ = CreateStageState(display_, A1, A2);
    return true;
}

Material* KorvelOneTexNoAlphaMaterialPlugin::CreateMaterial(MaterialManager* manager, RenderKernel* kernel)
{
    CreateStageStates(kernel);
    return new KorvelOneTexNoAlphaMaterial(manager, caches_, kernel ? stageState_ : 0);
}

KorvelGlossRustMaterialPlugin::KorvelGlossRustMaterialPlugin() : OneTextureMaterialPlugin("tglossrust", UId(ClassId)) {}

KorvelGlossRustMaterialPlugin::~KorvelGlossRustMaterialPlugin()
{
    ReleaseStates();
}

void KorvelGlossRustMaterialPlugin::ReleaseStates()
{
    for (int i = 0; i < count_; ++i) {
        if (display_)
            display_->ReleaseStageState(states_[i]);
        states_[i] = 0;
    }
    count_ = 0;
}

bool KorvelGlossRustMaterialPlugin::IsSupported(const Display* display, std::string& fallback) const
{
    if (display && display->GetCapability(1))
        return true;
    fallback = OneTextureMaterial::UNDECORATED_TYPE;
    return false;
}

bool KorvelGlossRustMaterialPlugin::CreateStageStates(RenderKernel* kernel)
{
    if (!CreatePluginResources(kernel))
        return false;
    if (kernelSerial_ != kernel->GetSerial()) {
        count_ = 0;
        kernelSerial_ = kernel->GetSerial();
    }
    display_ = kernel->GetDisplay();
    if (count_ == 4)
        return true;
    const TextureArgs* sets[4][2] = {{&A1, &A2}, {&A3, &A4}, {&A1, &A5}, {&A6, &A4}};
    for (int i = count_; i < 4; ++i) {
        states_[i] = CreateStageState(display_, *sets[i][0], *sets[i][1]);
        if (!states_[i]) {
            ReleaseStates();
            return false;
        }
        count_ = i + 1;
    }
    return true;
}

Material* KorvelGlossRustMaterialPlugin::CreateMaterial(MaterialManager* manager, RenderKernel* kernel)
{
    if (!CreateStageStates(kernel))
        return nullptr;
    return new KorvelGlossRustMaterial(manager, caches_, count_, states_);
}

KorvelNoFogMaterialPlugin::KorvelNoFogMaterialPlugin() : OneTextureMaterialPlugin("nofogtex", UId(ClassId)) {}

Material* KorvelNoFogMaterialPlugin::CreateMaterial(MaterialManager* manager, RenderKernel* kernel)
{
    CreatePluginResources(kernel);
    return new KorvelNoFogMaterial(manager, caches_, defaultStageState_);
}

KorvelMultiPFXMaterialPlugin::KorvelMultiPFXMaterialPlugin() : MaterialPlugin("tmpfx", UId(ClassId)) {}

KorvelMultiPFXMaterialPlugin::~KorvelMultiPFXMaterialPlugin()
{
    ReleaseCaches(caches_);
    for (uint32_t state : states_) {
        if (state && display_)
            display_->ReleaseStageState(state);
    }
}

void KorvelMultiPFXMaterialPlugin::Forget()
{
    ReleaseCaches(caches_);
    // The stage states belonged to a display that may be gone.
    states_[0] = states_[1] = 0;
    display_ = nullptr;
}

bool KorvelMultiPFXMaterialPlugin::IsSupported(const Display* display, std::string& fallback) const
{
    if (!display || display->GetNumTextureStages() > 1)
        return true;
    fallback = OneTextureMaterial::UNDECORATED_TYPE;
    return false;
}

Material* KorvelMultiPFXMaterialPlugin::CreateMaterial(MaterialManager* manager, RenderKernel* kernel)
{
    if (!kernel)
        return new KorvelMultiPFXMaterial(manager, MaterialCaches(), nullptr);
    if (kernelSerial_ != kernel->GetSerial()) {
        Forget();
        kernelSerial_ = kernel->GetSerial();
    }
    AcquireCaches(kernel->GetRenderingCacheManager(), caches_, false);
    Display* display = kernel->GetDisplay();
    if (!states_[0]) {
        states_[0] = CreateStageState(display, kPfx0Colour, kPfx0Alpha);
        if (!states_[0])
            return nullptr;
        display_ = display;
    }
    if (!states_[1]) {
        states_[1] = CreateStageState(display, kPfx1Colour, kPfx1Alpha);
        if (!states_[1]) {
            display->ReleaseStageState(states_[0]);
            states_[0] = 0;
            return nullptr;
        }
    }
    return new KorvelMultiPFXMaterial(manager, caches_, states_);
}

}  // namespace Zel
