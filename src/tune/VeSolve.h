// The true VE table that best explains every record kept. Each record says what the true VE is
// at its point, and the true table's bilinear interpolation must say the same: least squares over
// all records at once, so a record between two cells is shared out by the shape of the table and
// not charged to both. The solve starts from each cell moved by its records' mean correction (what
// tools have always done) and goes from there only in the directions the records pin down: where
// they tell a cell only together with a neighbour (all taken on a line between two rows, or at the
// far edge of a cell's weights), that combination is kept right and the split between them stays
// the mean correction's, rather than noise and model error blown up. Records that agree with the
// model are solved exactly wherever they pin the cells down.
#pragma once

#include "tune/VeAnalysis.h"

#include <array>

struct SolvedCell {
    bool solved = false; // some record reaches it
    double ve = 0;       // the true VE the records show
    double uncertaintyPercent = 0;
};
using Solution = std::array<SolvedCell, kCellCount>;

// A direction the records pin down less than this (as an eigenvalue of their sums scaled to 1 a
// cell; records strewn evenly over cells pin every direction down at least a quarter) is taken
// as they give it only in part, and not at all well below it.
inline constexpr double kWeakDirection = 0.1;

Solution SolveVe(const Analysis& analysis);
