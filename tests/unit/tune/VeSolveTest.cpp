// The solve on drives the engine model makes: exact where it holds, no wilder than the mean where
// it does not; then the rules that turn it into a table.
#include "tune/VeSolve.h"
#include "WindowPoint.h"
#include "model/AfrModel.h"
#include "tune/Suggestion.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>

namespace {

constexpr double kTarget = 14.7;

// RPM breakpoints 400, 600 ... 4200; pressure 5, 7 ... 43 PSI absolute; every cell 100.
VeTable Table() {
    VeTable table{};
    for (int k = 0; k < kLatticeSize; ++k) {
        table[kRpmBase + k] = static_cast<std::int16_t>(4 + 2 * k);
        table[kPressureBase + k] = static_cast<std::int16_t>(5 + 2 * k);
    }
    std::fill(table.begin(), table.begin() + kCellCount, 100);
    return table;
}

struct Point {
    double rpm;
    double psi;
};

// A drive the model makes: at each row's point the device fuels by its table for the target, the
// engine breathes by `truth`, and the wideband reads that the sensor's 60 ms (three rows) and
// `lagRows` more rows later, give or take `noise` (a share).
std::vector<TuneRow> ModelDrive(const CellValues& truth, const std::vector<Point>& path,
                                int lagRows = 0, double noise = 0) {
    lagRows += 3;
    const Lattice lattice = LatticeOf(Table());
    std::mt19937_64 random(7);
    std::vector<TuneRow> rows;
    for (std::size_t k = 0; k < path.size(); ++k) {
        const Point at = path[k >= std::size_t(lagRows) ? k - lagRows : 0];
        const LatticeWeights w = WeightsAt(lattice, at.rpm, at.psi);
        const double unit = static_cast<double>(random() >> 11) * 0x1p-53;
        const double afr = ExhaustAfr(kTarget, Interpolate(truth, w), CommandedVe(Table(), w), 1) *
                           (1 + noise * (2 * unit - 1));
        const Point now = path[k];
        rows.push_back({k + 2, k * 0.02, now.rpm, now.psi, 180, afr, afr, 0, 0, 100});
    }
    return rows;
}

// The engine held at each point for `rows` rows (a second, at 50 a second), as a drive that jumps
// from one operating point to another.
std::vector<Point> Holds(const std::vector<Point>& points, int rows = 50) {
    std::vector<Point> path;
    for (const Point& at : points) {
        path.insert(path.end(), rows, at);
    }
    return path;
}

// Points strewn over the cells from (3, 3) to (16, 16): 1000 to 3600 RPM, 11 to 37 PSI.
std::vector<Point> Strewn(int n) {
    std::mt19937_64 random(3);
    const auto unit = [&random] { return static_cast<double>(random() >> 11) * 0x1p-53; };
    std::vector<Point> points;
    for (int k = 0; k < n; ++k) {
        points.push_back({1000 + 2600 * unit(), 11 + 26 * unit()});
    }
    return points;
}

// A point that wanders smoothly over the same cells, a cell in a quarter of a second or so.
std::vector<Point> Wandering(int n) {
    std::vector<Point> points;
    for (int k = 0; k < n; ++k) {
        const double t = k * 0.02;
        points.push_back({2300 + 1300 * std::sin(t * 0.61), 24 + 13 * std::sin(t * 0.23 + 1)});
    }
    return points;
}

Analysis Analyze(const std::vector<TuneRow>& rows) {
    CellValues target{};
    target.fill(kTarget);
    TuneOptions options;
    options.lag = {0, 0};                    // the sensor's 60 ms, three rows
    options.transientPsiPerS = std::nullopt; // strewn points jump
    VeAnalyzer analyzer(Table(), target, options);
    analyzer.beginLog("drive.msl", TableInForce(Table(), {}));
    for (TuneRow row : rows) {
        PlaceAsTheWindowDoes(row, Table());
        EXPECT_EQ(analyzer.add(row), std::nullopt);
    }
    return analyzer.analysis();
}

CellValues Truth(const std::function<double(int p, int r)>& ve) {
    CellValues truth{};
    for (int cell = 0; cell < kCellCount; ++cell) {
        truth[cell] = ve(PressureIndexOf(cell), RpmIndexOf(cell));
    }
    return truth;
}

} // namespace

