// The surface's 3-D points, rebuilt from the table after every whole-table change.
#include "app/Form3D.h"

void Form3D::BuildSurface() {
    io_.canvas.setBackColor(Rgb{1, 1, 1}); // near-black, so black circles can erase marks
    int cell = 0;
    for (int p = 0; p < kLatticeSize; ++p) {
        for (int r = 0; r < kLatticeSize; ++r) {
            Vector4& world = surfacePoints[p][r].world;
            world[1] = static_cast<float>(p);
            world[2] = static_cast<float>(r);
            world[3] = SurfaceHeight(veTable, cell++);
            world[4] = 1.1f; // draws the lattice at 1/1.1 of its size
        }
    }
    axisPoints[0].world[1] = 20.0f;
    axisPoints[0].world[4] = 1.0f;
    axisPoints[1].world[2] = 20.0f;
    axisPoints[1].world[4] = 1.0f;
    axisPoints[2].world[3] = 20.0f;
    axisPoints[2].world[4] = 1.0f;
    projectedEye_.reset();
    FillGrid();
    fullRedraw = 1;
    DrawSurface();
}
