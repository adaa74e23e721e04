#include "Fakes.h"

#include <gtest/gtest.h>

namespace {

struct Drawing : ::testing::Test {
    void SetUp() override {
        h.Connect();
        h.canvas.ops.clear();
        h.grid.paintLog.clear();
    }
    const Vector4& View(int p, int r) { return h.form.surfacePoints[p][r].view; }
    CoreHarness h;
};

void ExpectAt(const CanvasOp& op, CanvasOp::Kind kind, const Vector4& view) {
    EXPECT_EQ(op.kind, kind);
    EXPECT_EQ(op.a, view[1]);
    EXPECT_EQ(op.b, view[2]);
}

} // namespace

TEST_F(Drawing, fullRedrawDrawsTheMeshPolylinesThenTheAxesInOrder) {
    h.form.fullRedraw = 1;
    h.form.DrawSurface();
    const auto& ops = h.canvas.ops;
    ASSERT_GE(ops.size(), 2u + 20 * 20 + 1 + 20 * 20 + 1 + 3);
    std::size_t i = 0;
    EXPECT_EQ(ops[i++].kind, CanvasOp::Refresh);
    EXPECT_EQ(ops[i].kind, CanvasOp::ForeColor);
    EXPECT_EQ(ops[i++].colour, (Rgb{128, 128, 128}));
    for (int p = 0; p < 20; ++p) { // lines of constant pressure
        ExpectAt(ops[i++], CanvasOp::MoveTo, View(p, 0));
        for (int r = 1; r < 20; ++r) {
            ExpectAt(ops[i++], CanvasOp::LineTo, View(p, r));
        }
    }
    EXPECT_EQ(ops[i++].colour, (Rgb{128, 128, 128}));
    for (int r = 0; r < 20; ++r) { // lines of constant RPM
        ExpectAt(ops[i++], CanvasOp::MoveTo, View(0, r));
        for (int p = 1; p < 20; ++p) {
            ExpectAt(ops[i++], CanvasOp::LineTo, View(p, r));
        }
    }
    EXPECT_EQ(ops[i].kind, CanvasOp::ForeColor);
    EXPECT_EQ(ops[i++].colour, (Rgb{255, 0, 0}));
    for (int k = 0; k < 3; ++k) {
        const CanvasOp& axis = ops[i++];
        EXPECT_EQ(axis.kind, CanvasOp::Line);
        EXPECT_EQ(axis.a, 0.0f);
        EXPECT_EQ(axis.b, 0.0f);
        EXPECT_EQ(axis.c, h.form.axisPoints[k].view[1]);
        EXPECT_EQ(axis.d, h.form.axisPoints[k].view[2]);
    }
    EXPECT_EQ(h.canvas.of(CanvasOp::LineTo).size(), 760u);
    // Then only the selection circle: no grid mark on a full redraw.
    ASSERT_EQ(ops.size(), i + 1);
    EXPECT_EQ(ops[i].kind, CanvasOp::Circle);
    EXPECT_EQ(ops[i].colour, (Rgb{0, 255, 0}));
    EXPECT_TRUE(h.grid.paintLog.empty());
    EXPECT_EQ(h.form.fullRedraw, 0);
}

TEST_F(Drawing, partialRedrawDrawsTheCursorAndMarksTheGridCell) {
    h.form.selectedColumn = 3;
    h.form.selectedRow = 4;
    h.form.DrawSurface();
    ASSERT_EQ(h.canvas.ops.size(), 1u);
    const CanvasOp& ring = h.canvas.ops[0];
    EXPECT_EQ(ring.kind, CanvasOp::Circle);
    EXPECT_EQ(ring.a, View(3, 4)[1]);
    EXPECT_EQ(ring.c, 0.3f);
    EXPECT_EQ(h.grid.paint(5, 4), (Rgb{20, 150, 20}));
    EXPECT_EQ(h.form.cursorDrawnColumn, 3);
    EXPECT_EQ(h.form.cursorDrawnRow, 4);
    EXPECT_EQ(h.form.highlightGridCol, 4);
    EXPECT_EQ(h.form.highlightGridRow, 5);
}

TEST_F(Drawing, operatingPointIsErasedAndRedrawnOnlyWhenItMoves) {
    h.form.DrawSurface();
    EXPECT_EQ(h.canvas.of(CanvasOp::Circle).size(), 1u); // (0, 0) was never drawn: no red ring

    h.canvas.ops.clear();
    h.form.opPressureIndex = 5;
    h.form.opRpmIndex = 7;
    h.form.DrawSurface();
    auto circles = h.canvas.of(CanvasOp::Circle);
    ASSERT_EQ(circles.size(), 3u);
    EXPECT_EQ(circles[1].colour, (Rgb{0, 0, 0}));
    EXPECT_EQ(circles[1].a, View(0, 0)[1]);
    EXPECT_EQ(circles[2].colour, (Rgb{255, 0, 0}));
    EXPECT_EQ(circles[2].a, View(5, 7)[1]);
    EXPECT_EQ(circles[2].b, View(5, 7)[2]);
    EXPECT_EQ(h.form.opDrawnPressureIndex, 5);
    EXPECT_EQ(h.form.opDrawnRpmIndex, 7);

    h.canvas.ops.clear();
    h.form.DrawSurface();
    EXPECT_EQ(h.canvas.of(CanvasOp::Circle).size(), 1u);
}

TEST_F(Drawing, fullRedrawLeavesTheGridHighlightAsItWas) {
    h.form.highlightGridCol = 9;
    h.form.highlightGridRow = 8;
    h.form.fullRedraw = 1;
    h.form.DrawSurface();
    EXPECT_EQ(h.form.highlightGridCol, 9);
    EXPECT_EQ(h.form.highlightGridRow, 8);
}

TEST(DrawingBeforeConnect, drawsNothingAndKeepsTheFlag) {
    CoreHarness h;
    h.form.fullRedraw = 1;
    h.form.DrawSurface();
    h.form.BuildSurface();
    EXPECT_TRUE(h.canvas.of(CanvasOp::Circle).empty());
    EXPECT_TRUE(h.canvas.of(CanvasOp::LineTo).empty());
    EXPECT_TRUE(h.canvas.of(CanvasOp::Refresh).empty());
    EXPECT_EQ(h.form.fullRedraw, 1);
    EXPECT_EQ(h.grid.textWrites, 440); // the grid is still filled
}
