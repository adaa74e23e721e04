// Turning a picture into a window shape: every pixel whose colour differs from the top-left one.
#pragma once

#include "common/Rgb.h"
#include "marker/MarkerPicture.h"
#include "marker/Region.h"

#include <functional>

// One rectangle per maximal run of non-transparent pixels in a row, rows top to bottom.
Region RunsOfPixels(int width, int height, Rgb transparent,
                    const std::function<Rgb(int x, int y)>& pixelAt);

Region RegionFromPicture(const MarkerPicture& pic);
