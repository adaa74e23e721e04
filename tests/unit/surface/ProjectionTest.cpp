#include "Fakes.h"
#include "surface/Module1.h"

#include <gtest/gtest.h>

TEST(VectorAngle, quadrantsAndTheVerticalCase) {
    EXPECT_NEAR(VectorAngle(1, 1), 0.7853982f, 1e-6);
    EXPECT_FLOAT_EQ(VectorAngle(-1, 0), 3.14159f);
    EXPECT_EQ(VectorAngle(0, 5), 0.0f);
    EXPECT_EQ(VectorAngle(0, -5), 0.0f);
}

TEST(Matrices, multiplyAndApplyRowVectors) {
    Matrix4 a{};
    Matrix4 b{};
    Matrix4 p{};
    MatIdentity(a);
    MatIdentity(b);
    a[1][2] = 2.0f;
    b[2][3] = 3.0f;
    MatMultiply(p, a, b);
    EXPECT_EQ(p[1][3], 6.0f);
    EXPECT_EQ(p[1][2], 2.0f);
    EXPECT_EQ(p[4][4], 1.0f);

    Vector4 u{};
    const Vector4 v{0, 1, 2, 3, 2};
    MatApply(u, v, p); // (1, 2+2, 6+6+3, 2) / 2
    EXPECT_EQ(u[1], 0.5f);
    EXPECT_EQ(u[2], 2.0f);
    EXPECT_EQ(u[3], 7.5f);
    EXPECT_EQ(u[4], 1.0f);
}

TEST(ViewMatrix, defaultEyeGivesTheReferenceMatrix) {
    Matrix4 m{};
    ASSERT_TRUE(BuildViewMatrix(m, -40, 40, 60));
    const float expected[4][4] = {{0.707107f, 0.514496f, 0.485071f, 0},
                                  {0.707107f, -0.514496f, -0.485071f, 0},
                                  {0, 0.685994f, -0.727607f, 0},
                                  {0, 0, 0, 1}};
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            EXPECT_NEAR(m[i + 1][j + 1], expected[i][j], 1e-6) << i << "," << j;
        }
    }
}

TEST(ViewMatrix, eyeOnTheHeightAxisHasNoView) {
    Matrix4 m{};
    EXPECT_FALSE(BuildViewMatrix(m, 0, 0, 0));
    EXPECT_FALSE(BuildViewMatrix(m, 0, 0, 50));
}

namespace {

// Connected with the default eye and one full draw done.
struct Projected : ::testing::Test {
    void SetUp() override {
        h.form.veTable[CellIndex(19, 0)] = 100;
        h.Connect();
    }
    const Vector4& View(int p, int r) { return h.form.surfacePoints[p][r].view; }
    CoreHarness h;
};

} // namespace

TEST_F(Projected, latticeCornersAndAxisEndsLandWhereExpected) {
    EXPECT_NEAR(View(19, 19)[1], 24.4273, 1e-4);
    EXPECT_NEAR(View(19, 19)[2], 0.0, 1e-4);
    EXPECT_NEAR(View(0, 19)[1], 12.2137, 1e-4);
    EXPECT_NEAR(View(0, 19)[2], -8.8867, 1e-4);
    EXPECT_NEAR(View(19, 0)[1], 12.2137, 1e-4);
    EXPECT_NEAR(View(19, 0)[2], 15.1231, 1e-4); // cell value 100, height 10
    EXPECT_NEAR(View(0, 0)[1], 0.0, 1e-6);
    EXPECT_NEAR(View(0, 0)[2], 0.0, 1e-6);

    const auto& axes = h.form.axisPoints;
    EXPECT_NEAR(axes[0].view[1], 14.1421, 1e-4);
    EXPECT_NEAR(axes[0].view[2], 10.2899, 1e-4);
    EXPECT_NEAR(axes[1].view[1], 14.1421, 1e-4);
    EXPECT_NEAR(axes[1].view[2], -10.2899, 1e-4);
    EXPECT_NEAR(axes[2].view[1], 0.0, 1e-4);
    EXPECT_NEAR(axes[2].view[2], 13.7199, 1e-4);
}

TEST_F(Projected, flatCornerOfAZeroTableProjectsBelowTheOrigin) {
    h.form.veTable[CellIndex(19, 0)] = 0;
    h.form.BuildSurface();
    EXPECT_NEAR(View(19, 0)[2], 8.8867, 1e-4);
}

TEST_F(Projected, buildingTwiceGivesTheSameWorld) {
    const auto before = h.form.surfacePoints;
    h.form.BuildSurface();
    for (int p = 0; p < 20; ++p) {
        for (int r = 0; r < 20; ++r) {
            EXPECT_EQ(h.form.surfacePoints[p][r].world, before[p][r].world);
        }
    }
    EXPECT_EQ(before[1][0].world, (Vector4{0, 1, 0, 0, 1.1f}));
    EXPECT_EQ(before[19][0].world[3], 10.0f);
}
