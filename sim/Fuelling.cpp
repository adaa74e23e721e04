#include "Fuelling.h"

#include <algorithm>
#include <cmath>

namespace tvxsim {

double WarmUpEnrichment(double tempF) {
    if (tempF >= kWarmF) {
        return 1;
    }
    const double cold = kWarmF - std::max(tempF, kColdestF);
    return 1 / (1 + 0.4 * cold / (kWarmF - kColdestF));
}

double AccelerationFuel(double sinceS, bool fades) {
    if (sinceS < 0) {
        return 1;
    }
    if (fades) {
        return 1 + (kAccelFuel - 1) * std::exp(-sinceS / kAccelS);
    }
    return sinceS < kAccelS ? kAccelFuel : 1;
}

} // namespace tvxsim
