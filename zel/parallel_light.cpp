// Zel::ParallelLight: the light record of a light particle in the scene's frame.
#include "zel/parallel_light.h"

namespace Zel {

ParallelLight::ParallelLight(const Vector3& p, const Quaternion& q, float lightRange, const Vector4& lightColour,
                             int lightType)
    : type(lightType), range(lightRange), colour(lightColour)
{
    SetLocalTransformation({p, q});
}

Light ParallelLight::GetLight() const
{
    const Transformation global = GetGlobalTransformation();
    Light light;
    light.type = type;
    light.ambient = ambient;
    light.diffuse = {diffuse[0], diffuse[1], diffuse[2]};
    light.specular = {specular[0], specular[1], specular[2]};
    light.direction = global.orientation.Rotate({0, 0, -1});
    light.position = global.position;
    light.range = range;
    return light;
}

}  // namespace Zel
