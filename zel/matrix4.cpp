// Zel::Matrix4: rotation and translation from a quaternion, products and the general inverse.
#include "zel/matrix4.h"

#include <cmath>
#include <utility>

#include "zel/oriented_box.h"

namespace Zel {

Matrix4 Matrix4::FromRotationTranslation(const float quaternion[4], const float position[3])
{
    float rotation[9];
    MatrixFromQuaternion(quaternion, rotation);
    Matrix4 result;
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c)
            result.m[r][c] = rotation[3 * r + c];
        result.m[3][r] = position[r];
    }
    return result;
}

Matrix4 Matrix4::operator*(const Matrix4& other) const
{
    Matrix4 result;
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            result.m[r][c] =
                m[r][0] * other.m[0][c] + m[r][1] * other.m[1][c] + m[r][2] * other.m[2][c] + m[r][3] * other.m[3][c];
        }
    }
    return result;
}

bool Matrix4::Invert(Matrix4& inverse) const
{
    // Gauss-Jordan with partial pivoting, in double precision.
    double a[4][8];
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            a[r][c] = m[r][c];
            a[r][c + 4] = r == c ? 1.0 : 0.0;
        }
    }
    for (int col = 0; col < 4; ++col) {
        int pivot = col;
        for (int r = col + 1; r < 4; ++r) {
            if (std::fabs(a[r][col]) > std::fabs(a[pivot][col]))
                pivot = r;
        }
        if (!(std::fabs(a[pivot][col]) > 1e-12)) {
            inverse = Matrix4();
            return false;
        }
        if (pivot != col) {
            for (int c = 0; c < 8; ++c)
                std::swap(a[pivot][c], a[col][c]);
        }
        double scale = 1.0 / a[col][col];
        for (int c = 0; c < 8; ++c)
            a[col][c] *= scale;
        for (int r = 0; r < 4; ++r) {
            if (r == col || a[r][col] == 0.0)
                continue;
            double factor = a[r][col];
            for (int c = 0; c < 8; ++c)
                a[r][c] -= factor * a[col][c];
        }
    }
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c)
            inverse.m[r][c] = static_cast<float>(a[r][c + 4]);
    }
    return true;
}

}  // namespace Zel
