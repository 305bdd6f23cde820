// Headless render kernel: initialises without a window or GPU; "-render=OpenGL -hidewindow" and "-NullRender" behave alike.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace Zel {

class Display;
class MaterialManager;
class OS;
class RenderingCacheManager;
class SceneGraph;
class SharedTextureCollection;

class RenderKernel {
public:
    // Without a scene graph the kernel makes and owns one; detail is the
    // engine's level-of-detail value.
    RenderKernel(SceneGraph* sceneGraph, float detail);
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
    // Different for every kernel a process makes: plug-ins that keep
    // resources of one kernel notice a new one even at a reused address.
    uint64_t GetSerial() const { return serial_; }
    // The scenes the kernel culls; never null.
    SceneGraph* GetSceneGraph() const { return sceneGraph_; }
    // The renderer named by "-render=" ("" for the null renderer).
    const std::string& GetRendererName() const { return renderer_; }
    // The recording display, the same for both renderers; lives as long as the kernel.
    Display* GetDisplay() const { return display_.get(); }
    // The kernel's material manager (it makes the plug-ins' types), its
    // rendering caches and the display's shared textures.
    MaterialManager* GetMaterialManager() const { return materials_.get(); }
    RenderingCacheManager* GetRenderingCacheManager() const { return caches_.get(); }
    SharedTextureCollection* GetSharedTextureCollection() const { return sharedTextures_.get(); }

private:
    std::unique_ptr<SceneGraph> ownedSceneGraph_;
    SceneGraph* sceneGraph_;
    uint64_t serial_;
    float detail_;
    bool initialised_ = false;
    bool nullRender_ = false;
    std::string renderer_;
    std::unique_ptr<Display> display_;
    std::unique_ptr<SharedTextureCollection> sharedTextures_;
    std::unique_ptr<RenderingCacheManager> caches_;
    // Destroyed first: its materials may hold caches and the display's stage states.
    std::unique_ptr<MaterialManager> materials_;
};

}  // namespace Zel

// Defined by the program (the plug-in registration); optional at link time.
extern "C" void ZelGetPlugins() __attribute__((weak));
