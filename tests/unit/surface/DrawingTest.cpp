// DrawSurface: the mesh and axes on a full redraw, only the marks otherwise.
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

void ExpectOp(const CanvasOp& op, CanvasOp::Kind kind, const Vector4& at) {
    EXPECT_EQ(op.kind, kind);
    EXPECT_EQ(op.a, at[1]);
    EXPECT_EQ(op.b, at[2]);
}

} // namespace

TEST_F(Drawing, fullRedrawDrawsPressureLinesThenRpmLinesThenTheAxes) {
    h.form.fullRedraw = 1;
    h.form.DrawSurface();
    const auto& ops = h.canvas.ops;
    ASSERT_EQ(ops.size(), 1u + 2 * (1 + 400) + 1 + 3 + 1);
    std::size_t i = 0;
    EXPECT_EQ(ops[i++].kind, CanvasOp::Refresh);
    for (bool pressureLines : {true, false}) {
        EXPECT_EQ(ops[i++].colour, (Rgb{128, 128, 128}));
        for (int a = 0; a < 20; ++a) {
            for (int b = 0; b < 20; ++b) {
                ExpectOp(ops[i++], b == 0 ? CanvasOp::MoveTo : CanvasOp::LineTo,
                         pressureLines ? View(a, b) : View(b, a));
            }
        }
    }
    EXPECT_EQ(ops[i++].colour, (Rgb{255, 0, 0}));
    for (int k = 0; k < 3; ++k, ++i) {
        EXPECT_EQ(ops[i].kind, CanvasOp::Line);
        EXPECT_EQ(ops[i].c, h.form.axisPoints[k].view[1]);
        EXPECT_EQ(ops[i].d, h.form.axisPoints[k].view[2]);
    }
    EXPECT_EQ(ops[i].colour, (Rgb{0, 255, 0})); // the selection ring; no grid mark
    EXPECT_TRUE(h.grid.paintLog.empty());
    EXPECT_EQ(h.form.fullRedraw, 0);
}

TEST_F(Drawing, theOperatingPointIsErasedAndRedrawnOnlyWhenItMoves) {
    h.form.DrawSurface();
    EXPECT_EQ(h.canvas.of(CanvasOp::Circle).size(), 1u); // (0, 0) was never drawn
    h.canvas.ops.clear();
    h.form.opPressureIndex = 5;
    h.form.opRpmIndex = 7;
    h.form.DrawSurface();
    const auto circles = h.canvas.of(CanvasOp::Circle);
    ASSERT_EQ(circles.size(), 3u);
    ExpectOp(circles[1], CanvasOp::Circle, View(0, 0));
    EXPECT_EQ(circles[1].colour, (Rgb{0, 0, 0}));
    ExpectOp(circles[2], CanvasOp::Circle, View(5, 7));
    EXPECT_EQ(circles[2].colour, (Rgb{255, 0, 0}));
    h.canvas.ops.clear();
    h.form.DrawSurface();
    EXPECT_EQ(h.canvas.of(CanvasOp::Circle).size(), 1u);
}
