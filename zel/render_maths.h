// Small 4x4 helpers the materials and caches need (row vectors, translation in elements 12-14); not a general maths type.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "zel/display_state.h"

namespace Zel {

using Vector3 = std::array<float, 3>;

namespace RenderMaths {

// a then b: a point p goes to (p * a) * b.
inline Matrix16 Multiply(const Matrix16& a, const Matrix16& b)
{
    Matrix16 out{};
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k)
                sum += a[static_cast<size_t>(row * 4 + k)] * b[static_cast<size_t>(k * 4 + column)];
            out[static_cast<size_t>(row * 4 + column)] = sum;
        }
    }
    return out;
}

// Inverse of a rotation plus translation: the 3x3 part transposed, the
// translation negated and rotated back.
inline Matrix16 RigidInverse(const Matrix16& m)
{
    Matrix16 out = kIdentityMatrix;
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column)
            out[static_cast<size_t>(row * 4 + column)] = m[static_cast<size_t>(column * 4 + row)];
    }
    for (int column = 0; column < 3; ++column) {
        float sum = 0.0f;
        for (int k = 0; k < 3; ++k)
            sum += m[static_cast<size_t>(12 + k)] * m[static_cast<size_t>(column * 4 + k)];
        out[static_cast<size_t>(12 + column)] = -sum;
    }
    return out;
}

// The 3x3 part transposed; translation dropped.
inline Matrix16 RotationTransposed(const Matrix16& m)
{
    Matrix16 out = kIdentityMatrix;
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column)
            out[static_cast<size_t>(row * 4 + column)] = m[static_cast<size_t>(column * 4 + row)];
    }
    return out;
}

// Point p * m, divided by w.
inline Vector3 TransformPoint(const Matrix16& m, const Vector3& p)
{
    float out[4];
    for (int column = 0; column < 4; ++column) {
        out[column] = p[0] * m[static_cast<size_t>(column)] + p[1] * m[static_cast<size_t>(4 + column)] +
                      p[2] * m[static_cast<size_t>(8 + column)] + m[static_cast<size_t>(12 + column)];
    }
    float w = out[3] != 0.0f ? out[3] : 1.0f;
    return {out[0] / w, out[1] / w, out[2] / w};
}

// Direction v * m (3x3 part only).
inline Vector3 TransformDirection(const Matrix16& m, const Vector3& v)
{
    Vector3 out{};
    for (int column = 0; column < 3; ++column) {
        out[static_cast<size_t>(column)] = v[0] * m[static_cast<size_t>(column)] +
                                           v[1] * m[static_cast<size_t>(4 + column)] +
                                           v[2] * m[static_cast<size_t>(8 + column)];
    }
    return out;
}

// The engine's fast square root: 1 / invsqrt(s), magic 0x5f3759df, one
// Newton step. Only distances for ordering go through it.
inline float FastSqrt(float s)
{
    if (s <= 0.0f)
        return 0.0f;
    float half = 0.5f * s;
    uint32_t bits;
    std::memcpy(&bits, &s, sizeof bits);
    bits = 0x5f3759dfu - (bits >> 1);
    float y;
    std::memcpy(&y, &bits, sizeof y);
    y = y * (1.5f - half * y * y);
    return 1.0f / y;
}

inline float Clamp01(float v)
{
    return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v);
}

}  // namespace RenderMaths
}  // namespace Zel
