// Rows made up for the tuning's tests carry the point the window's breakpoint search gives them,
// as a recorded log does; a row exactly on a breakpoint keeps the index it was made with (the
// log's rounding may put it either side).
#pragma once

#include "model/Lattice.h"
#include "table/OperatingPoint.h"
#include "tune/TuneLog.h"

#include <algorithm>

inline void PlaceAsTheWindowDoes(TuneRow& row, const VeTable& table) {
    const Lattice lattice = LatticeOf(table);
    // On breakpoint k the search gives k - 1; a hair above it, k.
    const auto keep = [](const std::array<double, kLatticeSize>& axis, double x, int given) {
        const auto at = std::find(axis.begin(), axis.end(), x) - axis.begin();
        return at < kLatticeSize && (given == at || given == at - 1);
    };
    const OperatingPoint found = FindOperatingPoint(
        table, static_cast<float>(row.rpm), static_cast<float>(row.pressurePsi),
        {static_cast<std::uint8_t>(row.pressureIndex), static_cast<std::uint8_t>(row.rpmIndex)});
    if (!keep(lattice.pressurePsi, row.pressurePsi, row.pressureIndex)) {
        row.pressureIndex = found.pressureIndex;
    }
    if (!keep(lattice.rpmHundreds, row.rpm / 100, row.rpmIndex)) {
        row.rpmIndex = found.rpmIndex;
    }
}
