// Zel::Plane: the points p with normal . p + distance = 0; the normal keeps the length it was made with.
#pragma once

#include "zel/render_maths.h"
#include "zel/vector3.h"

namespace Zel {

struct Plane {
    Vector3 normal = {0, 0, 1};
    float distance = 0;

    Plane() = default;
    Plane(const Vector3& n, float d) : normal(n), distance(d) {}
    // The plane of normal n through point.
    static Plane FromNormalAndPoint(const Vector3& n, const Vector3& point) { return {n, -VectorMaths::Dot(n, point)}; }
    // Through three corners, the normal the cross product of the edges
    // b - a and c - a (not made unit length, so its length tells how large
    // the triangle is; a degenerate triangle gives a zero normal).
    static Plane FromPoints(const Vector3& a, const Vector3& b, const Vector3& c)
    {
        return FromNormalAndPoint(VectorMaths::Cross(VectorMaths::Subtract(b, a), VectorMaths::Subtract(c, a)), a);
    }
    // Signed distance scaled by the normal's length.
    float Evaluate(const Vector3& point) const { return VectorMaths::Dot(normal, point) + distance; }
    float NormalLengthSquared() const { return VectorMaths::Dot(normal, normal); }
};

}  // namespace Zel
