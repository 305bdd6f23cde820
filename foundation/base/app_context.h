// The application record that main creates and hands to start-up, every command and shutdown.
#pragma once

namespace Zel {
class Camera;
class ResourceSystem;
class RenderKernel;
class OS;
}  // namespace Zel

// Six words in the product's order. The record owns nothing;
// ShutdownApplication destroys what its words point to.
struct AppContext {
    Zel::ResourceSystem* resourceSystem = nullptr;
    Zel::RenderKernel* renderKernel = nullptr;
    void* unusedWord2 = nullptr;  // nothing sets or reads it
    void* unusedWord3 = nullptr;  // nothing sets or reads it
    Zel::OS* os = nullptr;
    // Camera of the template preview; this program leaves it null. When set,
    // the template data manager takes it over (and lights its scene).
    Zel::Camera* previewCamera = nullptr;
};
