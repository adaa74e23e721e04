#include "model/AfrModel.h"

#include <algorithm>

double CommandedVe(const VeTable& device, const LatticeWeights& weights) {
    double ve = 0;
    for (const CellWeight& w : weights) {
        ve += w.weight * std::max<double>(device[w.cell], 1);
    }
    return ve;
}

double ExhaustAfr(double target, double trueVe, double commandedVe, double enrichment) {
    return target * trueVe / commandedVe * enrichment;
}

double ShownTrueVe(double measuredAfr, double target, double commandedVe) {
    return measuredAfr / target * commandedVe;
}
