// The true VE table the records show: a maximum a posteriori estimate of the correction to the
// table in force, found by iteratively reweighted least squares (IRLS).
//
// Each gathered point (records at one place of the lattice within one stretch of the drive) says
// what the bilinear interpolation of the true table is there. The unknown is each cell's relative
// correction c (true = table x (1 + c)), and the estimate weighs three things:
//  - the points, each by its records' noise, by how far its point moved while the sensor read it,
//    and by the model's own error, under a Huber loss: a point that strays far from the rest
//    (fuel the filters missed) counts less the further it strays, so one bad stretch cannot pull
//    its cells;
//  - the correction's second differences along RPM and along pressure, under a Cauchy
//    (Lorentzian) penalty: edge-preserving Tikhonov regularization, whose small wiggles cost
//    their square while a step the records demand costs next to nothing more than a small one,
//    so a ridge one column wide survives while directions the drive barely sees (two rows known
//    only as a weighted sum) stay smooth. IRLS starts from a barely smoothed fit, so an edge in
//    the records is found before it could be smoothed away;
//  - a weak pull of c toward 0 (ridge regression), so a cell the records say nothing of keeps
//    the table's value.
// The uncertainty is each cell's posterior standard deviation (the diagonal of the inverse of the
// weighted normal matrix), scaled up by its points' reduced chi-square where they scatter about
// the solve more than their noise allows, with the model's own error, which a cell's points
// share, beneath it; a cell fixed only through its neighbours is as unsure as its few records
// and the smoothness leave it.
#pragma once

#include "tune/VeAnalysis.h"

#include <array>
#include <optional>

struct SolvedCell {
    bool solved = false; // some record reaches it
    double ve = 0;       // the true VE the records show
    double uncertaintyPercent = 0;
    double outlying = 0; // records near it the robust loss weighed down to less than half
};
using Solution = std::array<SolvedCell, kCellCount>;

// The estimate's settings, one for every engine and drive, chosen by the matrix of them
// (scripts/solve-matrix.py, docs/PERFORMANCE.md).
struct SolveSettings {
    double modelError = 0.005; // the model's own error at any point, as a share of the VE
    double dataHuber = 2;      // a point straying beyond this many of its deviations is robust
    double smoothness = 0.01;  // a second difference of the correction of this size is typical
    double edge = 3;           // and one beyond this many of them an edge, the Cauchy penalty's k
    double prior = 0.2;        // the correction expected of a cell no record reaches
    int rounds = 20;           // IRLS rounds at most
};

// `base` is the table the correction is to: the table a suggestion is made against.
Solution SolveVe(const Analysis& analysis, const VeTable& base, const SolveSettings& settings = {});

// The analysis with the records the solve weighed down counted among those left out, as
// "outlying", for the summary and the report.
Analysis WithOutliers(Analysis analysis, const Solution& solution);
