// Small 3-vector arithmetic for the scene maths: sums, products, lengths.
#pragma once

#include <cmath>

#include "zel/render_maths.h"

namespace Zel::VectorMaths {

inline Vector3 Add(const Vector3& a, const Vector3& b)
{
    return {a[0] + b[0], a[1] + b[1], a[2] + b[2]};
}

inline Vector3 Subtract(const Vector3& a, const Vector3& b)
{
    return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}

inline Vector3 Scale(const Vector3& a, float factor)
{
    return {a[0] * factor, a[1] * factor, a[2] * factor};
}

inline float Dot(const Vector3& a, const Vector3& b)
{
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

inline Vector3 Cross(const Vector3& a, const Vector3& b)
{
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

inline float Length(const Vector3& a)
{
    return std::sqrt(Dot(a, a));
}

}  // namespace Zel::VectorMaths
