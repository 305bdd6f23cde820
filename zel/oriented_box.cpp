// Engine oriented box: covariance eigenvectors by Jacobi rotations, extents by projection.
#include "zel/oriented_box.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace Zel {

void QuaternionFromMatrix(const float m[9], float q[4])
{
    float trace = m[0] + m[4] + m[8];
    if (trace > 0.0f) {
        float s = std::sqrt(trace + 1.0f) * 2.0f;
        q[3] = 0.25f * s;
        q[0] = (m[5] - m[7]) / s;
        q[1] = (m[6] - m[2]) / s;
        q[2] = (m[1] - m[3]) / s;
    } else if (m[0] > m[4] && m[0] > m[8]) {
        float s = std::sqrt(1.0f + m[0] - m[4] - m[8]) * 2.0f;
        q[3] = (m[5] - m[7]) / s;
        q[0] = 0.25f * s;
        q[1] = (m[3] + m[1]) / s;
        q[2] = (m[6] + m[2]) / s;
    } else if (m[4] > m[8]) {
        float s = std::sqrt(1.0f + m[4] - m[0] - m[8]) * 2.0f;
        q[3] = (m[6] - m[2]) / s;
        q[0] = (m[3] + m[1]) / s;
        q[1] = 0.25f * s;
        q[2] = (m[7] + m[5]) / s;
    } else {
        float s = std::sqrt(1.0f + m[8] - m[0] - m[4]) * 2.0f;
        q[3] = (m[1] - m[3]) / s;
        q[0] = (m[6] + m[2]) / s;
        q[1] = (m[7] + m[5]) / s;
        q[2] = 0.25f * s;
    }
}

void MatrixFromQuaternion(const float q[4], float m[9])
{
    float x = q[0], y = q[1], z = q[2], w = q[3];
    m[0] = 1 - 2 * (y * y + z * z);
    m[1] = 2 * (x * y + z * w);
    m[2] = 2 * (x * z - y * w);
    m[3] = 2 * (x * y - z * w);
    m[4] = 1 - 2 * (x * x + z * z);
    m[5] = 2 * (y * z + x * w);
    m[6] = 2 * (x * z + y * w);
    m[7] = 2 * (y * z - x * w);
    m[8] = 1 - 2 * (x * x + y * y);
}

namespace {

// Eigenvectors of a symmetric 3x3 matrix (columns of v) by cyclic Jacobi.
void Jacobi(double a[3][3], double v[3][3])
{
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j)
            v[i][j] = i == j ? 1.0 : 0.0;
    }
    for (int sweep = 0; sweep < 50; ++sweep) {
        double off = std::fabs(a[0][1]) + std::fabs(a[0][2]) + std::fabs(a[1][2]);
        if (off < 1e-30)
            return;
        for (int p = 0; p < 2; ++p) {
            for (int q = p + 1; q < 3; ++q) {
                if (std::fabs(a[p][q]) < 1e-300)
                    continue;
                double theta = (a[q][q] - a[p][p]) / (2.0 * a[p][q]);
                double t = (theta >= 0 ? 1.0 : -1.0) / (std::fabs(theta) + std::sqrt(theta * theta + 1.0));
                double c = 1.0 / std::sqrt(t * t + 1.0), s = t * c;
                for (int k = 0; k < 3; ++k) {
                    double akp = a[k][p], akq = a[k][q];
                    a[k][p] = c * akp - s * akq;
                    a[k][q] = s * akp + c * akq;
                }
                for (int k = 0; k < 3; ++k) {
                    double apk = a[p][k], aqk = a[q][k];
                    a[p][k] = c * apk - s * aqk;
                    a[q][k] = s * apk + c * aqk;
                }
                for (int k = 0; k < 3; ++k) {
                    double vkp = v[k][p], vkq = v[k][q];
                    v[k][p] = c * vkp - s * vkq;
                    v[k][q] = s * vkp + c * vkq;
                }
            }
        }
    }
}

}  // namespace

void OrientedBox::Fit(const uint8_t* points, size_t stride, size_t count)
{
    *this = OrientedBox();
    if (!points || count == 0)
        return;
    auto point = [&](size_t i, double out[3]) {
        float p[3];
        memcpy(p, points + i * stride, sizeof p);
        out[0] = p[0], out[1] = p[1], out[2] = p[2];
    };
    double mean[3] = {0, 0, 0}, p[3];
    for (size_t i = 0; i < count; ++i) {
        point(i, p);
        for (int k = 0; k < 3; ++k)
            mean[k] += p[k];
    }
    for (double& m : mean)
        m /= static_cast<double>(count);
    double cov[3][3] = {};
    for (size_t i = 0; i < count; ++i) {
        point(i, p);
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 3; ++c)
                cov[r][c] += (p[r] - mean[r]) * (p[c] - mean[c]);
        }
    }
    double v[3][3];
    Jacobi(cov, v);
    double low[3] = {1e300, 1e300, 1e300}, high[3] = {-1e300, -1e300, -1e300};
    for (size_t i = 0; i < count; ++i) {
        point(i, p);
        for (int a = 0; a < 3; ++a) {
            double d = p[0] * v[0][a] + p[1] * v[1][a] + p[2] * v[2][a];
            low[a] = std::min(low[a], d);
            high[a] = std::max(high[a], d);
        }
    }
    for (int a = 0; a < 3; ++a) {
        double middle = (low[a] + high[a]) / 2.0;
        extents[a] = static_cast<float>((high[a] - low[a]) / 2.0);
        for (int k = 0; k < 3; ++k) {
            axes[a][k] = static_cast<float>(v[k][a]);
            centre[k] += static_cast<float>(middle * v[k][a]);
        }
    }
}

void OrientedBox::CalcCorners(float corners[8][3]) const
{
    for (int i = 0; i < 8; ++i) {
        for (int k = 0; k < 3; ++k) {
            corners[i][k] = centre[k];
            for (int a = 0; a < 3; ++a) {
                float sign = (i >> a & 1) ? 1.0f : -1.0f;
                corners[i][k] += sign * extents[a] * axes[a][k];
            }
        }
    }
}

}  // namespace Zel
