// Zel::Quaternion: conversions to and from 3x3 rotations, products and rotation of vectors.
#include "zel/quaternion.h"

#include <cmath>

#include "zel/oriented_box.h"
#include "zel/vector3.h"

namespace Zel {

Quaternion Quaternion::FromAxisAngle(const Vector3& axis, float radians)
{
    float length = VectorMaths::Length(axis);
    if (!(length > 0.0f))
        return {};
    float s = std::sin(radians * 0.5f) / length;
    return {axis[0] * s, axis[1] * s, axis[2] * s, std::cos(radians * 0.5f)};
}

void Quaternion::Set(const float matrix[9])
{
    float q[4];
    QuaternionFromMatrix(matrix, q);
    *this = FromArray(q);
}

void Quaternion::ToMatrix(float matrix[9]) const
{
    float q[4];
    ToArray(q);
    MatrixFromQuaternion(q, matrix);
}

Quaternion Quaternion::Normalised() const
{
    float length = std::sqrt(x * x + y * y + z * z + w * w);
    if (!(length > 0.0f))
        return {};
    return {x / length, y / length, z / length, w / length};
}

Vector3 Quaternion::Rotate(const Vector3& v) const
{
    // v + 2w (u x v) + 2 u x (u x v), u the vector part.
    const Vector3 u = {x, y, z};
    const Vector3 t = VectorMaths::Scale(VectorMaths::Cross(u, v), 2.0f);
    return VectorMaths::Add(VectorMaths::Add(v, VectorMaths::Scale(t, w)), VectorMaths::Cross(u, t));
}

bool Quaternion::SameRotation(const Quaternion& other, float tolerance) const
{
    float dot = x * other.x + y * other.y + z * other.z + w * other.w;
    return std::fabs(std::fabs(dot) - 1.0f) <= tolerance;
}

Quaternion operator*(const Quaternion& first, const Quaternion& second)
{
    // The Hamilton product second (x) first: a row vector turned by first,
    // then by second.
    const Quaternion& a = second;
    const Quaternion& b = first;
    return {a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y, a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x,
            a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w, a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z};
}

}  // namespace Zel
