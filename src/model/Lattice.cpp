#include "model/Lattice.h"

AxisSpan SpanOf(const std::array<double, kLatticeSize>& breakpoints, double x) {
    constexpr int last = kLatticeSize - 1;
    if (!(x > breakpoints[0])) {
        return {0, 0, 0};
    }
    if (x >= breakpoints[last]) {
        return {last, last, 0};
    }
    // From at or below x at the first to above it at the last, some neighbours straddle x, and
    // they differ: breakpoints that do not rise are stepped over, never divided by.
    int k = 0;
    while (!(breakpoints[k] <= x && x < breakpoints[k + 1])) {
        ++k;
    }
    return {k, k + 1, (x - breakpoints[k]) / (breakpoints[k + 1] - breakpoints[k])};
}

Lattice LatticeOf(const VeTable& table) {
    Lattice lattice;
    for (int k = 0; k < kLatticeSize; ++k) {
        lattice.rpmHundreds[k] = RpmBreakpoint(table, k);
        lattice.pressurePsi[k] = PressureBreakpoint(table, k);
    }
    return lattice;
}

LatticeWeights WeightsAt(const Lattice& lattice, double rpm, double absolutePsi) {
    const AxisSpan r = SpanOf(lattice.rpmHundreds, rpm / 100.0);
    const AxisSpan p = SpanOf(lattice.pressurePsi, absolutePsi);
    return {{{CellIndex(p.low, r.low), (1 - p.fraction) * (1 - r.fraction)},
             {CellIndex(p.low, r.high), (1 - p.fraction) * r.fraction},
             {CellIndex(p.high, r.low), p.fraction * (1 - r.fraction)},
             {CellIndex(p.high, r.high), p.fraction * r.fraction}}};
}

double Interpolate(const CellValues& cells, const LatticeWeights& weights) {
    double sum = 0;
    for (const CellWeight& w : weights) {
        sum += w.weight * cells[w.cell];
    }
    return sum;
}

CellValues CellsOf(const VeTable& table) {
    CellValues cells{};
    for (int k = 0; k < kCellCount; ++k) {
        cells[k] = table[k];
    }
    return cells;
}
