// Zel::ViewPoint: what one cull pass sees: the frame, the camera and the particles added for drawing with their matrices.
#pragma once

#include <cstdint>
#include <vector>

#include "zel/matrix4.h"
#include "zel/render_maths.h"

namespace Zel {

class Particle;

class ViewPoint {
public:
    struct Entry {
        Particle* particle = nullptr;
        Matrix4 matrix;
    };

    explicit ViewPoint(uint32_t frameNumber = 0) : frame_(frameNumber) {}

    uint32_t GetFrameNumber() const { return frame_; }
    void SetFrameNumber(uint32_t frame) { frame_ = frame; }
    // The camera's position in the world.
    const Vector3& GetCameraPosition() const { return camera_; }
    void SetCameraPosition(const Vector3& position) { camera_ = position; }

    // Queues particle for drawing with its local-to-world matrix.
    void Add(Particle* particle, const Matrix4& matrix) { entries_.push_back({particle, matrix}); }
    const std::vector<Entry>& GetEntries() const { return entries_; }
    void Clear() { entries_.clear(); }

    // The first mip level worth loading for particle's textures: the
    // distance from the camera to the nearest point of the particle's
    // global bounding sphere, measured in units of textureDetail (the
    // world size of one texel), halves the wanted resolution at every
    // doubling: level floor(log2(distance / textureDetail)), 0 when the
    // camera is within one unit or the detail is not positive, at most 15.
    int CalcWantedMipLevelsForCull(const Particle& particle, float textureDetail) const;

private:
    uint32_t frame_;
    Vector3 camera_ = {0, 0, 0};
    std::vector<Entry> entries_;
};

}  // namespace Zel
