// Where the operating-point marker goes for a reading, in the window's user coordinates.
#pragma once

#include "common/Release.h"

struct MarkerPlacement {
    float left = 0;
    float top = 0;
};

// Right with pressure, down with RPM; each release has its own scale. Nothing clamps it.
MarkerPlacement PlaceMarker(Release release, float absolutePsi, float rpm, float leftOffset,
                            float topOffset);
