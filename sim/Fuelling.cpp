#include "Fuelling.h"

#include <algorithm>

namespace tvxsim {

double CommandedVe(const VeTable& device, const LatticeWeights& weights) {
    double ve = 0;
    for (const CellWeight& w : weights) {
        ve += w.weight * std::max<double>(device[w.cell], 1);
    }
    return ve;
}

double WarmUpEnrichment(double tempF) {
    if (tempF >= kWarmF) {
        return 1;
    }
    const double cold = kWarmF - std::max(tempF, kColdestF);
    return 1 / (1 + 0.4 * cold / (kWarmF - kColdestF));
}

double ExhaustAfr(double target, double trueVe, double commandedVe, double enrichment) {
    return target * trueVe / commandedVe * enrichment;
}

} // namespace tvxsim
