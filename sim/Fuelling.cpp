#include "Fuelling.h"

#include <algorithm>

namespace tvxsim {

double WarmUpEnrichment(double tempF) {
    if (tempF >= kWarmF) {
        return 1;
    }
    const double cold = kWarmF - std::max(tempF, kColdestF);
    return 1 / (1 + 0.4 * cold / (kWarmF - kColdestF));
}

} // namespace tvxsim
