// Zel::Transformation: applying, composing and inverting rigid placements.
#include "zel/transformation.h"

#include "zel/vector3.h"

namespace Zel {

Vector3 Transformation::Apply(const Vector3& point) const
{
    return VectorMaths::Add(orientation.Rotate(point), position);
}

Transformation Transformation::MultiplyTransform(const Transformation& local, const Transformation& parent)
{
    return {parent.Apply(local.position), local.orientation * parent.orientation};
}

Transformation Transformation::Inverse() const
{
    Quaternion inverse = orientation.Conjugate();
    return {VectorMaths::Scale(inverse.Rotate(position), -1.0f), inverse};
}

Matrix4 Transformation::ToMatrix() const
{
    float q[4];
    orientation.ToArray(q);
    return Matrix4::FromRotationTranslation(q, position.data());
}

}  // namespace Zel
