// The plug-ins of "tonetexnoalpha", "tglossrust", "nofogtex" (one-texture bases) and "tmpfx", with the stage states they make once per display.
#pragma once

#include <cstdint>
#include <string>

#include "zel/material_plugin.h"

namespace Zel {

class KorvelOneTexNoAlphaMaterialPlugin : public OneTextureMaterialPlugin {
public:
    static constexpr const char* ClassId = "4BB6C98F-6FDF-4cb9-9CE2-7E40B2A78626";
    KorvelOneTexNoAlphaMaterialPlugin();
    ~KorvelOneTexNoAlphaMaterialPlugin() override;

    // False without a kernel or display; the state is made once.
    bool CreateStageStates(RenderKernel* kernel);
    // A material whether or not the stage state could be made.
    Material* CreateMaterial(MaterialManager* manager, RenderKernel* kernel) override;
    uint32_t GetStageStateHandle() const { return stageState_; }

private:
    uint32_t stageState_ = 0;
    Display* display_ = nullptr;
    uint64_t kernelSerial_ = 0;
};

class KorvelGlossRustMaterialPlugin : public OneTextureMaterialPlugin {
public:
    static constexpr const char* ClassId = "AFCA4E1B-811A-56EE-89E4-CAB13F9B6712";
    KorvelGlossRustMaterialPlugin();
    ~KorvelGlossRustMaterialPlugin() override;

    // Capability 1, else the engine's one-texture type.
    bool IsSupported(const Display* display, std::string& fallback) const override;
    // All four states or none: a refusal releases the ones made.
    bool CreateStageStates(RenderKernel* kernel);
    Material* CreateMaterial(MaterialManager* manager, RenderKernel* kernel) override;
    int GetNumStageStates() const { return count_; }

private:
    void ReleaseStates();

    int count_ = 0;
    uint32_t states_[4] = {0, 0, 0, 0};
    Display* display_ = nullptr;
    uint64_t kernelSerial_ = 0;
};

class KorvelNoFogMaterialPlugin : public OneTextureMaterialPlugin {
public:
    static constexpr const char* ClassId = "AB84944B-00A6-4a18-8BAF-4664E98075AA";
    KorvelNoFogMaterialPlugin();
    Material* CreateMaterial(MaterialManager* manager, RenderKernel* kernel) override;
};

class KorvelMultiPFXMaterialPlugin : public MaterialPlugin {
public:
    static constexpr const char* ClassId = "643AFE90-426A-46EE-C19F-FFA0A471ABD7";
    KorvelMultiPFXMaterialPlugin();
    ~KorvelMultiPFXMaterialPlugin() override;

    // More than one texture stage, else the engine's one-texture type.
    bool IsSupported(const Display* display, std::string& fallback) const override;
    // Without a kernel: a material with no caches and no stage states.
    Material* CreateMaterial(MaterialManager* manager, RenderKernel* kernel) override;
    const uint32_t* GetStageStates() const { return states_; }

private:
    void Forget();

    MaterialCaches caches_;
    uint32_t states_[2] = {0, 0};
    Display* display_ = nullptr;
    uint64_t kernelSerial_ = 0;
};

}  // namespace Zel
