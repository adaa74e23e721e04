// What the edit tests share: cells by place, and changes printed as a tuner reads them.
#pragma once

#include "edit/CellChange.h"

#include <ostream>

constexpr int C(int p, int r) {
    return CellIndex(p, r);
}

inline void PrintTo(const CellChange& c, std::ostream* out) {
    *out << "{(" << PressureIndexOf(c.cell) << "," << RpmIndexOf(c.cell) << ") " << c.before << "->"
         << c.after << "}";
}
