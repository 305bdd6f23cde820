// Scene maths: quaternions against 3x3 rotations (every branch of Set), products in row-vector order, rigid placements and planes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "zel/matrix4.h"
#include "zel/plane.h"
#include "zel/quaternion.h"
#include "zel/transformation.h"

namespace {

constexpr float kPi = 3.14159265358979f;
constexpr float kTolerance = 1e-5f;

struct Turn {
    Zel::Vector3 axis;
    float degrees;
};

// Half turns about each axis leave w at 0 and the trace at -1, so Set must
// take the branch of the largest diagonal term; 120 degrees about (1, 1, 1)
// gives trace 0; the rest take the w branch.
const Turn kTurns[] = {
    {{1, 0, 0}, 0},   {{1, 0, 0}, 180}, {{0, 1, 0}, 180},     {{0, 0, 1}, 180},    {{1, 1, 0}, 180},
    {{0, 1, 1}, 180}, {{1, 1, 1}, 120}, {{1, 1, 1}, -120},    {{1, 0, 0}, 90},     {{0, 1, 0}, -90},
    {{0, 0, 1}, 30},  {{1, -2, 3}, 71}, {{-3, 1, 2}, 179.9f}, {{2, 5, -1}, 0.01f}, {{0, 0, 1}, 359},
};

Zel::Quaternion FromTurn(const Turn& turn)
{
    return Zel::Quaternion::FromAxisAngle(turn.axis, turn.degrees * kPi / 180.0f);
}

void Product3(const float a[9], const float b[9], float out[9])
{
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c)
            out[3 * r + c] = a[3 * r] * b[c] + a[3 * r + 1] * b[3 + c] + a[3 * r + 2] * b[6 + c];
    }
}

void ExpectNear(const Zel::Vector3& got, const Zel::Vector3& want, const char* what)
{
    for (size_t k = 0; k < 3; ++k)
        EXPECT_NEAR(got[k], want[k], 1e-4f) << what << " [" << k << "]";
}

}  // namespace

TEST(SceneMathsTest, SetFromAMatrixRoundTripsEveryTurn)
{
    for (const Turn& turn : kTurns) {
        const Zel::Quaternion q = FromTurn(turn);
        float matrix[9];
        q.ToMatrix(matrix);
        Zel::Quaternion back;
        back.Set(matrix);
        EXPECT_TRUE(back.SameRotation(q, kTolerance)) << turn.degrees;
        EXPECT_NEAR(back.x * back.x + back.y * back.y + back.z * back.z + back.w * back.w, 1.0f, kTolerance);
        float again[9];
        back.ToMatrix(again);
        for (int k = 0; k < 9; ++k)
            EXPECT_NEAR(again[k], matrix[k], kTolerance) << turn.degrees << " element " << k;
    }
}

TEST(SceneMathsTest, SetRoundTripsTenThousandRandomRotations)
{
    // A fixed generator: the same rotations every run.
    uint32_t state = 12345;
    auto next = [&state] {
        state = state * 1664525u + 1013904223u;
        return static_cast<float>(state >> 8) / static_cast<float>(1u << 24) * 2.0f - 1.0f;
    };
    for (int i = 0; i < 10000; ++i) {
        const Zel::Quaternion q = Zel::Quaternion(next(), next(), next(), next()).Normalised();
        float matrix[9];
        q.ToMatrix(matrix);
        Zel::Quaternion back;
        back.Set(matrix);
        if (!back.SameRotation(q, 1e-4f))
            ADD_FAILURE() << "rotation " << i << ": " << q.x << " " << q.y << " " << q.z << " " << q.w;
    }
}

TEST(SceneMathsTest, SetOfAHalfTurnFindsTheAxisFromTheLargestDiagonalTerm)
{
    struct Case {
        float diagonal[3];
        Zel::Quaternion want;
    } cases[] = {
        {{1, -1, -1}, {1, 0, 0, 0}},
        {{-1, 1, -1}, {0, 1, 0, 0}},
        {{-1, -1, 1}, {0, 0, 1, 0}},
    };
    for (const Case& c : cases) {
        const float matrix[9] = {c.diagonal[0], 0, 0, 0, c.diagonal[1], 0, 0, 0, c.diagonal[2]};
        Zel::Quaternion q;
        q.Set(matrix);
        EXPECT_FLOAT_EQ(q.x, c.want.x);
        EXPECT_FLOAT_EQ(q.y, c.want.y);
        EXPECT_FLOAT_EQ(q.z, c.want.z);
        EXPECT_FLOAT_EQ(q.w, 0.0f);
    }
}

