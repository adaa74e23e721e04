#include "tune/VeSolve.h"

#include <Eigen/Sparse>
#include <Eigen/SparseCholesky>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

using Sparse = Eigen::SparseMatrix<double>;

// What a cell's step of the table may change the VE by, as a share: a reading that mixes the
// exhaust of points a cell apart is that unsure.
constexpr double kVePerCell = 0.03;
// The first round barely smooths: the points' first residuals, which weigh them from then on,
// are the records' own and not a smoothed table's (a real edge would otherwise look like
// outlying points, and stay smoothed away).
constexpr double kFirstRoundLooser = 10;
// IRLS stops once no cell's correction moves by more than this in a round.
constexpr double kSettled = 1e-6;
// A point the robust loss weighs at less than this is counted as outlying.
constexpr double kOutlyingWeight = 0.5;

// What one point says of the unknowns: the relative residual t - a.c, where a holds the share of
// the point's model value each of its (up to four) cells gives, and its variance.
struct PointRow {
    std::array<int, 4> unknown{}; // -1 where the weight is nothing
    std::array<double, 4> a{};
    double t = 0;
    double variance = 0;
    double records = 0;
    int nearest = 0; // the cell its records lie nearest, for the tally
};

// Three unknowns in a row along one axis: their second difference.
using Triple = std::array<int, 3>;

struct Problem {
    std::vector<int> cells;              // the unknowns: cells some record reaches
    std::array<int, kCellCount> index{}; // each cell's unknown, or -1
    std::vector<PointRow> rows;
    std::vector<Triple> triples;
};

// The scatter of one record about its point's mean, as a share of that mean, pooled.
double RecordVariance(const std::vector<PointBin>& bins) {
    double squares = 0, freedom = 0;
    for (const PointBin& bin : bins) {
        if (bin.records > 1 && bin.ySum > 0) {
            const double mean = bin.ySum / bin.records;
            squares += std::max(0.0, bin.yySum - bin.ySum * mean) / (mean * mean);
            freedom += bin.records - 1;
        }
    }
    return freedom > 0 ? squares / freedom : 0;
}

// Huber's weight for a residual of `u` deviations with threshold `k`: the loss's derivative over
// the residual, 1 within the threshold and k / |u| beyond.
double HuberWeight(double u, double k) {
    return std::abs(u) <= k ? 1 : k / std::abs(u);
}

// The Cauchy (Lorentzian) weight: a redescending loss whose weight falls as the square of the
// residual beyond `k`, so a large second difference (a ridge, a step) costs next to nothing more.
double CauchyWeight(double u, double k) {
    const double x = u / k;
    return 1 / (1 + x * x);
}

std::optional<PointRow> RowOf(const PointBin& bin, const Problem& s, const VeTable& base,
                              double recordVariance, double modelError) {
    const std::array<int, 4> corners = SquareCells(bin.p, bin.r);
    PointRow row;
    double model = 0, heaviest = 0;
    for (int j = 0; j < 4; ++j) {
        const double w = bin.weightSum[j] / bin.records;
        const double ve = std::max<double>(base[corners[j]], 1);
        row.unknown[j] = w > 0 ? s.index[corners[j]] : -1;
        row.a[j] = w * ve;
        model += w * ve;
        if (w > heaviest) {
            heaviest = w;
            row.nearest = corners[j];
        }
    }
    if (!(model > 0)) {
        return std::nullopt;
    }
    for (double& a : row.a) {
        a /= model;
    }
    row.t = bin.ySum / bin.records / model - 1;
    // A reading taken while the point moved mixes the exhaust of the cells it crossed.
    const double moved = kVePerCell * std::sqrt(bin.spreadSquares / bin.records);
    row.variance = (recordVariance + moved * moved) / bin.records + modelError * modelError;
    row.records = bin.records;
    return row;
}

