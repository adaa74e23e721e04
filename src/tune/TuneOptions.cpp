#include "tune/TuneOptions.h"

#include <algorithm>

bool CellBlock::holds(int p, int r) const {
    return p >= std::min(p1, p2) && p <= std::max(p1, p2) && r >= std::min(r1, r2) &&
           r <= std::max(r1, r2);
}

bool TuneOptions::locked(int p, int r) const {
    return std::any_of(locks.begin(), locks.end(),
                       [p, r](const CellBlock& block) { return block.holds(p, r); });
}