TEST(SceneMathsTest, ProductsAndRotationsFollowTheRowVectorMatrices)
{
    const Zel::Vector3 v = {0.3f, -1.7f, 2.2f};
    for (const Turn& first : kTurns) {
        const Zel::Quaternion a = FromTurn(first);
        float ma[9];
        a.ToMatrix(ma);
        // A row vector times the matrix.
        const Zel::Vector3 byMatrix = {v[0] * ma[0] + v[1] * ma[3] + v[2] * ma[6],
                                       v[0] * ma[1] + v[1] * ma[4] + v[2] * ma[7],
                                       v[0] * ma[2] + v[1] * ma[5] + v[2] * ma[8]};
        ExpectNear(a.Rotate(v), byMatrix, "rotate");
        const Zel::Quaternion b = FromTurn({{1, -2, 3}, 71});
        float mb[9], want[9], got[9];
        b.ToMatrix(mb);
        Product3(ma, mb, want);
        (a * b).ToMatrix(got);
        for (int k = 0; k < 9; ++k)
            EXPECT_NEAR(got[k], want[k], 1e-4f) << first.degrees << " element " << k;
        EXPECT_TRUE((a * a.Conjugate()).SameRotation(Zel::Quaternion(), kTolerance));
    }
}

TEST(SceneMathsTest, TransformationsComposeAsTheirMatricesAndInvert)
{
    const Zel::Transformation placements[] = {
        {{0, 0, 0}, {}},
        {{1, 2, 3}, FromTurn({{0, 0, 1}, 90})},
        {{-4, 0.5f, 7}, FromTurn({{1, 1, 1}, 120})},
        {{10, -3, 2}, FromTurn({{1, 0, 0}, 180})},
    };
    const Zel::Vector3 point = {0.25f, 3, -1};
    for (const Zel::Transformation& local : placements) {
        for (const Zel::Transformation& parent : placements) {
            const Zel::Transformation both = Zel::Transformation::MultiplyTransform(local, parent);
            ExpectNear(both.Apply(point), parent.Apply(local.Apply(point)), "compose");
            const Zel::Matrix4 product = local.ToMatrix() * parent.ToMatrix();
            float viaMatrix[3];
            product.TransformPoint(point.data(), viaMatrix);
            ExpectNear(both.Apply(point), {viaMatrix[0], viaMatrix[1], viaMatrix[2]}, "matrix");
        }
        ExpectNear(local.Inverse().Apply(local.Apply(point)), point, "inverse");
    }
}

TEST(SceneMathsTest, APlaneKeepsTheLengthOfItsEdgeCrossProduct)
{
    struct Case {
        Zel::Vector3 a, b, c;
        float normalLengthSquared;
    } cases[] = {
        {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, 1},
        {{1, 1, 1}, {3, 1, 1}, {1, 4, 1}, 36},
        {{0, 0, 0}, {1, 1, 1}, {2, 2, 2}, 0},  // corners on one line
        {{5, 5, 5}, {5, 5, 5}, {1, 2, 3}, 0},  // two corners the same
    };
    for (const Case& c : cases) {
        const Zel::Plane plane = Zel::Plane::FromPoints(c.a, c.b, c.c);
        EXPECT_FLOAT_EQ(plane.NormalLengthSquared(), c.normalLengthSquared);
        for (const Zel::Vector3& corner : {c.a, c.b, c.c})
            EXPECT_NEAR(plane.Evaluate(corner), 0.0f, 1e-5f);
    }
    const Zel::Plane floor = Zel::Plane::FromPoints({0, 0, 0}, {1, 0, 0}, {0, 1, 0});
    EXPECT_FLOAT_EQ(floor.Evaluate({3, 4, 2}), 2.0f);
}
