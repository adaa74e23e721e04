// Single-precision geometry: the view matrix and where the lattice lands on screen.
#include "Fakes.h"
#include "marker/RegionFromPicture.h"
#include "surface/Module1.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>

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

// The kept projection and marker shape must be exactly what computing them afresh gives.
TEST(Projection, keptViewAndShapeEqualFreshOnesBitForBitAfterEveryKindOfEvent) {
    const auto vetFile = std::filesystem::temp_directory_path() / "tvx-projection.vet";
    std::ofstream(vetFile, std::ios::binary) << std::string(400, '\x33');
    for (Release release : {Release::V17, Release::V12}) {
        CoreHarness h(release);
        const std::pair<const char*, std::function<void()>> events[] = {
            {"download", [&] { h.ConnectWithTable(TableReplyText([](int i) { return i; })); }},
            {"real time", [&] { h.form.btnRT_Click(); }},
            {"record", [&] { h.Receive("255,20,3000,1,2,3,4"); }},
            {"move", [&] { h.form.Form_KeyDown(key::kRight, 0); }},
            {"value step", [&] { h.form.Form_KeyDown(key::kEquals, 0); }},
            {"rotation", [&] { h.form.Form_KeyDown(key::kLeft, key::kCtrl); }},
            {"shift arrow", [&] { h.form.Form_KeyDown(key::kDown, key::kShift); }},
            {"load", [&] { h.form.LoadAndSendTable(vetFile.string()); }},
            {"record", [&] { h.Receive("255,30,6000,1,2,3,4"); }},
        };
        for (const auto& [name, event] : events) {
            event();
            Matrix4 m{};
            ASSERT_TRUE(BuildViewMatrix(m, h.form.eyeX, h.form.eyeY, h.form.eyeZ));
            for (const auto& column : h.form.surfacePoints) {
                for (const SurfacePoint& point : column) {
                    Vector4 fresh{};
                    MatApply(fresh, point.world, m);
                    ASSERT_EQ(std::memcmp(&fresh, &point.view, sizeof fresh), 0) << name;
                }
            }
            if (h.form.markerRegion) {
                EXPECT_EQ(*h.form.markerRegion, RegionFromPicture(h.marker)) << name;
            }
        }
    }
    std::filesystem::remove(vetFile);
}
