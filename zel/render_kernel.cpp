// Headless render kernel: no window, no GPU; reports the renderer asked for.
#include "zel/render_kernel.h"

#include <atomic>

#include "zel/display.h"
#include "zel/os.h"
#include "zel/plugin.h"
#include "zel/test_hooks.h"

namespace Zel {
namespace {

// The program's plug-in registration has no guard of its own: call it once.
std::atomic<bool> g_pluginsRegistered{false};

}  // namespace

RenderKernel::RenderKernel(void* sceneGraph, float detail)
    : sceneGraph_(sceneGraph), detail_(detail), display_(std::make_unique<Display>())
{}

RenderKernel::~RenderKernel() = default;

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
