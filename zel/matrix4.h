// Zel::Matrix4: a 4 x 4 float matrix in the row-vector convention (a point is a row, v' = v M; translation in row 3).
#pragma once

namespace Zel {

struct Matrix4 {
    float m[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};

    static Matrix4 Identity() { return Matrix4(); }
    // The rotation of a unit quaternion (x, y, z, w) followed by a translation p.
    static Matrix4 FromRotationTranslation(const float quaternion[4], const float position[3]);
    // this x other: apply this, then other.
    Matrix4 operator*(const Matrix4& other) const;
    // The inverse; false (and the identity) when the matrix has no inverse.
    bool Invert(Matrix4& inverse) const;
    // v' = (point, 1) M, the fourth column taken as (0, 0, 0, 1).
    void TransformPoint(const float point[3], float out[3]) const
    {
        for (int k = 0; k < 3; ++k)
            out[k] = point[0] * m[0][k] + point[1] * m[1][k] + point[2] * m[2][k] + m[3][k];
    }
    // Multiplies row r (an axis) by a factor.
    void ScaleRow(int r, float factor)
    {
        for (float& value : m[r])
            value *= factor;
    }
};

}  // namespace Zel
