// The pure work of verify, diff and put: the cells two tables disagree on, and the cell writes
// that make a device hold a table.
#pragma once

#include "table/VeTable.h"

#include <cstdint>
#include <string>
#include <vector>

struct CellDifference {
    int cell;
    std::int16_t first;
    std::int16_t second;
};
std::vector<CellDifference> DifferentCells(const VeTable& first, const VeTable& second);

// One line per cell: pressure index, RPM index, first value, second value.
std::string DifferenceLines(const std::vector<CellDifference>& differences);

// The cell write messages, in index order, that make a device hold `cells`: all 400, or with
// `device` known, only those it does not hold already.
std::vector<std::string> CellWrites(const VeTable& cells, const VeTable* device = nullptr);
