#include "marker/RegionFromPicture.h"

#include <cmath>

Region RunsOfPixels(int width, int height, Rgb transparent,
                    const std::function<Rgb(int x, int y)>& pixelAt) {
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

Region RegionFromPicture(const MarkerPicture& pic) {
    const Rgb transparent = pic.pixel(0, 0);
    // Twips to whole pixels, halves to the even neighbour.
    const int height = static_cast<int>(std::nearbyint(pic.scaleHeight() / pic.twipsPerPixelY()));
    const int width = static_cast<int>(std::nearbyint(pic.scaleWidth() / pic.twipsPerPixelX()));
    return RunsOfPixels(width, height, transparent,
                        [&pic](int x, int y) { return pic.pixel(x, y); });
}
