// Drawing the wire surface: everything on a full redraw, only the marks otherwise.
#include "app/Form3D.h"

namespace {

constexpr Rgb kMeshColour{128, 128, 128};
constexpr Rgb kRed{255, 0, 0};
constexpr Rgb kGreen{0, 255, 0};

} // namespace

void Form3D::DrawSurface() {
    Matrix4 m{};
    if (!BuildViewMatrix(m, eyeX, eyeY, eyeZ)) {
        return; // no viewpoint yet (before the first Connect): nothing to draw
    }
    const std::array<float, 3> eye{eyeX, eyeY, eyeZ};
    if (projectedEye_ != eye) {
        for (auto& column : surfacePoints) {
            for (SurfacePoint& point : column) {
                MatApply(point.view, point.world, m);
            }
        }
        projectedEye_ = eye;
    }
    Canvas& canvas = io_.canvas;
    const auto viewOf = [this](int p, int r) -> const Vector4& { return surfacePoints[p][r].view; };
    if (fullRedraw == 1) {
        canvas.refresh();
        canvas.setForeColor(kMeshColour);
        for (int p = 0; p < kLatticeSize; ++p) {
            canvas.moveTo(viewOf(p, 0)[1], viewOf(p, 0)[2]);
            for (int r = 1; r < kLatticeSize; ++r) {
                canvas.lineTo(viewOf(p, r)[1], viewOf(p, r)[2]);
            }
        }
        canvas.setForeColor(kMeshColour);
        for (int r = 0; r < kLatticeSize; ++r) {
            canvas.moveTo(viewOf(0, r)[1], viewOf(0, r)[2]);
            for (int p = 1; p < kLatticeSize; ++p) {
                canvas.lineTo(viewOf(p, r)[1], viewOf(p, r)[2]);
            }
        }
        canvas.setForeColor(kRed);
        for (SurfacePoint& axis : axisPoints) {
            MatApply(axis.view, axis.world, m);
            canvas.line(0.0f, 0.0f, axis.view[1], axis.view[2]);
        }
    }

    const Vector4& cursor = viewOf(selectedColumn, selectedRow);
    canvas.circle(cursor[1], cursor[2], kMarkRadius, kGreen);
    cursorDrawnColumn = selectedColumn;
    cursorDrawnRow = selectedRow;

    if (fullRedraw == 0) {
        MarkSelectedCell();
    }

    if (opPressureIndex != opDrawnPressureIndex || opRpmIndex != opDrawnRpmIndex) {
        const Vector4& old = viewOf(opDrawnPressureIndex, opDrawnRpmIndex);
        canvas.circle(old[1], old[2], kMarkRadius, kEraseColour);
        const Vector4& now = viewOf(opPressureIndex, opRpmIndex);
        canvas.circle(now[1], now[2], kMarkRadius, kRed);
        opDrawnPressureIndex = opPressureIndex;
        opDrawnRpmIndex = opRpmIndex;
    }
    fullRedraw = 0;
}
