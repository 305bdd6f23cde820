// Zel::Transformation: a rigid placement (orientation, then position) with composition and inverse.
#pragma once

#include "zel/matrix4.h"
#include "zel/quaternion.h"
#include "zel/render_maths.h"

namespace Zel {

struct Transformation {
    Vector3 position = {0, 0, 0};
    Quaternion orientation;

    Transformation() = default;
    Transformation(const Vector3& p, const Quaternion& q) : position(p), orientation(q) {}

    // A point of this frame in the frame around it: rotated, then moved.
    Vector3 Apply(const Vector3& point) const;
    // local placed inside parent: local first, then parent (row-vector order).
    static Transformation MultiplyTransform(const Transformation& local, const Transformation& parent);
    // Undoes Apply; the orientation must be of unit length.
    Transformation Inverse() const;
    // R(q) x T(p) as a 4x4 matrix.
    Matrix4 ToMatrix() const;
};

}  // namespace Zel
