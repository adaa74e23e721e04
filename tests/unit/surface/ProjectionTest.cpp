// Single-precision geometry: the view matrix and where the lattice lands on screen.
#include "Fakes.h"
#include "surface/Module1.h"

#include <gtest/gtest.h>

TEST(VectorAngle, addsTheFiveDecimalPiBehindTheEye) {
    EXPECT_EQ(VectorAngle(-1, 0), 3.14159f);
    EXPECT_EQ(VectorAngle(0, -5), 0.0f);
}

TEST(ViewMatrix, defaultEyeGivesTheReferenceMatrixAndAnEyeOnTheHeightAxisNone) {
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
    EXPECT_FALSE(BuildViewMatrix(m, 0, 0, 50));
}

TEST(Projection, latticeCornersAndAxisEndsLandWhereExpected) {
    CoreHarness h;
    h.form.veTable[CellIndex(19, 0)] = 100;
    h.Connect();
    const auto view = [&h](int p, int r) { return h.form.surfacePoints[p][r].view; };
    const struct {
        Vector4 at;
        float x, y;
    } points[] = {
        {view(19, 19), 24.4273f, 0},
        {view(0, 19), 12.2137f, -8.8867f},
        {view(19, 0), 12.2137f, 15.1231f},
        {view(0, 0), 0, 0}, // cell value 100: height 10
        {view(1, 0), 0.6428f, 0.4677f},
        {h.form.axisPoints[0].view, 14.1421f, 10.2899f},
        {h.form.axisPoints[1].view, 14.1421f, -10.2899f},
        {h.form.axisPoints[2].view, 0, 13.7199f},
    };
    for (const auto& p : points) {
        EXPECT_NEAR(p.at[1], p.x, 1e-4);
        EXPECT_NEAR(p.at[2], p.y, 1e-4);
    }
    EXPECT_EQ(h.form.surfacePoints[1][0].world, (Vector4{0, 1, 0, 0, 1.1f}));
}
