#include "link/Readouts.h"

#include <cmath>
#include <cstdio>

std::string FormatFixed(double value, int decimals) {
    // printf breaks exact binary ties (2.25 to one decimal) to even; readouts round them away
    // from zero. The scaling is exact in long double for any value that came from the wire.
    const long double scale = decimals == 0 ? 1.0L : (decimals == 1 ? 10.0L : 100.0L);
    const long double scaled = static_cast<long double>(value) * scale;
    if (std::fabs(scaled - std::trunc(scaled)) == 0.5L) {
        value = static_cast<double>((std::trunc(scaled) + (scaled < 0 ? -1 : 1)) / scale);
    }
    char text[400];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string FormatGeneral(float value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.7G", static_cast<double>(value));
    return text;
}