Problem ProblemOf(const Analysis& analysis, const VeTable& base, double modelError) {
    Problem s;
    s.index.fill(-1);
    for (int c = 0; c < kCellCount; ++c) {
        if (analysis.cells[c].hits > 0) {
            s.index[c] = static_cast<int>(s.cells.size());
            s.cells.push_back(c);
        }
    }
    const std::vector<PointBin>& bins = analysis.points.bins();
    const double recordVariance = RecordVariance(bins);
    for (const PointBin& bin : bins) {
        if (auto row = RowOf(bin, s, base, recordVariance, modelError)) {
            s.rows.push_back(*row);
        }
    }
    // Second differences along RPM (within a pressure row) and along pressure.
    for (int p = 0; p < kLatticeSize; ++p) {
        for (int r = 0; r < kLatticeSize; ++r) {
            for (const auto& [dp, dr] : {std::pair{0, 1}, std::pair{1, 0}}) {
                if (p + 2 * dp >= kLatticeSize || r + 2 * dr >= kLatticeSize) {
                    continue;
                }
                const Triple t = {s.index[CellIndex(p, r)], s.index[CellIndex(p + dp, r + dr)],
                                  s.index[CellIndex(p + 2 * dp, r + 2 * dr)]};
                if (t[0] >= 0 && t[1] >= 0 && t[2] >= 0) {
                    s.triples.push_back(t);
                }
            }
        }
    }
    return s;
}

double Residual(const PointRow& row, const Eigen::VectorXd& c) {
    double fitted = 0;
    for (int j = 0; j < 4; ++j) {
        fitted += row.unknown[j] >= 0 ? row.a[j] * c(row.unknown[j]) : 0;
    }
    return row.t - fitted;
}

double SecondDifference(const Triple& t, const Eigen::VectorXd& c) {
    return c(t[0]) - 2 * c(t[1]) + c(t[2]);
}

// The weighted normal matrix H and right-hand side g of one IRLS round: H c = g.
struct Normal {
    Sparse h;
    Eigen::VectorXd g;
};

Normal NormalOf(const Problem& s, const std::vector<double>& rowWeight,
                const std::vector<double>& tripleWeight, double prior) {
    const auto n = static_cast<Eigen::Index>(s.cells.size());
    std::vector<Eigen::Triplet<double>> entries;
    Eigen::VectorXd g = Eigen::VectorXd::Zero(n);
    for (std::size_t k = 0; k < s.rows.size(); ++k) {
        const PointRow& row = s.rows[k];
        for (int i = 0; i < 4; ++i) {
            if (row.unknown[i] < 0) {
                continue;
            }
            g(row.unknown[i]) += rowWeight[k] * row.a[i] * row.t;
            for (int j = 0; j < 4; ++j) {
                if (row.unknown[j] >= 0) {
                    entries.emplace_back(row.unknown[i], row.unknown[j],
                                         rowWeight[k] * row.a[i] * row.a[j]);
                }
            }
        }
    }
    constexpr std::array<double, 3> kStencil = {1, -2, 1};
    for (std::size_t k = 0; k < s.triples.size(); ++k) {
        for (int i = 0; i < 3; ++i) {
            for (int j = 0; j < 3; ++j) {
                entries.emplace_back(s.triples[k][i], s.triples[k][j],
                                     tripleWeight[k] * kStencil[i] * kStencil[j]);
            }
        }
    }
    for (Eigen::Index i = 0; i < n; ++i) {
        entries.emplace_back(i, i, 1 / (prior * prior));
    }
    Sparse h(n, n);
    h.setFromTriplets(entries.begin(), entries.end());
    return {std::move(h), std::move(g)};
}

// Per unknown, how much more its points stray from the solve than their variances allow: a
// reduced chi-square, shared out by the points' weights (the robust loss's among them), at
// least 1.
Eigen::VectorXd ReducedChiSquare(const Problem& s, const Eigen::VectorXd& c,
                                 const std::vector<double>& robust) {
    Eigen::VectorXd sum = Eigen::VectorXd::Zero(c.size()), share = sum;
    for (std::size_t k = 0; k < s.rows.size(); ++k) {
        const PointRow& row = s.rows[k];
        const double r = Residual(row, c);
        for (int j = 0; j < 4; ++j) {
            if (row.unknown[j] >= 0) {
                sum(row.unknown[j]) += robust[k] * row.a[j] * r * r / row.variance;
                share(row.unknown[j]) += robust[k] * row.a[j];
            }
        }
    }
    for (Eigen::Index i = 0; i < c.size(); ++i) {
        sum(i) = share(i) > 0 ? std::max(1.0, sum(i) / share(i)) : 1;
    }
    return sum;
}

