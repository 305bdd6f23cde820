// Geometric tests shared by the mesh code: ray against triangle, point in triangle, usable triangle plane.
#pragma once

// Moller-Trumbore. A hit is reported only when its distance is below best,
// which it then replaces (a negative distance counts too).
bool IntersectRayTriangle(const float a[3], const float b[3], const float c[3], const float point[3],
                          const float direction[3], bool twoSided, float& best);
// Whether point (in the plane of the corners) lies inside, edges included;
// normal is the triangle's (unnormalised) normal.
bool IsPointInTriangle(const float normal[3], const float point[3], const float a[3], const float b[3],
                       const float c[3]);
// False for triangles with no plane: repeated or collinear corners, NaN.
bool IsValidTrianglePlane(const float a[3], const float b[3], const float c[3]);
