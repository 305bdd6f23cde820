// Zel::LightTarget: keeping the lights and rebuilding the light list when they changed.
#include "zel/light_target.h"

#include <algorithm>

#include "zel/parallel_light.h"

namespace Zel {

LightTarget::~LightTarget() = default;

void LightTarget::AddLight(const ParallelLight* light)
{
    if (light && std::find(lights_.begin(), lights_.end(), light) == lights_.end())
        lights_.push_back(light);
    changed_ = true;
}

void LightTarget::RemoveLight(const ParallelLight* light)
{
    lights_.erase(std::remove(lights_.begin(), lights_.end(), light), lights_.end());
    changed_ = true;
}

void LightTarget::UpdateLighting(Display* display, const Viewport& viewport, const Matrix4& matrix, bool force)
{
    if (changed_ || force)
        CalculateLighting(display, viewport, matrix, 0, nullptr, nullptr);
    changed_ = false;
}

void LightTarget::CalculateLighting(Display* /*display*/, const Viewport& /*viewport*/, const Matrix4& /*matrix*/,
                                    uint32_t /*chunkCount*/, GeometryChunk* const* /*chunks*/,
                                    Material* const* /*materials*/)
{
    records_.clear();
    for (const ParallelLight* light : lights_)
        records_.push_back(light->GetLight());
    // Pointers into records_ are taken only once it is complete.
    lightList_.clear();
    for (const Light& record : records_)
        lightList_.push_back(&record);
    ++calculations_;
}

}  // namespace Zel
