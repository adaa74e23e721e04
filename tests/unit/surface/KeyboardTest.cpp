#include "Fakes.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

struct Keys : ::testing::Test {
    void SetUp() override { h.Connect(); }
    void Press(std::int16_t code, std::int16_t shift = 0) { h.form.Form_KeyDown(code, shift); }
    void Select(int cell) {
        h.form.selectedCell = static_cast<std::int16_t>(cell);
        h.form.selectedColumn = static_cast<std::int16_t>(cell / 20);
        h.form.selectedRow = static_cast<std::int16_t>(cell % 20);
    }
    void ExpectEye(float x, float y, float z) {
        EXPECT_NEAR(h.form.eyeX, x, 0.01);
        EXPECT_NEAR(h.form.eyeY, y, 0.01);
        EXPECT_NEAR(h.form.eyeZ, z, 0.01);
    }
    CoreHarness h;
};

} // namespace

TEST_F(Keys, ctrlArrowsTurnTheView) {
    Press(key::kLeft, key::kCtrl);
    ExpectEye(-47.03f, 31.43f, 60.00f);
    h.Connect();
    Press(key::kRight, key::kCtrl);
    ExpectEye(-31.43f, 47.04f, 60.00f);
    h.Connect();
    Press(key::kDown, key::kCtrl);
    ExpectEye(-40.00f, 40.00f, 77.08f);
    h.Connect();
    Press(key::kUp, key::kCtrl);
    ExpectEye(-40.00f, 40.00f, 33.78f);
}

TEST_F(Keys, rotationRedrawsEverythingAndElevationStopsAtTheTop) {
    h.canvas.ops.clear();
    Press(key::kDown, key::kCtrl);
    EXPECT_EQ(h.canvas.of(CanvasOp::Refresh).size(), 1u);
    for (int i = 0; i < 30; ++i) {
        Press(key::kDown, key::kCtrl);
        const float horizontal = std::hypot(h.form.eyeX, h.form.eyeY);
        EXPECT_NEAR(horizontal, 56.5685f, 1e-3); // only the height changes
        EXPECT_LE(VectorAngle(horizontal, h.form.eyeZ), 1.570795f);
    }
    EXPECT_EQ(h.form.selectedCell, 0);
}

TEST_F(Keys, valueStepsChangeSendAndShowTheCell) {
    Select(45);
    h.form.veTable[45] = 100;
    h.serial.log.clear();
    Press(key::kEquals);
    EXPECT_EQ(h.form.veTable[45], 101);
    Press(key::kMinus, key::kShift);
    Press(key::kMinus);
    EXPECT_EQ(h.form.veTable[45], 99);
    EXPECT_EQ(h.serial.sent(),
              (std::vector<std::string>{"<234,45:101>", "<234,45:100>", "<234,45:99>"}));
    EXPECT_EQ(h.grid.text(6, 3), "99");
    EXPECT_FLOAT_EQ(h.form.surfacePoints[2][5].world[3], 9.9f);
}

TEST_F(Keys, valueStepsSaturateAtTheSixteenBitLimits) {
    h.form.veTable[0] = 32767;
    h.serial.log.clear();
    Press(key::kEquals);
    EXPECT_EQ(h.form.veTable[0], 32767);
    h.form.veTable[0] = -32768;
    Press(key::kMinus);
    EXPECT_EQ(h.form.veTable[0], -32768);
    EXPECT_TRUE(h.serial.sent().empty());
}

TEST_F(Keys, plainArrowsMoveWithinTheLatticeOnly) {
    Select(385);
    Press(key::kRight);
    EXPECT_EQ(h.form.selectedCell, 385);
    Press(key::kDown);
    EXPECT_EQ(h.form.selectedCell, 386);
    EXPECT_EQ(h.form.selectedRow, 6);
    Select(0);
    Press(key::kLeft);
    Press(key::kUp);
    EXPECT_EQ(h.form.selectedCell, 0);
    Select(19);
    Press(key::kDown);
    EXPECT_EQ(h.form.selectedCell, 19);
    Press(key::kLeft, key::kAlt);
    EXPECT_EQ(h.form.selectedCell, 19);
    Select(45);
    Press(key::kLeft, key::kAlt);
    EXPECT_EQ(h.form.selectedCell, 25);
    Press(key::kLeft, key::kCtrl | key::kShift);
    EXPECT_EQ(h.form.selectedCell, 5);
    EXPECT_EQ(h.form.selectedColumn, 0);
}

