#include "table/CellChange.h"

#include <algorithm>

CellChanges ChangedCells(const VeTable& before, const VeTable& after) {
    CellChanges changes;
    for (int cell = 0; cell < kCellCount; ++cell) {
        if (before[cell] != after[cell]) {
            changes.push_back({cell, before[cell], after[cell]});
        }
    }
    return changes;
}

void ApplyChanges(VeTable& table, const CellChanges& changes) {
    for (const CellChange& change : changes) {
        table[change.cell] = change.after;
    }
}

double ChangePercent(std::int16_t before, double after) {
    const double base = std::max<double>(before, 1);
    return (after - base) * 100 / base;
}
