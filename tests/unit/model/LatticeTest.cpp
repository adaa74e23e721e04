// Bilinear weights on the table's lattice: between four cells, on breakpoints, beyond the edges.
#include "model/Lattice.h"

#include <gtest/gtest.h>

#include <map>

namespace {

// RPM breakpoints 400, 600, ... 4200; pressure 5, 7, ... 43 PSI absolute.
VeTable EvenLattice() {
    VeTable table{};
    for (int k = 0; k < kLatticeSize; ++k) {
        table[kRpmBase + k] = static_cast<std::int16_t>(4 + 2 * k);
        table[kPressureBase + k] = static_cast<std::int16_t>(5 + 2 * k);
    }
    return table;
}

// Cell -> weight, cells given twice summed and cells of no weight left out.
std::map<int, double> WeightsByCell(const LatticeWeights& weights) {
    std::map<int, double> byCell;
    for (const CellWeight& w : weights) {
        EXPECT_GE(w.weight, 0);
        if (w.weight > 0) {
            byCell[w.cell] += w.weight;
        }
    }
    return byCell;
}

} // namespace

TEST(Lattice, weightsOfAPointAreThoseOfItsFourCells) {
    const Lattice lattice = LatticeOf(EvenLattice());
    const struct {
        double rpm, psi;
        std::map<int, double> weights;
    } cases[] = {
        // RPM halfway from 600 to 800, pressure three quarters from 5 to 7.
        {700,
         6.5,
         {{CellIndex(0, 1), 0.125},
          {CellIndex(0, 2), 0.125},
          {CellIndex(1, 1), 0.375},
          {CellIndex(1, 2), 0.375}}},
        {800, 7, {{CellIndex(1, 2), 1}}},                           // on both breakpoints
        {100, 2, {{CellIndex(0, 0), 1}}},                           // below both edges
        {9000, 60, {{CellIndex(19, 19), 1}}},                       // above both
        {4200, 43, {{CellIndex(19, 19), 1}}},                       // on the last breakpoints
        {100, 8, {{CellIndex(1, 0), 0.5}, {CellIndex(2, 0), 0.5}}}, // one axis clamped only
    };
    for (const auto& c : cases) {
        const auto got = WeightsByCell(WeightsAt(lattice, c.rpm, c.psi));
        ASSERT_EQ(got.size(), c.weights.size()) << c.rpm << " " << c.psi;
        for (const auto& [cell, weight] : c.weights) {
            EXPECT_NEAR(got.at(cell), weight, 1e-12) << c.rpm << " " << c.psi << " cell " << cell;
        }
    }
}

TEST(Lattice, breakpointsThatDoNotRiseAreSteppedOverNotDividedBy) {
    std::array<double, kLatticeSize> axis{};
    for (int k = 0; k < kLatticeSize; ++k) {
        axis[k] = k < 10 ? 10 : 20 + k; // ten equal, then rising
    }
    EXPECT_EQ(SpanOf(axis, 10), (AxisSpan{0, 0, 0}));
    EXPECT_EQ(SpanOf(axis, 25), (AxisSpan{9, 10, 0.75}));
    axis.fill(0); // a table without breakpoints
    EXPECT_EQ(SpanOf(axis, 5), (AxisSpan{19, 19, 0}));
}

TEST(Lattice, interpolationIsLinearInEachAxis) {
    const VeTable table = EvenLattice();
    CellValues cells{};
    for (int p = 0; p < kLatticeSize; ++p) {
        for (int r = 0; r < kLatticeSize; ++r) {
            cells[CellIndex(p, r)] = 100.0 * p + r; // a plane: interpolation gives it exactly
        }
    }
    // 1234 RPM is 4.17 breakpoints in; 20.2 PSI is 7.6 breakpoints in.
    EXPECT_NEAR(Interpolate(cells, WeightsAt(LatticeOf(table), 1234, 20.2)), 760 + 4.17, 1e-9);
}
