// Every key press: turn the view, move the selection or a block, step the selected value.
#include "app/Form3D.h"
#include "link/Protocol.h"

#include <cmath>
#include <limits>

namespace {

constexpr float kAzimuthStep = 0.196349375f;
constexpr float kElevationStep = 0.39269875f;
constexpr float kElevationLimit = 1.570795f;

bool IsArrow(std::int16_t keyCode) {
    return keyCode >= key::kLeft && keyCode <= key::kDown;
}

} // namespace

void Form3D::EraseCursorRing() {
    const Vector4& view = surfacePoints[cursorDrawnColumn][cursorDrawnRow].view;
    io_.canvas.circle(view[1], view[2], kMarkRadius, kEraseColour);
}

void Form3D::StepSelectedValue(int delta) {
    std::int16_t& cell = veTable[selectedCell];
    const int stepped = cell + delta;
    if (stepped < std::numeric_limits<std::int16_t>::min() ||
        stepped > std::numeric_limits<std::int16_t>::max()) {
        io_.status.showStatus("Cell is already at the limit of its range");
        return; // saturated: the value stays, so there is nothing to send or redraw
    }
    cell = static_cast<std::int16_t>(stepped);
    SendCell(selectedCell);
    UpdateSelectedCellText();
    surfacePoints[selectedColumn][selectedRow].world[3] = SurfaceHeight(veTable, selectedCell);
    projectedEye_.reset();
    fullRedraw = 1;
}

namespace {

// Moves the selection one step if the lattice allows; false at the edge.
bool MoveSelection(std::int16_t keyCode, std::int16_t& cell, std::int16_t& column,
                   std::int16_t& row) {
    switch (keyCode) {
    case key::kLeft:
        if (cell < 20) {
            return false;
        }
        cell -= 20;
        --column;
        return true;
    case key::kRight:
        if (cell > 379) {
            return false;
        }
        cell += 20;
        ++column;
        return true;
    case key::kDown:
        if (row >= 19) {
            return false;
        }
        ++cell;
        ++row;
        return true;
    case key::kUp:
        if (row <= 0) {
            return false;
        }
        --cell;
        --row;
        return true;
    default:
        return false;
    }
}

} // namespace

void Form3D::Form_KeyDown(std::int16_t keyCode, std::int16_t shift) {
    const float x = eyeX;
    const float y = eyeY;
    const float z = eyeZ;
    float azimuth = VectorAngle(x, y);
    const float h = std::sqrt(x * x + y * y);
    const float d = std::sqrt(x * x + y * y + z * z);
    float elevation = VectorAngle(h, z);

    if (shift == key::kCtrl) {
        if (keyCode == key::kRight) {
            azimuth -= kAzimuthStep;
            fullRedraw = 1;
        } else if (keyCode == key::kDown) {
            elevation += kElevationStep;
            if (elevation > kElevationLimit) {
                elevation = kElevationLimit;
            }
            fullRedraw = 1;
        } else if (keyCode == key::kLeft) {
            azimuth += kAzimuthStep;
            fullRedraw = 1;
        } else if (keyCode == key::kUp) {
            elevation -= kElevationStep;
            if (elevation < -kElevationLimit) {
                elevation = -kElevationLimit;
            }
            fullRedraw = 1;
        }
    }
    eyeX = h * std::cos(azimuth);
    eyeY = h * std::sin(azimuth);
    eyeZ = d * std::sin(elevation);

    if (IsArrow(keyCode) && shift != key::kShift && shift != key::kCtrl) {
        if (blockActive == -1) {
            ClearBlock();
            blockActive = 0;
        }
        if (MoveSelection(keyCode, selectedCell, selectedColumn, selectedRow)) {
            EraseCursorRing();
            UnmarkLastCell();
            fullRedraw = 0;
        }
    } else if (keyCode == key::kMinus || keyCode == key::kEquals) {
        StepSelectedValue(keyCode == key::kMinus ? -1 : 1);
    } else if (IsArrow(keyCode) && shift == key::kShift) {
        if (release_ == Release::V12) {
            PanFrame(keyCode);
        } else {
            GrowBlock(keyCode);
        }
    }
    DrawSurface();
}

void Form3D::GrowBlock(std::int16_t keyCode) {
    if (blockActive == 0) {
        blockColLow = blockColHigh = selectedColumn;
        blockRowLow = blockRowHigh = selectedRow;
        blockActive = -1;
    }
    if (MoveSelection(keyCode, selectedCell, selectedColumn, selectedRow)) {
        if (keyCode == key::kLeft) {
            blockColLow = selectedColumn;
        } else if (keyCode == key::kRight) {
            blockColHigh = selectedColumn;
        } else if (keyCode == key::kDown) {
            blockRowHigh = selectedRow;
        } else {
            blockRowLow = selectedRow;
        }
        if (keyCode == key::kLeft || keyCode == key::kRight) {
            EraseCursorRing();
        }
    }
    HighlightBlock();
}

// The marker offsets move with the frame, so the marker keeps its place while the surface moves.
void Form3D::PanFrame(std::int16_t keyCode) {
    if (keyCode == key::kLeft || keyCode == key::kRight) {
        const float step = keyCode == key::kLeft ? 1.0f : -1.0f;
        frameLeft += step;
        markerLeftOffset += step;
    } else {
        const float step = keyCode == key::kDown ? 1.0f : -1.0f;
        frameTop += step;
        markerTopOffset += step;
    }
    io_.canvas.setFrameOrigin(frameLeft, frameTop);
    fullRedraw = 1;
}
