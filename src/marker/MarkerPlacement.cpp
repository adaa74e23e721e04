#include "marker/MarkerPlacement.h"

MarkerPlacement PlaceMarker(Release release, float absolutePsi, float rpm, float leftOffset,
                            float topOffset) {
    if (release == Release::V12) {
        return {absolutePsi * 0.58f + leftOffset, rpm / -450.0f + topOffset};
    }
    return {(absolutePsi + 1.0f) * 0.58f + leftOffset, rpm / -600.0f + topOffset};
}
