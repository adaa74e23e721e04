#include "model/WidebandDelay.h"

#include "common/Numbers.h"

#include <algorithm>
#include <cmath>

double SensorShare(double dtS, double responseS) {
    return 1 - std::exp(-dtS / responseS);
}

double TransportDelayS(const WidebandLag& lag, double rpm, double mapPsi) {
    double ms = lag.ms;
    if (lag.flowMs > 0) {
        // No pressure at all is no flow: the cap.
        ms += mapPsi > 0 ? lag.flowMs * (1000 / std::max(rpm, kSlowestFlowRpm)) *
                               (kAtmosphereForFlowPsi / mapPsi)
                         : kLongestDelayS * 1000;
    }
    return std::min(ms / 1000, kLongestDelayS);
}

bool ParseWidebandLag(const std::string& text, WidebandLag& lag) {
    const std::vector<std::string_view> parts = SplitFields(text, ',');
    if (parts.size() > 2) {
        return false;
    }
    WidebandLag read{0, 0};
    for (std::size_t k = 0; k < parts.size(); ++k) {
        const std::optional<double> ms = ParseNumber(parts[k]);
        if (!ms || *ms < 0 || *ms > kLongestDelayMs) {
            return false;
        }
        (k == 0 ? read.ms : read.flowMs) = *ms + 0.0; // "-0" is 0
    }
    lag = read;
    return true;
}
