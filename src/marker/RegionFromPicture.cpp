#include "marker/RegionFromPicture.h"

#include <cmath>

Region RegionFromPicture(const MarkerPicture& pic) {
    const Rgb transparent = pic.pixel(0, 0);
    // Twips to whole pixels, halves to the even neighbour.
    const int height = static_cast<int>(std::nearbyint(pic.scaleHeight() / pic.twipsPerPixelY()));
    const int width = static_cast<int>(std::nearbyint(pic.scaleWidth() / pic.twipsPerPixelX()));
    return RunsOfPixels(width, height, transparent,
                        [&pic](int x, int y) { return pic.pixel(x, y); });
}
