// Zel::LightTarget: the lights an object is lit by, the mark that they changed, and the light list its materials read.
#pragma once

#include <cstdint>
#include <vector>

#include "zel/matrix4.h"
#include "zel/render_light.h"

namespace Zel {

class Display;
class GeometryChunk;
class Material;
class ParallelLight;

class LightTarget {
public:
    virtual ~LightTarget();

    // Lights are not owned; the scene keeps them. A light added twice (or
    // null) is taken once. Either call marks the lighting changed.
    void AddLight(const ParallelLight* light);
    void RemoveLight(const ParallelLight* light);
    const std::vector<const ParallelLight*>& GetLights() const { return lights_; }

    // A new copy of the object is lit by the same lights, with the same mark.
    void InitInstance(LightTarget& target) const
    {
        target.lights_ = lights_;
        target.changed_ = changed_;
    }

    // Sets or clears the mark that asks for the lighting to be worked out again.
    virtual void SetUpdateLighting(bool value) { changed_ = value; }
    bool IsLightingChanged() const { return changed_; }
    void ClearLightingChanged() { changed_ = false; }

    // When the lights changed or force is set: CalculateLighting without
    // chunks, then the mark is cleared.
    virtual void UpdateLighting(Display* display, const Viewport& viewport, const Matrix4& matrix, bool force);
    // Rebuilds the light list from the lights' present placements; the
    // chunks and materials are those being lit (the list serves them all).
    // Objects that light their chunks themselves extend it.
    virtual void CalculateLighting(Display* display, const Viewport& viewport, const Matrix4& matrix,
                                   uint32_t chunkCount, GeometryChunk* const* chunks, Material* const* materials);
    // The list the materials' CacheChunk receives.
    const LightList& GetLightList() const { return lightList_; }
    // How often the lighting was worked out.
    uint32_t GetCalculationCount() const { return calculations_; }

private:
    std::vector<const ParallelLight*> lights_;
    std::vector<Light> records_;
    LightList lightList_;
    bool changed_ = false;
    uint32_t calculations_ = 0;
};

}  // namespace Zel
