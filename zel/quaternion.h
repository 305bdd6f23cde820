// Zel::Quaternion: a rotation as (x, y, z, w), in the row-vector convention of Zel::Matrix4.
#pragma once

#include "zel/render_maths.h"

namespace Zel {

struct Quaternion {
    float x = 0, y = 0, z = 0, w = 1;

    Quaternion() = default;
    Quaternion(float qx, float qy, float qz, float qw) : x(qx), y(qy), z(qz), w(qw) {}
    // From and to the (x, y, z, w) arrays the files and bones keep.
    static Quaternion FromArray(const float q[4]) { return {q[0], q[1], q[2], q[3]}; }
    void ToArray(float q[4]) const
    {
        q[0] = x;
        q[1] = y;
        q[2] = z;
        q[3] = w;
    }
    // A turn of angle radians about axis (need not be of unit length; a
    // zero axis gives the identity).
    static Quaternion FromAxisAngle(const Vector3& axis, float radians);

    // From a 3x3 orientation stored by rows (each row an axis); the result is
    // unit length for a rotation matrix, whichever diagonal term is largest.
    void Set(const float matrix[9]);
    // The 3x3 rotation stored by rows.
    void ToMatrix(float matrix[9]) const;

    // The inverse of a unit quaternion.
    Quaternion Conjugate() const { return {-x, -y, -z, w}; }
    // Unit length; the identity for a zero quaternion.
    Quaternion Normalised() const;
    // v' = v R, as a point row-multiplied by ToMatrix.
    Vector3 Rotate(const Vector3& v) const;
    // True when both describe the same rotation within tolerance (q and -q are the same).
    bool SameRotation(const Quaternion& other, float tolerance) const;
};

// first then second: ToMatrix(first * second) == ToMatrix(first) x ToMatrix(second),
// matching Matrix4's product order.
Quaternion operator*(const Quaternion& first, const Quaternion& second);

}  // namespace Zel
