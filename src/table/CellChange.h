// A cell's value and a change of one: what an apply, a hand edit and an undo write.
#pragma once

#include "table/VeTable.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct CellValue {
    int cell = 0;
    std::int16_t value = 0;
    bool operator==(const CellValue&) const = default;
};

struct CellChange {
    int cell = 0;
    std::int16_t before = 0;
    std::int16_t after = 0;
    bool operator==(const CellChange&) const = default;
};
using CellChanges = std::vector<CellChange>; // in cell index order, each cell once

// The cells whose values differ between the two tables; breakpoints are never edited.
CellChanges ChangedCells(const VeTable& before, const VeTable& after);

// Writes each change's after value into `table`.
void ApplyChanges(VeTable& table, const CellChanges& changes);

// What a write of many cells did: each cell written, in order, how many were asked, whether the
// line was lost part way, and where the table was kept first.
struct CellsWritten {
    CellChanges written;
    std::size_t asked = 0;
    bool lost = false;
    std::string keptAs;
};

// Told, when a change of many cells ends, of what it wrote.
using CellsDone = std::function<void(const CellsWritten&)>;

// The change from `before` to `after`, in percent of `before` (a cell of 0 or below counts as 1,
// as the device fuels it).
double ChangePercent(std::int16_t before, double after);