// The solved VE's error at a cell, in percent of the truth.
double ErrorPercent(const Solution& solution, const CellValues& truth, int cell) {
    return (solution[cell].ve - truth[cell]) / truth[cell] * 100;
}

TEST(VeSolve, holdsThatAgreeWithTheModelGiveEachCellWhereAMeanFallsShortAndARidgeSurvives) {
    const struct {
        const char* what;
        CellValues truth;
    } cases[] = {
        {"a ridge one RPM column wide, +12%", Truth([](int, int r) { return r == 9 ? 112 : 100; })},
        {"a step across pressure, +15%", Truth([](int p, int) { return p >= 9 ? 115 : 100; })},
        {"a slope and a bump", Truth([](int p, int r) {
             return 80 + 2 * p + 20 * std::exp(-((p - 9) * (p - 9) + (r - 8) * (r - 8)) / 2.0);
         })},
    };
    for (const auto& c : cases) {
        const Analysis analysis = Analyze(ModelDrive(c.truth, Holds(Strewn(800))));
        const Solution solution = SolveVe(analysis, Table());
        double worstMean = 0;
        int checked = 0;
        // The cells inside the holds' reach: at its rim, fewer holds pin a cell than the
        // smoothness pulls it.
        for (int cell = 0; cell < kCellCount; ++cell) {
            const int p = PressureIndexOf(cell), r = RpmIndexOf(cell);
            if (analysis.cells[cell].hits < 40 || p < 5 || p > 13 || r < 5 || r > 14) {
                continue;
            }
            ++checked;
            EXPECT_LT(std::abs(ErrorPercent(solution, c.truth, cell)), 1)
                << c.what << " at " << PressureIndexOf(cell) << "," << RpmIndexOf(cell);
            worstMean =
                std::max(worstMean, std::abs(analysis.cells[cell].meanCorrected() - c.truth[cell]) /
                                        c.truth[cell] * 100);
        }
        EXPECT_GE(checked, 80) << c.what;
        EXPECT_GT(worstMean, 2) << c.what << ": the mean alone would have done";
    }
}

// `n` records along pressure `psi` (between rows 5 and 6: 15 and 17 PSI), swept across RPM, with
// `noise` (a share).
Analysis AlongALine(int n, double noise, const std::function<double(int k)>& psi) {
    std::vector<Point> line;
    for (int k = 0; k < n; ++k) {
        line.push_back({1000 + 2600 * (0.5 + 0.5 * std::sin(k * 20000.0 / n * 0.002)), psi(k)});
    }
    return Analyze(ModelDrive(Truth([](int, int) { return 100; }), line, 0, noise));
}

TEST(VeSolve, twoRowsKnownOnlyAsAWeightedSumStayNearTheTableRatherThanSwing) {
    // Halfway between the rows, the pressure reading's own wander all that moves it: the records
    // fix each pair's sum, the split hardly. Solved as exactly as the records allow, their noise
    // would swing the rows against each other.
    std::mt19937_64 random(5);
    std::vector<double> wobble(3000);
    for (double& w : wobble) {
        w = 0.05 * (static_cast<double>(random() >> 11) * 0x1p-52 - 1);
    }
    const Analysis analysis = AlongALine(
        3000, 0.03, [&wobble](int k) { return 16 + wobble[static_cast<std::size_t>(k)]; });
    const Solution solution = SolveVe(analysis, Table());
    for (int r = 4; r <= 15; ++r) {
        for (const int p : {5, 6}) {
            SCOPED_TRACE(std::to_string(p) + "," + std::to_string(r));
            EXPECT_LT(std::abs(solution[CellIndex(p, r)].ve - 100), 2);
        }
    }
}

