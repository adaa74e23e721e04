// A point on the table's lattice: the four cells around it and their bilinear weights. The
// engine of tvxsim fuels by it and the analyser weighs records by it, so both see one lattice.
#pragma once

#include "table/VeTable.h"

#include <array>

// One value per cell, in cell index order (pressure index x 20 + RPM index).
using CellValues = std::array<double, kCellCount>;

// Where x lies between two neighbouring breakpoints: the weight of `high` is `fraction`.
struct AxisSpan {
    int low = 0;
    int high = 0;
    double fraction = 0;
    bool operator==(const AxisSpan&) const = default;
};

// Below the first breakpoint the first holds, above the last the last; in between, the first
// pair of neighbours around x, whatever order the tuner gave the breakpoints.
AxisSpan SpanOf(const std::array<double, kLatticeSize>& breakpoints, double x);

struct CellWeight {
    int cell = 0;
    double weight = 0;
};
using LatticeWeights = std::array<CellWeight, 4>;

// The table's breakpoints as the axes are compared: RPM / 100 against the RPM breakpoints,
// absolute PSI against the pressure breakpoints, exactly as the device stores them.
struct Lattice {
    std::array<double, kLatticeSize> rpmHundreds{};
    std::array<double, kLatticeSize> pressurePsi{};
};
Lattice LatticeOf(const VeTable& table);

// The four cells around (rpm, absolute PSI); the weights are never negative and sum to 1.
LatticeWeights WeightsAt(const Lattice& lattice, double rpm, double absolutePsi);

double Interpolate(const CellValues& cells, const LatticeWeights& weights);

// The table's cells as numbers.
CellValues CellsOf(const VeTable& table);