TEST_F(Keys, aMoveErasesTheOldRingUnmarksTheOldCellAndMarksTheNew) {
    Press(key::kDown); // marks (row 2, col 1) after moving from cell 0
    h.canvas.ops.clear();
    h.grid.paintLog.clear();
    const Vector4 oldView = h.form.surfacePoints[0][1].view;
    Press(key::kRight);
    const auto circles = h.canvas.of(CanvasOp::Circle);
    ASSERT_EQ(circles.size(), 2u);
    EXPECT_EQ(circles[0].colour, (Rgb{0, 0, 0}));
    EXPECT_EQ(circles[0].a, oldView[1]);
    EXPECT_EQ(circles[1].colour, (Rgb{0, 255, 0}));
    ASSERT_EQ(h.grid.paintLog.size(), 2u);
    EXPECT_EQ(h.grid.paintLog[0], std::make_pair(std::make_pair(2, 1), Rgb{0, 0, 80}));
    EXPECT_EQ(h.grid.paintLog[1], std::make_pair(std::make_pair(2, 2), Rgb{20, 150, 20}));
}

TEST_F(Keys, shiftArrowsGrowABlockAndAPlainMoveClearsIt) {
    Select(CellIndex(5, 2));
    Press(key::kRight, key::kShift);
    Press(key::kRight, key::kShift);
    EXPECT_EQ(h.form.blockActive, -1);
    EXPECT_EQ(h.form.blockColLow, 5);
    EXPECT_EQ(h.form.blockColHigh, 7);
    EXPECT_EQ(h.form.blockRowLow, 2);
    EXPECT_EQ(h.form.blockRowHigh, 2);
    for (int col = 6; col <= 8; ++col) {
        EXPECT_EQ(h.grid.paint(3, col), (Rgb{20, 150, 20}));
    }
    h.grid.paintLog.clear();
    Press(key::kLeft, key::kShift);
    EXPECT_EQ(h.form.selectedColumn, 6);
    EXPECT_EQ(h.form.blockColLow, 6);
    // HighlightBlock paints columns 6 and 7; the redraw then marks the selected cell.
    ASSERT_GE(h.grid.paintLog.size(), 2u);
    EXPECT_EQ(h.grid.paintLog[0].first, std::make_pair(3, 7));
    EXPECT_EQ(h.grid.paintLog[1].first, std::make_pair(3, 8));
    EXPECT_EQ(h.grid.paint(3, 6), (Rgb{20, 150, 20})); // column 5 keeps its old paint

    Press(key::kLeft);
    EXPECT_EQ(h.form.blockActive, 0);
    EXPECT_EQ(h.grid.paint(3, 8), (Rgb{0, 0, 80}));
    EXPECT_EQ(h.form.selectedColumn, 5);
}

TEST_F(Keys, shiftDownKeepsTheOldRingWhileShiftRightErasesIt) {
    h.canvas.ops.clear();
    Press(key::kDown, key::kShift);
    auto circles = h.canvas.of(CanvasOp::Circle);
    ASSERT_EQ(circles.size(), 1u);
    EXPECT_EQ(circles[0].colour, (Rgb{0, 255, 0}));
    h.canvas.ops.clear();
    Press(key::kRight, key::kShift);
    circles = h.canvas.of(CanvasOp::Circle);
    ASSERT_EQ(circles.size(), 2u);
    EXPECT_EQ(circles[0].colour, (Rgb{0, 0, 0}));
}

TEST_F(Keys, refusedBlockMoveChangesNoEdgeButStillHighlights) {
    Press(key::kLeft, key::kShift);
    EXPECT_EQ(h.form.blockActive, -1);
    EXPECT_EQ(h.form.blockColLow, 0);
    EXPECT_EQ(h.grid.paint(1, 1), (Rgb{20, 150, 20}));
}

TEST_F(Keys, otherKeysOnlyRedraw) {
    h.canvas.ops.clear();
    h.serial.log.clear();
    Press(107);
    Press(109);
    Press(65, key::kCtrl);
    EXPECT_TRUE(h.serial.log.empty());
    EXPECT_EQ(h.form.selectedCell, 0);
    EXPECT_EQ(h.canvas.of(CanvasOp::Circle).size(), 3u);
}

TEST(KeysBeforeConnect, drawNothingButValueStepsStillSend) {
    CoreHarness h;
    h.form.Form_KeyDown(key::kLeft, key::kCtrl);
    h.form.Form_KeyDown(key::kEquals, 0);
    EXPECT_EQ(h.form.veTable[0], 1);
    EXPECT_EQ(h.serial.sent(), (std::vector<std::string>{"<234,0:1>"}));
    EXPECT_TRUE(h.canvas.ops.empty());
    EXPECT_EQ(h.form.eyeX, 0.0f);
    EXPECT_EQ(h.form.eyeZ, 0.0f);
}