TEST(VeSolve, aCellFixedOnlyThroughItsNeighboursIsUnsureAndOneItsRecordsFixIsSure) {
    // Hard by row 6: row 5 takes a twentieth of each record's weight, hits enough to pass the
    // hit minimum, yet its records tell almost nothing of it.
    const Analysis analysis =
        AlongALine(20000, 0.02, [](int k) { return 16.9 + 0.05 * std::sin(k * 0.013); });
    const Solution solution = SolveVe(analysis, Table());
    for (int r = 4; r <= 15; ++r) {
        SCOPED_TRACE(r);
        EXPECT_GT(analysis.cells[CellIndex(5, r)].hits, 20);
        EXPECT_GT(solution[CellIndex(5, r)].uncertaintyPercent, 1);
        EXPECT_LT(solution[CellIndex(6, r)].uncertaintyPercent, 0.7);
    }
}

TEST(VeSolve, aStretchOfRecordsTheFiltersMissedIsWeighedDown) {
    // Holds over the table, and at one of them a second of fuel the filters did not see: 15%
    // rich. The cell keeps its truth, and the stretch is counted as outlying.
    const CellValues truth = Truth([](int, int) { return 100; });
    std::vector<TuneRow> rows = ModelDrive(truth, Holds(Strewn(800)));
    const int cell = CellIndex(8, 8);
    const Lattice lattice = LatticeOf(Table());
    int spoiled = 0;
    for (TuneRow& row : rows) {
        const LatticeWeights w = WeightsAt(lattice, row.rpm, row.pressurePsi);
        const bool near = std::any_of(w.begin(), w.end(), [cell](const CellWeight& x) {
            return x.cell == cell && x.weight > 0.4;
        });
        if (near && spoiled < 50) {
            row.afr1 = row.afr2 = kTarget / 1.15;
            ++spoiled;
        }
    }
    ASSERT_EQ(spoiled, 50);
    const Analysis analysis = Analyze(rows);
    const Solution solution = SolveVe(analysis, Table());
    EXPECT_LT(std::abs(solution[cell].ve - 100), 1);
    const Analysis tallied = WithOutliers(analysis, solution);
    EXPECT_GE(tallied.leftOut[int(LeftOut::Outlying)], 40);
    EXPECT_EQ(tallied.accepted + tallied.leftOutTotal(), analysis.records);
}

TEST(VeSolve, noisyRecordsAndAMisjudgedLagLeaveNoCellWorseThanTheMeanBeyondItsUncertainty) {
    // 6% lean, rising gently across the table: what a noisy or late reading does to the solve
    // shows against the mean correction, which the noise and the lag meet as well.
    const CellValues truth = Truth([](int p, int r) { return 106 + 0.3 * p + 0.2 * r; });
    const struct {
        const char* what;
        std::vector<TuneRow> rows;
    } cases[] = {
        {"noise of 3%", ModelDrive(truth, Holds(Strewn(800)), 0, 0.03)},
        {"a lag of 100 ms taken as none", ModelDrive(truth, Wandering(30000), 5)},
        {"both", ModelDrive(truth, Wandering(30000), 5, 0.03)},
    };
    for (const auto& c : cases) {
        const Analysis analysis = Analyze(c.rows);
        const Solution solution = SolveVe(analysis, Table());
        int tuned = 0, within = 0;
        for (int cell = 0; cell < kCellCount; ++cell) {
            if (analysis.cells[cell].hits < 20) {
                continue;
            }
            const double u = solution[cell].uncertaintyPercent * solution[cell].ve / 100;
            const double error = std::abs(solution[cell].ve - truth[cell]);
            const double meanError = std::abs(analysis.cells[cell].meanCorrected() - truth[cell]);
            EXPECT_LE(error, meanError + 3 * u)
                << c.what << " at " << PressureIndexOf(cell) << "," << RpmIndexOf(cell);
            ++tuned;
            within += error <= 2 * u;
        }
        // One uncertainty is one standard deviation: nine cells in ten lie within two.
        EXPECT_GE(within, tuned * 9 / 10) << c.what;
    }
}

