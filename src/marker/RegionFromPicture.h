// Turning a picture into a window shape: every pixel whose colour differs from the top-left one.
#pragma once

#include "common/Rgb.h"
#include "marker/MarkerPicture.h"
#include "marker/Region.h"

// One rectangle per maximal run of non-transparent pixels in a row, rows top to bottom.
template <typename PixelAt>
Region RunsOfPixels(int width, int height, Rgb transparent, const PixelAt& pixelAt) {
    Region shape;
    for (int y = 0; y < height; ++y) {
        int x = 0;
        while (x < width) {
            while (x < width && pixelAt(x, y) == transparent) {
                ++x;
            }
            if (x == width) {
                break;
            }
            const int start = x;
            while (x < width && !(pixelAt(x, y) == transparent)) {
                ++x;
            }
            shape.push_back(RegionRect{start, y, x, y + 1});
        }
    }
    return shape;
}

Region RegionFromPicture(const MarkerPicture& pic);
