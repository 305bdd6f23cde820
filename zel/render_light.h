// What a draw is lit and seen by: lights as the materials read them, light lists and the viewport's camera.
#pragma once

#include <vector>

#include "zel/display_state.h"
#include "zel/render_maths.h"

namespace Zel {

// Light type codes the materials test.
enum LightType : int { LightAmbient = 0, LightPoint = 1, LightSpot = 2, LightParallel = 3 };

struct Light {
    int type = LightParallel;
    Vector4 ambient = {0, 0, 0, 1};
    Vector3 diffuse = {0, 0, 0};
    Vector3 specular = {0, 0, 0};
    Vector3 direction = {0, 0, -1};  // world space
    Vector3 position = {0, 0, 0};    // world space
    float spotAngle = 30.0f;         // degrees
    float range = 100.0f;
};

using LightList = std::vector<const Light*>;

// The camera a draw is seen by.
struct Viewport {
    Matrix16 view = kIdentityMatrix;  // world space to camera space
    Vector3 cameraPosition = {0, 0, 0};
};

}  // namespace Zel
