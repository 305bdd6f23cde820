// Engine oriented box: principal axes of a point set, the extents along them, and the eight corners.
#pragma once

#include <cstddef>
#include <cstdint>

namespace Zel {

// Quaternion (x, y, z, w) of a 3x3 rotation matrix stored by rows (row vectors).
void QuaternionFromMatrix(const float matrix[9], float quaternion[4]);
// The 3x3 matrix (rows) of a unit quaternion.
void MatrixFromQuaternion(const float quaternion[4], float matrix[9]);

struct OrientedBox {
    float centre[3] = {0, 0, 0};
    float axes[3][3] = {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}};  // unit axes by rows
    float extents[3] = {0, 0, 0};                          // half sizes along the axes

    // Fits the box to count points read from a strided stream of 3 floats.
    void Fit(const uint8_t* points, size_t stride, size_t count);
    void CalcCorners(float corners[8][3]) const;
};

}  // namespace Zel
