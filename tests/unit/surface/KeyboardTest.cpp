// Form_KeyDown: turning the view, moving the selection and blocks, stepping values.
#include "Fakes.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

struct Keys : ::testing::Test {
    void SetUp() override { h.Connect(); }
    void Press(std::int16_t code, std::int16_t shift = 0) { h.form.Form_KeyDown(code, shift); }
    void Select(int cell) {
        h.form.selectedCell = static_cast<std::int16_t>(cell);
        h.form.selectedColumn = static_cast<std::int16_t>(PressureIndexOf(cell));
        h.form.selectedRow = static_cast<std::int16_t>(RpmIndexOf(cell));
    }
    CoreHarness h;
};

using Sent = std::vector<std::string>;

} // namespace

TEST_F(Keys, ctrlArrowsTurnTheViewAndRedrawEverything) {
    const struct {
        std::int16_t key;
        float x, y, z;
    } cases[] = {{key::kLeft, -47.03f, 31.43f, 60.00f},
                 {key::kRight, -31.43f, 47.04f, 60.00f},
                 {key::kDown, -40.00f, 40.00f, 77.08f},
                 {key::kUp, -40.00f, 40.00f, 33.78f}};
    for (const auto& c : cases) {
        h.Connect();
        h.canvas.ops.clear();
        Press(c.key, key::kCtrl);
        EXPECT_NEAR(h.form.eyeX, c.x, 0.01) << c.key;
        EXPECT_NEAR(h.form.eyeY, c.y, 0.01) << c.key;
        EXPECT_NEAR(h.form.eyeZ, c.z, 0.01) << c.key;
        EXPECT_EQ(h.canvas.of(CanvasOp::Refresh).size(), 1u);
        EXPECT_EQ(h.form.selectedCell, 0);
    }
}

// Clamped at the top (or bottom) the eye stands straight above (below) its old distance.
TEST_F(Keys, elevationStopsAtTheTopAndBottom) {
    for (const auto& [arrow, sign] : {std::pair{key::kDown, 1.0f}, {key::kUp, -1.0f}}) {
        h.Connect();
        for (int i = 0; i < 30; ++i) {
            const float reach = std::hypot(56.5685f, h.form.eyeZ);
            Press(arrow, key::kCtrl);
            EXPECT_NEAR(std::hypot(h.form.eyeX, h.form.eyeY), 56.5685f, 1e-3);
            if (i >= 15) {
                EXPECT_NEAR(h.form.eyeZ, sign * reach, 1e-4f * reach) << i;
            }
        }
    }
}

TEST_F(Keys, valueStepsChangeSendAndShowTheCellAndSaturateSilently) {
    Select(45);
    h.form.veTable[45] = 100;
    h.serial.log.clear();
    Press(key::kEquals);
    Press(key::kMinus, key::kShift);
    Press(key::kMinus);
    EXPECT_EQ(h.serial.sent(), (Sent{"<234,45:101>", "<234,45:100>", "<234,45:99>"}));
    EXPECT_EQ(h.grid.text(6, 3), "99");
    EXPECT_FLOAT_EQ(h.form.surfacePoints[2][5].world[3], 9.9f);

    for (const auto& [value, step] : {std::pair{32767, key::kEquals}, {-32768, key::kMinus}}) {
        h.form.veTable[45] = static_cast<std::int16_t>(value);
        h.serial.log.clear();
        Press(step);
        EXPECT_EQ(h.form.veTable[45], value);
        EXPECT_TRUE(h.serial.sent().empty());
    }
}

TEST_F(Keys, plainArrowsMoveWithinTheLatticeOnly) {
    const struct {
        int from;
        std::int16_t key, shift;
        int to;
    } cases[] = {{385, key::kRight, 0, 385},
                 {380, key::kRight, 0, 380},
                 {18, key::kDown, 0, 19},
                 {379, key::kRight, 0, 399},
                 {385, key::kDown, 0, 386},
                 {19, key::kDown, 0, 19},
                 {0, key::kLeft, 0, 0},
                 {20, key::kLeft, 0, 0},
                 {0, key::kUp, 0, 0},
                 {45, key::kLeft, key::kAlt, 25},
                 {45, key::kLeft, key::kCtrl | key::kShift, 25}};
    for (const auto& c : cases) {
        Select(c.from);
        Press(c.key, c.shift);
        EXPECT_EQ(h.form.selectedCell, c.to) << c.from << " " << c.key;
        EXPECT_EQ(CellIndex(h.form.selectedColumn, h.form.selectedRow), c.to);
    }
}

TEST_F(Keys, aMoveErasesTheOldRingUnmarksTheOldCellAndMarksTheNew) {
    Press(key::kDown); // marks (row 2, col 1)
    h.canvas.ops.clear();
    h.grid.paintLog.clear();
    const Vector4 oldView = h.form.surfacePoints[0][1].view;
    Press(key::kRight);
    const auto circles = h.canvas.of(CanvasOp::Circle);
    ASSERT_EQ(circles.size(), 2u);
    EXPECT_EQ(circles[0].colour, (Rgb{0, 0, 0}));
    EXPECT_EQ(circles[0].a, oldView[1]);
    EXPECT_EQ(circles[1].colour, (Rgb{0, 255, 0}));
    using Paint = std::pair<std::pair<int, int>, Rgb>;
    EXPECT_EQ(h.grid.paintLog,
              (std::vector<Paint>{{{2, 1}, Rgb{0, 0, 80}}, {{2, 2}, Rgb{20, 150, 20}}}));
}

TEST_F(Keys, shiftArrowsGrowABlockAndAPlainMoveClearsIt) {
    Select(CellIndex(5, 2));
    Press(key::kRight, key::kShift);
    Press(key::kRight, key::kShift);
    EXPECT_EQ(h.form.blockActive, -1);
    EXPECT_EQ(h.form.blockColLow, 5);
    EXPECT_EQ(h.form.blockColHigh, 7);
    EXPECT_EQ(h.form.blockRowHigh, 2);
    for (int col = 6; col <= 8; ++col) {
        EXPECT_EQ(h.grid.paint(3, col), (Rgb{20, 150, 20}));
    }
    Press(key::kLeft, key::kShift);
    EXPECT_EQ(h.form.blockColLow, 6);
    Press(key::kDown, key::kShift);
    EXPECT_EQ(h.form.blockRowHigh, 3);
    Press(key::kLeft);
    EXPECT_EQ(h.form.blockActive, 0);
    EXPECT_EQ(h.grid.paint(3, 8), (Rgb{0, 0, 80}));
    EXPECT_EQ(h.grid.paint(4, 7), (Rgb{0, 0, 80}));
}

TEST(BeforeConnect, nothingIsDrawnButValueStepsStillSend) {
    CoreHarness h;
    h.form.BuildSurface();
    EXPECT_EQ(h.grid.textWrites, 440); // the grid is filled all the same
    h.form.Form_KeyDown(key::kLeft, key::kCtrl);
    h.form.Form_KeyDown(key::kEquals, 0);
    EXPECT_EQ(h.serial.sent(), (Sent{"<234,0:1>"}));
    EXPECT_TRUE(h.canvas.of(CanvasOp::LineTo).empty());
    EXPECT_TRUE(h.canvas.of(CanvasOp::Circle).empty());
    EXPECT_EQ(h.form.eyeX, 0.0f);
}
