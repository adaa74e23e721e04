// The records each cell of the table received over a drive, as the analysis tallies them (each
// record shared among the four cells around its point by their bilinear weights), with its
// filters switched as the tuner asks.
#pragma once

#include "datalog/DriveTable.h"
#include "model/Lattice.h"

#include <array>
#include <string>
#include <variant>

struct HitFilters {
    bool warm = true;      // leave out warm-up
    bool steady = true;    // leave out transients
    bool noFuelCut = true; // leave out fuel cut and the sensor's limits
    int minHits = 20;      // fewer: shown as too few to tune by
    bool operator==(const HitFilters&) const = default;
};

using CellHits = std::array<double, kCellCount>;

// Reads the log at `path` again, through the analysis, under the table kept beside it and the
// wideband delay found with it (else the analysis's default); else why not.
std::variant<CellHits, std::string> DriveHits(const std::string& path, const DriveTable& kept,
                                              const HitFilters& filters);
