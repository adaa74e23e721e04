// What an edit does to the table: the cells it changes, each with its value before and after.
#pragma once

#include "table/VeTable.h"

#include <cstdint>
#include <vector>

struct CellChange {
    int cell;
    std::int16_t before;
    std::int16_t after;
    bool operator==(const CellChange&) const = default;
};
using CellChanges = std::vector<CellChange>; // in cell index order, each cell once

// The cells whose values differ between the two tables; breakpoints are never edited.
CellChanges ChangedCells(const VeTable& before, const VeTable& after);

// Writes each change's after value into `table`.
void ApplyChanges(VeTable& table, const CellChanges& changes);
