// Zel::Camera: a particle that views a scene from its placement.
#pragma once

#include "zel/particle.h"

namespace Zel {

class Camera : public Particle {
public:
    using Particle::Particle;

    // The scene the camera looks at; not owned.
    void SetScene(Particle* scene) { scene_ = scene; }
    Particle* GetScene() const { return scene_; }

private:
    Particle* scene_ = nullptr;
};

}  // namespace Zel
