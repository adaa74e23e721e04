#include "tune/VeSolve.h"

#include <Eigen/Dense>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// The model's own error, as a share of the VE: no point is known better than this, however
// many records it holds.
constexpr double kModelError = 0.005;

struct System {
    std::vector<int> cells;              // the unknowns: cells some record reaches
    std::array<int, kCellCount> index{}; // each cell's unknown, or -1
    Eigen::MatrixXd h;                   // the sum over points of w w^T, each by its weight
    Eigen::VectorXd b;                   // the sum of w y, each by its weight
    Eigen::VectorXd mean;                // each unknown moved by its records' mean correction
};

// The scatter of one record about its point's mean, pooled over all points.
double RecordVariance(const PointBins& points) {
    double squares = 0, freedom = 0;
    for (const PointBin& bin : points.bins) {
        if (bin.records > 1) {
            squares += std::max(0.0, bin.yySum - bin.ySum * bin.ySum / bin.records);
            freedom += bin.records - 1;
        }
    }
    return freedom > 0 ? squares / freedom : 0;
}

// How well a point's mean is known: its records' noise, and the model's error.
double PointWeight(const PointBin& bin, double recordVariance) {
    const double model = kModelError * bin.ySum / bin.records;
    return 1 / (recordVariance / bin.records + model * model + 1e-12);
}

// Calls `use(cells, weights, mean)` for every point some record fell at.
template <typename Use> void ForEachPoint(const PointBins& points, Use use) {
    for (std::size_t k = 0; k < points.bins.size(); ++k) {
        const PointBin& bin = points.bins[k];
        if (bin.records == 0) {
            continue;
        }
        const auto [p, r] = PointBins::SquareOfBin(static_cast<int>(k));
        std::array<double, 4> w{};
        for (int j = 0; j < 4; ++j) {
            w[j] = bin.weightSum[j] / bin.records;
        }
        use(SquareCells(p, r), w, bin);
    }
}

System SystemOf(const Analysis& a, double recordVariance) {
    System s;
    s.index.fill(-1);
    for (int c = 0; c < kCellCount; ++c) {
        if (a.cells[c].hits > 0) {
            s.index[c] = static_cast<int>(s.cells.size());
            s.cells.push_back(c);
        }
    }
    const auto n = static_cast<Eigen::Index>(s.cells.size());
    s.h = Eigen::MatrixXd::Zero(n, n);
    s.b = Eigen::VectorXd::Zero(n);
    s.mean.resize(n);
    for (Eigen::Index i = 0; i < n; ++i) {
        s.mean(i) = a.cells[s.cells[static_cast<std::size_t>(i)]].meanCorrected();
    }
    ForEachPoint(a.points, [&](const std::array<int, 4>& cells, const std::array<double, 4>& w,
                               const PointBin& bin) {
        const double weight = PointWeight(bin, recordVariance);
        for (int j = 0; j < 4; ++j) {
            if (w[j] == 0) {
                continue;
            }
            const int row = s.index[cells[j]];
            s.b(row) += weight * w[j] * bin.ySum / bin.records;
            for (int l = 0; l < 4; ++l) {
                if (w[l] != 0) {
                    s.h(row, s.index[cells[l]]) += weight * w[j] * w[l];
                }
            }
        }
    });
    return s;
}

// Per cell, how much more its points stray from v than their weights allow (at least 1).
Eigen::VectorXd Strays(const Analysis& a, const System& s, const Eigen::VectorXd& v,
                       double recordVariance) {
    Eigen::VectorXd sum = Eigen::VectorXd::Zero(v.size()), share = sum;
    ForEachPoint(a.points, [&](const std::array<int, 4>& cells, const std::array<double, 4>& w,
                               const PointBin& bin) {
        double fitted = 0;
        for (int j = 0; j < 4; ++j) {
            fitted += w[j] == 0 ? 0 : w[j] * v(s.index[cells[j]]);
        }
        const double miss = bin.ySum / bin.records - fitted;
        const double strayed = PointWeight(bin, recordVariance) * miss * miss;
        for (int j = 0; j < 4; ++j) {
            if (w[j] != 0) {
                sum(s.index[cells[j]]) += w[j] * strayed;
                share(s.index[cells[j]]) += w[j];
            }
        }
    });
    return sum.cwiseQuotient(share).cwiseMax(1.0);
}

// How much of a direction the points are trusted with, by how well they pin it down (an
// eigenvalue of their sums scaled to 1 a cell, 1 for a cell its points reach alone).
double Trust(double pinned) {
    return pinned > 0 ? pinned * pinned / (pinned * pinned + kWeakDirection * kWeakDirection) : 0;
}

} // namespace

Solution SolveVe(const Analysis& a) {
    Solution solution{};
    const double recordVariance = RecordVariance(a.points);
    const System s = SystemOf(a, recordVariance);
    if (s.cells.empty()) {
        return solution;
    }
    // Scaled so each cell's own sum is 1: how well the points pin a direction down is then the
    // same for a cell of few hits as for one of many.
    const Eigen::VectorXd scale = s.h.diagonal().cwiseSqrt().cwiseInverse();
    const Eigen::MatrixXd scaled = scale.asDiagonal() * s.h * scale.asDiagonal();
    const Eigen::SelfAdjointEigenSolver<Eigen::MatrixXd> eigen(scaled);
    if (eigen.info() != Eigen::Success) {
        return solution; // no cell is known: none changes
    }
    const Eigen::VectorXd& pinned = eigen.eigenvalues();
    const Eigen::MatrixXd& directions = eigen.eigenvectors();
    Eigen::VectorXd gain(pinned.size()), noise(pinned.size());
    for (Eigen::Index k = 0; k < pinned.size(); ++k) {
        const double trust = Trust(pinned(k));
        gain(k) = trust > 0 ? trust / pinned(k) : 0;
        noise(k) = trust > 0 ? trust * trust / pinned(k) : 0;
    }
    // From the mean corrections, as far along each direction as the points are trusted.
    const Eigen::VectorXd residual = scale.cwiseProduct(s.b - s.h * s.mean);
    const Eigen::VectorXd v =
        s.mean +
        scale.cwiseProduct(directions * gain.cwiseProduct(directions.transpose() * residual));
    if (!v.allFinite()) {
        return solution;
    }
    // Each cell's spread from its points' errors, along the directions it was moved in, the
    // more as its points stray more than those errors allow.
    const Eigen::VectorXd spread =
        (directions.array().square().matrix() * noise).cwiseProduct(scale.cwiseProduct(scale));
    const Eigen::VectorXd strays = Strays(a, s, v, recordVariance);
    for (std::size_t i = 0; i < s.cells.size(); ++i) {
        const auto at = static_cast<Eigen::Index>(i);
        const int c = s.cells[i];
        const CellTally& tally = a.cells[c];
        // The banks' disagreement is no noise that averages away: the truth may lie anywhere
        // between them, a spread of a uniform interval.
        const double bank = tally.bankSum / tally.hits / std::sqrt(3.0);
        const double uncertainty = std::sqrt(strays(at) * spread(at) + bank * bank);
        solution[c] = {true, v(at), 100 * uncertainty / std::max(std::abs(v(at)), 1.0)};
    }
    return solution;
}