TEST(Suggestion, aCellChangesOnlyByMoreThanTheDeadbandAndTwiceItsUncertainty) {
    const struct {
        double solved;
        double uncertainty;
        double hits;
        bool locked;
        Outcome outcome;
        std::int16_t value;
    } cases[] = {
        {101.6, 0.5, 50, false, Outcome::Changed, 102},
        {101.0, 0.1, 50, false, Outcome::Deadband, 100}, // not more than 1%
        {99.0, 0.1, 50, false, Outcome::Deadband, 100},
        {103.0, 1.5, 50, false, Outcome::Unsure, 100}, // 3% is not more than twice 1.5%
        {103.0, 1.49, 50, false, Outcome::Changed, 103},
        {94.0, 2.9, 50, false, Outcome::Changed, 94},
        {130.0, 0.1, 50, false, Outcome::Changed, 115}, // the step limit
        {110.0, 0.1, 19.9, false, Outcome::FewHits, 100},
        {110.0, 0.1, 50, true, Outcome::Locked, 100},
    };
    for (const auto& c : cases) {
        Analysis analysis;
        Solution solution{};
        const int cell = CellIndex(4, 5);
        analysis.cells[cell].hits = c.hits;
        solution[cell] = {true, c.solved, c.uncertainty, 0};
        TuneOptions options;
        if (c.locked) {
            options.locks.push_back({4, 5, 4, 5});
        }
        const Suggestion s = Suggest(Table(), analysis, solution, options);
        EXPECT_EQ(s.outcome[cell], c.outcome) << c.solved << " +- " << c.uncertainty;
        EXPECT_EQ(s.table[cell], c.value) << c.solved << " +- " << c.uncertainty;
        EXPECT_EQ(s.outcome[CellIndex(0, 0)], Outcome::FewHits);
    }
}

TEST(Suggestion, aValueIsRoundedWithinTheStepLimitAndTheCellsRange) {
    const struct {
        std::int16_t current;
        double ratio;
        std::int16_t suggested;
    } cases[] = {
        {100, 1.1, 110},     {100, 0.93, 93}, {100, 1.3, 115},
        {100, 0.5, 85},      {33, 1.1, 36}, // 36.3, rounded
        {33, 0.8, 29},                      // 26.4 limited to 28.05, never below 15%: 29
        {0, 2, 1},                          // a cell of 0 fuels as 1; within 15% of 1 it stays 1
        {32767, 1.1, 32767},                // the largest a cell holds
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SuggestedValue(c.current, c.ratio, 15), c.suggested)
            << c.current << " x " << c.ratio;
    }
    EXPECT_EQ(Thousands(1234567), "1,234,567");
    EXPECT_EQ(Thousands(999), "999");
}

// Records that disagree among themselves say less than the model's own noise would: the
// uncertainty grows with their scatter about the solve (the reduced chi-square). The same path
// driven twice, the engine 5 % richer, then 5 % leaner than the table, against twice on the table.
TEST(VeSolve, aCellsUncertaintyGrowsAsItsRecordsDisagree) {
    const std::vector<Point> path = Holds(Strewn(150));
    const auto twice = [&path](double first, double second) {
        std::vector<TuneRow> rows = ModelDrive(Truth([&](int, int) { return first; }), path);
        const std::size_t n = rows.size();
        for (TuneRow row : ModelDrive(Truth([&](int, int) { return second; }), path)) {
            row.line += n;
            row.timeS += n * 0.02;
            rows.push_back(row);
        }
        return SolveVe(Analyze(rows), Table());
    };
    const Solution agreeing = twice(100, 100);
    const Solution disagreeing = twice(105, 95);
    int compared = 0;
    for (int cell = 0; cell < kCellCount; ++cell) {
        if (agreeing[cell].solved && disagreeing[cell].solved &&
            agreeing[cell].uncertaintyPercent < 1) {
            ++compared;
            EXPECT_GT(disagreeing[cell].uncertaintyPercent, 1.4 * agreeing[cell].uncertaintyPercent)
                << PressureIndexOf(cell) << "," << RpmIndexOf(cell);
        }
    }
    EXPECT_GT(compared, 30);
}
