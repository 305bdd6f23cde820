// The bump material plug-ins ("tbumpgloss", "tbumptex", "tbumpenv"): shared caches, the programs they look up, and what a display without bump support falls back to.
#pragma once

#include <cstdint>
#include <string>

#include "mesh/korvel_bump_materials.h"
#include "zel/material_plugin.h"

namespace Zel {

// Program names a bump plug-in looks up, in lookup order.
struct BumpProgramNames {
    const char* parallelProgram;
    const char* spotProgram;
    const char* parallelCombiner;
    const char* spotCombiner;
};

class KorvelBumpMaterialPluginBase : public MaterialPlugin {
public:
    ~KorvelBumpMaterialPluginBase() override;

    // Capabilities 21 and 17, else the plug-in's fallback type.
    bool IsSupported(const Display* display, std::string& fallback) const override;
    // Null without a kernel or when a program cannot be looked up (every
    // program handle is then released; the caches stay).
    Material* CreateMaterial(MaterialManager* manager, RenderKernel* kernel) override;

    const MaterialCaches& GetCaches() const { return caches_; }
    const BumpPrograms& GetPrograms() const { return programs_; }

protected:
    KorvelBumpMaterialPluginBase(const char* typeName, const char* classId, const char* fallback,
                                 const char* const* combiners, int combinerCount, const BumpProgramNames& names,
                                 const BumpProgramNames* second);
    virtual Material* MakeMaterial(MaterialManager* manager) = 0;

    MaterialCaches caches_;
    BumpPrograms programs_;
    BumpPrograms second_;

private:
    void ReleaseAll();
    bool LoadPrograms(RenderKernel* kernel);

    std::string fallback_;
    const char* const* combiners_;
    int combinerCount_;
    BumpProgramNames names_;
    const BumpProgramNames* secondNames_;
    uint64_t kernelSerial_ = 0;
};

class KorvelBumpGlossMaterialPlugin : public KorvelBumpMaterialPluginBase {
public:
    static constexpr const char* ClassId = "F7478888-C721-48AB-B3C0-19621E66554E";
    KorvelBumpGlossMaterialPlugin();

protected:
    Material* MakeMaterial(MaterialManager* manager) override;
};

class KorvelBumpMaterialPlugin : public KorvelBumpMaterialPluginBase {
public:
    static constexpr const char* ClassId = "E34011F3-C721-48ba-B3C0-19621E408CBD";
    KorvelBumpMaterialPlugin();

protected:
    Material* MakeMaterial(MaterialManager* manager) override;
};

class KorvelBumpEnvMaterialPlugin : public KorvelBumpMaterialPluginBase {
public:
    static constexpr const char* ClassId = "0ECEE41C-76E7-47fd-ADBB-0E938E809C03";
    KorvelBumpEnvMaterialPlugin();

protected:
    Material* MakeMaterial(MaterialManager* manager) override;
};

}  // namespace Zel
