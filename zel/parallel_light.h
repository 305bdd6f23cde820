// Zel::ParallelLight: a light particle whose orientation gives the direction of parallel rays.
#pragma once

#include "zel/particle.h"
#include "zel/render_light.h"

namespace Zel {

class ParallelLight : public Particle {
public:
    ParallelLight(const Vector3& p, const Quaternion& q, float lightRange, const Vector4& lightColour,
                  int lightType = LightParallel);

    int type = LightParallel;
    float range = 0;
    Vector4 colour = {0, 0, 0, 1};
    Vector4 ambient = {0, 0, 0, 1};
    Vector4 diffuse = {0, 0, 0, 1};
    Vector4 specular = {0, 0, 0, 1};

    // The record the materials read: the rays run along the light's -z
    // axis, turned into the frame of the tree's top node.
    Light GetLight() const;
};

}  // namespace Zel
