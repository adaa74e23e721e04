// Where the engine runs on the table's lattice, found from the breakpoints.
#pragma once

#include "table/VeTable.h"

#include <cstdint>

struct OperatingPoint {
    std::uint8_t pressureIndex = 0;
    std::uint8_t rpmIndex = 0;
};

// Gauge pressure back to absolute, in single precision as the window keeps it.
float AbsolutePsi(float gaugePsi);

// For each axis the last breakpoint lying strictly below the reading; an axis whose
// breakpoints the reading passes none of keeps the index it had.
OperatingPoint FindOperatingPoint(const VeTable& table, float rpm, float absolutePsi,
                                  OperatingPoint kept);
