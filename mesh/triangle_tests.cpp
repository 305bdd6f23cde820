// Geometric tests shared by the mesh code.
#include "mesh/triangle_tests.h"

#include <cmath>

namespace {

void Sub(const float a[3], const float b[3], float out[3])
{
    out[0] = a[0] - b[0], out[1] = a[1] - b[1], out[2] = a[2] - b[2];
}

void Cross(const float a[3], const float b[3], float out[3])
{
    out[0] = a[1] * b[2] - a[2] * b[1];
    out[1] = a[2] * b[0] - a[0] * b[2];
    out[2] = a[0] * b[1] - a[1] * b[0];
}

float Dot(const float a[3], const float b[3])
{
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

}  // namespace

bool IntersectRayTriangle(const float a[3], const float b[3], const float c[3], const float point[3],
                          const float direction[3], bool twoSided, float& best)
{
    constexpr float kEpsilon = 0.000001f;
    float e1[3], e2[3], p[3], s[3], q[3];
    Sub(b, a, e1);
    Sub(c, a, e2);
    Cross(direction, e2, p);
    float det = Dot(e1, p);
    Sub(point, a, s);
    Cross(s, e1, q);
    float t;
    if (twoSided) {
        if (det > -kEpsilon && det < kEpsilon)
            return false;
        float inverse = 1.0f / det;
        float u = Dot(s, p) * inverse;
        if (u < 0.0f || u > 1.0f)
            return false;
        float v = Dot(direction, q) * inverse;
        if (v < 0.0f || u + v > 1.0f)
            return false;
        t = Dot(e2, q) * inverse;
    } else {
        if (det < kEpsilon)
            return false;
        float u = Dot(s, p);
        if (u < 0.0f || u > det)
            return false;
        float v = Dot(direction, q);
        if (v < 0.0f || u + v > det)
            return false;
        t = Dot(e2, q) / det;
    }
    if (!(t < best))
        return false;
    best = t;
    return true;
}

bool IsPointInTriangle(const float n[3], const float point[3], const float a[3], const float b[3], const float c[3])
{
    float ax = std::fabs(n[0]), ay = std::fabs(n[1]), az = std::fabs(n[2]);
    int k;
    if (ay > az)
        k = ax > ay ? 0 : 1;
    else
        k = ax > az ? 0 : 2;
    int f = (k + 1) % 3, g = (k + 2) % 3;
    const float* edges[3][2] = {{c, a}, {a, b}, {b, c}};
    for (const auto& edge : edges) {
        const float* from = edge[0];
        const float* to = edge[1];
        float value = n[k] * ((to[f] - from[f]) * (point[g] - from[g]) - (to[g] - from[g]) * (point[f] - from[f]));
        if (value < 0.0f)
            return false;
    }
    return true;
}

bool IsValidTrianglePlane(const float a[3], const float b[3], const float c[3])
{
    float e1[3], e2[3], n[3];
    Sub(b, a, e1);
    Sub(c, a, e2);
    Cross(e1, e2, n);
    float length = std::sqrt(Dot(n, n));
    // The plane keeps a unit normal: a usable triangle gives length 1, a
    // degenerate one 0 (or NaN, which fails the comparison too).
    if (!(length > 0.0f) || !std::isfinite(length))
        return false;
    float unit[3] = {n[0] / length, n[1] / length, n[2] / length};
    return Dot(unit, unit) >= 0.1f;
}
