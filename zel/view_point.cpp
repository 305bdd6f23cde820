// Zel::ViewPoint: the mip level a particle's distance from the camera asks for.
#include "zel/view_point.h"

#include <cmath>

#include "zel/particle.h"
#include "zel/vector3.h"

namespace Zel {

int ViewPoint::CalcWantedMipLevelsForCull(const Particle& particle, float textureDetail) const
{
    constexpr int kDeepestLevel = 15;
    if (!(textureDetail > 0.0f))
        return 0;
    const BoundingSphere sphere = particle.GetGlobalBoundingSphere();
    const float distance = VectorMaths::Length(VectorMaths::Subtract(sphere.centre, camera_)) - sphere.radius;
    const float units = distance / textureDetail;
    if (!(units > 1.0f))
        return 0;
    const float level = std::floor(std::log2(units));
    return level >= kDeepestLevel ? kDeepestLevel : static_cast<int>(level);
}

}  // namespace Zel