// The diagonal of H's inverse: each unknown's posterior variance.
Eigen::VectorXd PosteriorVariance(const Eigen::SimplicialLDLT<Sparse>& solver, Eigen::Index n) {
    Eigen::VectorXd variance(n);
    Eigen::VectorXd unit = Eigen::VectorXd::Zero(n);
    for (Eigen::Index i = 0; i < n; ++i) {
        unit(i) = 1;
        variance(i) = solver.solve(unit)(i);
        unit(i) = 0;
    }
    return variance;
}

} // namespace

Solution SolveVe(const Analysis& analysis, const VeTable& base, const SolveSettings& settings) {
    Solution solution{};
    const Problem s = ProblemOf(analysis, base, settings.modelError);
    const auto n = static_cast<Eigen::Index>(s.cells.size());
    if (n == 0) {
        return solution;
    }
    std::vector<double> robust(s.rows.size(), 1.0), rowWeight(s.rows.size());
    std::vector<double> tripleWeight(s.triples.size());
    const double tau = settings.smoothness;
    Eigen::VectorXd c = Eigen::VectorXd::Zero(n);
    Eigen::SimplicialLDLT<Sparse> solver;
    for (int round = 0; round < settings.rounds; ++round) {
        for (std::size_t k = 0; k < s.rows.size(); ++k) {
            const double u = Residual(s.rows[k], c) / std::sqrt(s.rows[k].variance);
            robust[k] = round == 0 ? 1 : HuberWeight(u, settings.dataHuber);
            rowWeight[k] = robust[k] / s.rows[k].variance;
        }
        for (std::size_t k = 0; k < s.triples.size(); ++k) {
            const double first = kFirstRoundLooser * tau;
            tripleWeight[k] =
                round == 0 ? 1 / (first * first)
                           : CauchyWeight(SecondDifference(s.triples[k], c) / tau, settings.edge) /
                                 (tau * tau);
        }
        const Normal normal = NormalOf(s, rowWeight, tripleWeight, settings.prior);
        solver.compute(normal.h);
        if (solver.info() != Eigen::Success) {
            return solution; // no cell is known: none changes
        }
        const Eigen::VectorXd next = solver.solve(normal.g);
        const double moved = (next - c).cwiseAbs().maxCoeff();
        c = next;
        if (round > 0 && moved < kSettled) {
            break;
        }
    }
    if (!c.allFinite()) {
        return solution;
    }
    const Eigen::VectorXd variance = PosteriorVariance(solver, n);
    const Eigen::VectorXd chi = ReducedChiSquare(s, c, robust);
    for (std::size_t i = 0; i < s.cells.size(); ++i) {
        const auto at = static_cast<Eigen::Index>(i);
        const int cell = s.cells[i];
        const double ve = std::max<double>(base[cell], 1) * (1 + c(at));
        const CellTally& tally = analysis.cells[cell];
        // The banks' disagreement is no noise that averages away: the truth may lie anywhere
        // between them, a spread of a uniform interval.
        const double bank = tally.bankSum / tally.hits / std::sqrt(3.0);
        // Nor is the model's own error: it is shared by all of a cell's points.
        const double share = std::sqrt(std::max(0.0, variance(at)) * chi(at) +
                                       settings.modelError * settings.modelError);
        const double uncertainty = std::hypot(share * std::abs(ve), bank);
        solution[cell] = {true, ve, 100 * uncertainty / std::max(std::abs(ve), 1.0), 0};
    }
    for (std::size_t k = 0; k < s.rows.size(); ++k) {
        if (robust[k] < kOutlyingWeight) {
            solution[s.rows[k].nearest].outlying += s.rows[k].records;
        }
    }
    return solution;
}

Analysis WithOutliers(Analysis analysis, const Solution& solution) {
    constexpr auto kOutlying = static_cast<int>(LeftOut::Outlying);
    for (int cell = 0; cell < kCellCount; ++cell) {
        const auto records = static_cast<std::int64_t>(std::llround(solution[cell].outlying));
        analysis.cells[cell].leftOut[kOutlying] += records;
        analysis.leftOut[kOutlying] += records;
        analysis.accepted -= records;
    }
    return analysis;
}
