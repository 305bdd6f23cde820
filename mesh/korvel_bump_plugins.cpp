// The bump plug-ins: caches acquired in the order alpha-blend, alpha-mask, material-chunk; programs registered, then looked up.
#include "mesh/korvel_bump_plugins.h"

#include "mesh/builtin_program_texts.h"
#include "zel/display.h"
#include "zel/render_kernel.h"
#include "zel/rendering_cache.h"
#include "zel/texture_combiner_manager.h"
#include "zel/vertex_program_manager.h"

namespace Zel {
namespace {

const char* const kBumpCombiners[] = {"KorvelBumpMat_ParallelLight"};
const char* const kBumpEnvCombiners[] = {"KorvelBumpEnvMat_ParallelLight", "KorvelBumpEnvMat_SpotLight"};
const char* const kBumpGlossCombiners[] = {"KorvelBumpGlossMat_ParallelLight", "KorvelBumpGlossMat_SpotLight",
                                           "KorvelBumpRustMat_ParallelLight"};

const BumpProgramNames kBumpNames = {"KorvelBump_ParallelLight", "KorvelBump_SpotLight", "KorvelBumpMat_ParallelLight",
                                     "KorvelBumpMat_ParallelLight"};
const BumpProgramNames kBumpEnvNames = {"KorvelBumpEnv_ParallelLight", "KorvelBumpEnv_SpotLight",
                                        "KorvelBumpEnvMat_ParallelLight", "KorvelBumpEnvMat_SpotLight"};
const BumpProgramNames kBumpGlossNames = {"KorvelBumpGloss_ParallelLight", "KorvelBumpGloss_SpotLight",
                                          "KorvelBumpGlossMat_ParallelLight", "KorvelBumpGlossMat_SpotLight"};
const BumpProgramNames kBumpGlossSecondNames = {"KorvelBump_ParallelLight", "KorvelBump_SpotLight",
                                                "KorvelBumpRustMat_ParallelLight", "KorvelBumpRustMat_ParallelLight"};

template <size_t N>
int Count(const char* const (&)[N])
{
    return static_cast<int>(N);
}

// Looks the four programs up in order; false at the first that is missing.
bool LookUp(VertexProgramManager* programs, TextureCombinerManager* combiners, const BumpProgramNames& names,
            BumpPrograms& out)
{
    out.parallelProgram = programs->Lookup(names.parallelProgram, kBumpVertexProgramSet, kBumpVertexType);
    if (!out.parallelProgram)
        return false;
    out.spotProgram = programs->Lookup(names.spotProgram, kBumpVertexProgramSet, kBumpVertexType);
    if (!out.spotProgram)
        return false;
    out.parallelCombiner = combiners->Lookup(names.parallelCombiner);
    if (!out.parallelCombiner)
        return false;
    out.spotCombiner = combiners->Lookup(names.spotCombiner);
    return out.spotCombiner != nullptr;
}

}  // namespace

KorvelBumpMaterialPluginBase::KorvelBumpMaterialPluginBase(const char* typeName, const char* classId,
                                                           const char* fallback, const char* const* combiners,
                                                           int combinerCount, const BumpProgramNames& names,
                                                           const BumpProgramNames* second)
    : MaterialPlugin(typeName, UId(classId)),
      fallback_(fallback),
      combiners_(combiners),
      combinerCount_(combinerCount),
      names_(names),
      secondNames_(second)
{}

KorvelBumpMaterialPluginBase::~KorvelBumpMaterialPluginBase()
{
    ReleaseAll();
}

void KorvelBumpMaterialPluginBase::ReleaseAll()
{
    ReleaseCaches(caches_);
    programs_.Release();
    second_.Release();
}

bool KorvelBumpMaterialPluginBase::IsSupported(const Display* display, std::string& fallback) const
{
    if (display && display->GetCapability(21) && display->GetCapability(17))
        return true;
    fallback = fallback_;
    return false;
}

bool KorvelBumpMaterialPluginBase::LoadPrograms(RenderKernel* kernel)
{
    if (programs_.Complete())
        return true;
    RegisterBumpPrograms(combiners_, combinerCount_);
    Display* display = kernel->GetDisplay();
    VertexProgramManager* programs = display ? display->GetVertexProgramManager() : nullptr;
    TextureCombinerManager* combiners = display ? display->GetTextureCombinerManager() : nullptr;
    bool found = programs && combiners && LookUp(programs, combiners, names_, programs_) &&
                 (!secondNames_ || LookUp(programs, combiners, *secondNames_, second_));
    if (!found) {
        programs_.Release();
        second_.Release();
    }
    return found;
}

Material* KorvelBumpMaterialPluginBase::CreateMaterial(MaterialManager* manager, RenderKernel* kernel)
{
    if (!kernel)
        return nullptr;
    // What a former kernel gave belongs to it.
    if (kernelSerial_ != kernel->GetSerial()) {
        ReleaseAll();
        kernelSerial_ = kernel->GetSerial();
    }
    AcquireCaches(kernel->GetRenderingCacheManager(), caches_, true);
    if (!LoadPrograms(kernel))
        return nullptr;
    return MakeMaterial(manager);
}

KorvelBumpGlossMaterialPlugin::KorvelBumpGlossMaterialPlugin()
    : KorvelBumpMaterialPluginBase(KorvelBumpGlossMaterial::TypeName, ClassId, "tglossrust", kBumpGlossCombiners,
                                   Count(kBumpGlossCombiners), kBumpGlossNames, &kBumpGlossSecondNames)
{}

Material* KorvelBumpGlossMaterialPlugin::MakeMaterial(MaterialManager* manager)
{
    return new KorvelBumpGlossMaterial(manager, caches_, programs_, second_);
}

KorvelBumpMaterialPlugin::KorvelBumpMaterialPlugin()
    : KorvelBumpMaterialPluginBase(KorvelBumpMaterial::TypeName, ClassId, OneTextureMaterial::UNDECORATED_TYPE,
                                   kBumpCombiners, Count(kBumpCombiners), kBumpNames, nullptr)
{}

Material* KorvelBumpMaterialPlugin::MakeMaterial(MaterialManager* manager)
{
    return new KorvelBumpMaterial(manager, caches_, programs_);
}

KorvelBumpEnvMaterialPlugin::KorvelBumpEnvMaterialPlugin()
    : KorvelBumpMaterialPluginBase(KorvelBumpEnvMaterial::TypeName, ClassId, "tonetexnoalpha", kBumpEnvCombiners,
                                   Count(kBumpEnvCombiners), kBumpEnvNames, nullptr)
{}

Material* KorvelBumpEnvMaterialPlugin::MakeMaterial(MaterialManager* manager)
{
    return new KorvelBumpEnvMaterial(manager, caches_, programs_);
}

}  // namespace Zel
