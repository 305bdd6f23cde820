// Headless render kernel: no window, no GPU; reports the renderer asked for.
#include "zel/render_kernel.h"

#include <atomic>

#include "zel/display.h"
#include "zel/material_manager.h"
#include "zel/material_texture.h"
#include "zel/rendering_cache_manager.h"
#include "zel/os.h"
#include "zel/plugin.h"
#include "zel/scene_graph.h"
#include "zel/test_hooks.h"

namespace Zel {
namespace {

// The program's plug-in registration has no guard of its own: call it once.
std::atomic<bool> g_pluginsRegistered{false};
std::atomic<uint64_t> g_kernelSerial{0};

}  // namespace

RenderKernel::RenderKernel(SceneGraph* sceneGraph, float detail)
    : ownedSceneGraph_(sceneGraph ? nullptr : std::make_unique<SceneGraph>()),
      sceneGraph_(sceneGraph ? sceneGraph : ownedSceneGraph_.get()),
      serial_(++g_kernelSerial),
      detail_(detail),
      display_(std::make_unique<Display>()),
      sharedTextures_(std::make_unique<SharedTextureCollection>()),
      caches_(std::make_unique<RenderingCacheManager>()),
      materials_(std::make_unique<MaterialManager>(this))
{}

RenderKernel::~RenderKernel()
{
    // Materials first: they hold caches, and plug-ins hold stage states of
    // the display.
    materials_.reset();
    caches_.reset();
}

bool RenderKernel::Init(OS* os, int /*flags*/)
{
    initialised_ = false;
    if (!os)
        return false;
    const Options& options = os->GetOptions();
    if (TestHookForcesFailure(options, "ForceRenderFailure"))
        return false;
    nullRender_ = options.Has("NullRender");
    renderer_ = nullRender_ ? "" : options.Get("render", "");
    PluginBase::CountPluginTypes();  // makes sure the registry exists first
    if (ZelGetPlugins && !g_pluginsRegistered.exchange(true))
        ZelGetPlugins();
    initialised_ = true;
    return true;
}

}  // namespace Zel
