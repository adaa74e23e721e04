// Draws the yellow ring into the marker and cuts the marker's window down to it.
#include "app/Form3D.h"
#include "marker/RegionFromPicture.h"

void Form3D::ShapeMarker() {
    MarkerPicture& pic = io_.marker;
    const std::pair size{pic.scaleWidth(), pic.scaleHeight()};
    if (markerRegion && shapedSize_ == size) {
        return; // the same ring in the same box: drawn and cut already
    }
    shapedSize_ = size;
    pic.setBorderless();
    pic.setAutoRedraw(true);
    pic.setDrawWidth(2);
    const float w = pic.scaleWidth();
    // The vertical centre comes from the width too, so the ring sits in the box's upper part.
    pic.drawCircle(w / 2.0f, w / 2.0f, w / 2.0f - 3.0f * pic.twipsPerPixelX(), Rgb{255, 255, 0});
    markerRegion = RegionFromPicture(pic);
    pic.applyShape(*markerRegion);
}
