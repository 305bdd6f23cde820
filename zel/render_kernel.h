// Headless render kernel: initialises without a window or GPU; "-render=OpenGL -hidewindow" and "-NullRender" behave alike.
#pragma once

#include <memory>
#include <string>

namespace Zel {

class Display;
class OS;

class RenderKernel {
public:
    // sceneGraph may be null; detail is the engine's level-of-detail value.
    RenderKernel(void* sceneGraph, float detail);
    virtual ~RenderKernel();
    RenderKernel(const RenderKernel&) = delete;
    RenderKernel& operator=(const RenderKernel&) = delete;

    // False on failure. Calls the program's ZelGetPlugins (when linked in)
    // once per process, after the plug-in registry exists. Headless, it always
    // succeeds, except that a build with KORVEL_TEST_HOOKS fails on the OS
    // option "-ForceRenderFailure" while "-NullRender" is absent
    // ("-ForceRenderFailure=always" fails regardless; the environment variable
    // KORVEL_TEST_ForceRenderFailure does the same).
    bool Init(OS* os, int flags = 0);
    bool IsInitialised() const { return initialised_; }
    // True when the options asked for the null renderer.
    bool IsNullRender() const { return nullRender_; }
    float GetDetail() const { return detail_; }
    void* GetSceneGraph() const { return sceneGraph_; }
    // The renderer named by "-render=" ("" for the null renderer).
    const std::string& GetRendererName() const { return renderer_; }
    // The recording display, the same for both renderers; lives as long as the kernel.
    Display* GetDisplay() const { return display_.get(); }

private:
    void* sceneGraph_;
    float detail_;
    bool initialised_ = false;
    bool nullRender_ = false;
    std::string renderer_;
    std::unique_ptr<Display> display_;
};

}  // namespace Zel

// Defined by the program (the plug-in registration); optional at link time.
extern "C" void ZelGetPlugins() __attribute__((weak));
