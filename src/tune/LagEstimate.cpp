#include "tune/LagEstimate.h"

#include "tune/AfrModel.h"
#include "tune/DelayLine.h"
#include "tune/Suggestion.h"

#include <Eigen/Sparse>
#include <Eigen/SparseCholesky>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

namespace {

// The grid over the whole range only finds where to search: fewer readings tell it.
constexpr std::size_t kReadingsOnGrid = kLagReadingsJudged / 4;
constexpr std::size_t kJudgedBlock = 256;
// A nearest cell held this long and then left is a movement.
constexpr double kHeldS = 0.2;
// A drive whose best delay scatters its records less than this much less than a typical one
// cannot tell one delay from another.
constexpr double kLeastContrast = 0.02;

// The records' sums for a table that best agrees with them, interpolated as the lattice does;
// what is left over is the criterion.
class LeastSquares {
public:
    void add(const LatticeWeights& weights, double y) {
        ++records_;
        yy_ += y * y;
        for (const CellWeight& a : weights) {
            if (a.weight == 0) {
                continue;
            }
            b_[a.cell] += a.weight * y;
            for (const CellWeight& d : weights) {
                if (d.weight != 0) {
                    h_[a.cell][Offset(a.cell, d.cell)] += a.weight * d.weight;
                }
            }
        }
    }

    // The mean square of the records about the table that best agrees with them.
    double residual() const {
        std::array<int, kCellCount> index{};
        index.fill(-1);
        int n = 0;
        for (int c = 0; c < kCellCount; ++c) {
            index[c] = h_[c][4] > 0 ? n++ : -1;
        }
        if (n == 0) {
            return 0;
        }
        std::vector<Eigen::Triplet<double>> entries;
        Eigen::VectorXd b(n);
        for (int c = 0; c < kCellCount; ++c) {
            if (index[c] < 0) {
                continue;
            }
            b(index[c]) = b_[c];
            for (int k = 0; k < 9; ++k) {
                const int d = c + (k / 3 - 1) * kLatticeSize + (k % 3 - 1);
                if (h_[c][k] != 0) {
                    // A little of each cell's own sum keeps one reached only at an edge solvable.
                    entries.emplace_back(index[c], index[d], h_[c][k] * (k == 4 ? 1 + 1e-6 : 1));
                }
            }
        }
        Eigen::SparseMatrix<double> h(n, n);
        h.setFromTriplets(entries.begin(), entries.end());
        const Eigen::SimplicialLDLT<Eigen::SparseMatrix<double>> solver(h);
        const Eigen::VectorXd v = solver.solve(b);
        return std::max(0.0, yy_ - v.dot(b)) / static_cast<double>(records_);
    }

private:
    static int Offset(int c, int d) {
        return (PressureIndexOf(d) - PressureIndexOf(c) + 1) * 3 + RpmIndexOf(d) - RpmIndexOf(c) +
               1;
    }
    std::int64_t records_ = 0;
    double yy_ = 0;
    std::array<double, kCellCount> b_{};
    std::array<std::array<double, 9>, kCellCount> h_{};
};

int NearestCell(const LatticeWeights& weights) {
    return std::max_element(
               weights.begin(), weights.end(),
               [](const CellWeight& a, const CellWeight& b) { return a.weight < b.weight; })
        ->cell;
}

} // namespace

LagEstimator::LagEstimator(const VeTable& lattice, const CellValues& target,
                           const TuneOptions& options)
    : lattice_(LatticeOf(lattice)), target_(target), options_(options) {}

void LagEstimator::beginLog(TableInForce tables) {
    inForce_ = std::move(tables);
    applied_ = 0;
    tables_.push_back(inForce_->at(0));
    lastCell_ = -1; // the log's first row starts a run: no pairing reaches across logs
}

void LagEstimator::add(const TuneRow& row, double afr, bool usable, bool transient) {
    if (rows_.size() >= kLagRowsKept) {
        return;
    }
    const bool gap =
        rows_.empty() || lastCell_ < 0 ||
        !(row.timeS - rows_.back().timeS >= 0 && row.timeS - rows_.back().timeS <= kLogGapS);
    if (transient && !gap && !rows_.back().transient) {
        for (auto k = rows_.rbegin(); k != rows_.rend() && k->timeS >= row.timeS - kTransientLeadS;
             ++k) {
            k->transient = true;
            if (k->startsRun) {
                break;
            }
        }
    }
    if (gap) {
        runStarts_.push_back(static_cast<std::uint32_t>(rows_.size()));
    }
    rows_.push_back({row.timeS, static_cast<float>(row.rpm), static_cast<float>(row.pressurePsi),
                     static_cast<float>(row.tempF), transient, gap});
    const VeTable& table = inForce_->at(row.timeS);
    if (inForce_->applied() != applied_) {
        applied_ = inForce_->applied();
        tables_.push_back(table);
    }
    const int cell = NearestCell(WeightsAt(lattice_, row.rpm, row.pressurePsi));
    if (cell != lastCell_) {
        // Only a movement whose readings can be used tells the delay: not one in a transient.
        movements_ += lastCell_ >= 0 && !transient && row.timeS - cellSinceS_ >= kHeldS ? 1 : 0;
        lastCell_ = cell;
        cellSinceS_ = row.timeS;
    }
    if (usable) {
        readings_.push_back({static_cast<std::uint32_t>(rows_.size() - 1),
                             static_cast<std::uint32_t>(tables_.size() - 1),
                             static_cast<float>(afr)});
    }
}

double LagEstimator::scatter(const WidebandLag& lag, std::size_t judged) const {
    LeastSquares sums;
    const auto readAt = [this, &lag](std::size_t i) {
        return rows_[i].timeS + ReadingDelayS(lag, rows_[i].rpm, rows_[i].pressurePsi);
    };
    const auto moment = [this](std::size_t i) {
        const Row& r = rows_[i];
        return Moment{r.timeS, r.rpm, r.pressurePsi, r.tempF, r.transient};
    };
    // Blocks of consecutive readings spread over the drives, so the pairing walks only the rows
    // around each block.
    const std::size_t blocks = (readings_.size() + kJudgedBlock - 1) / kJudgedBlock;
    const std::size_t stride =
        std::max<std::size_t>(1, blocks * kJudgedBlock / std::max(judged, kJudgedBlock));
    std::size_t cursor = 0; // the last row whose exhaust had been read by the reading's time
    std::size_t runStart = 0;
    for (std::size_t block = 0; block < blocks; block += stride) {
        const std::size_t first = block * kJudgedBlock;
        const std::size_t last = std::min(readings_.size(), first + kJudgedBlock);
        // The first row that may be paired with the block's first reading, in its run.
        const std::uint32_t row = readings_[first].row;
        runStart = *(std::upper_bound(runStarts_.begin(), runStarts_.end(), row) - 1);
        const double earliest = rows_[row].timeS - kLongestDelayS - kSensorResponseS - 0.01;
        cursor = static_cast<std::size_t>(
            std::lower_bound(rows_.begin() + static_cast<std::ptrdiff_t>(runStart),
                             rows_.begin() + row, earliest,
                             [](const Row& r, double t) { return r.timeS < t; }) -
            rows_.begin());
        cursor = std::max(cursor, runStart);
        for (std::size_t k = first; k < last; ++k) {
            const Reading& reading = readings_[k];
            if (reading.row >= runStart && k > first &&
                std::binary_search(runStarts_.begin(), runStarts_.end(), reading.row)) {
                runStart = cursor = reading.row; // a new run began within the block
            }
            const double now = rows_[reading.row].timeS;
            while (cursor + 1 <= reading.row && readAt(cursor + 1) <= now) {
                ++cursor;
            }
            if (readAt(cursor) > now) {
                continue; // the run began less than a delay ago
            }
            Moment point = moment(cursor);
            if (cursor + 1 <= reading.row && readAt(cursor + 1) > readAt(cursor)) {
                const double share = (now - readAt(cursor)) / (readAt(cursor + 1) - readAt(cursor));
                point = Between(point, moment(cursor + 1),
                                point.timeS + share * (rows_[cursor + 1].timeS - point.timeS));
            }
            if ((options_.minRpm && point.rpm < *options_.minRpm) ||
                (options_.minTempF && point.tempF < *options_.minTempF) || point.transient) {
                continue;
            }
            const LatticeWeights weights = WeightsAt(lattice_, point.rpm, point.pressurePsi);
            const double y = ShownTrueVe(reading.afr, Interpolate(target_, weights),
                                         CommandedVe(tables_[reading.table], weights));
            sums.add(weights, y);
        }
    }
    return sums.residual();
}

LagEstimate LagEstimator::estimate(const WidebandLag& fallback,
                                   const std::string& fallbackSource) const {
    LagEstimate estimate{fallback, false, "", fallbackSource, movements_, {}};
    if (movements_ < kMinMovements) {
        estimate.why = "the drive holds too little movement to tell: " + Thousands(movements_) +
                       (movements_ == 1 ? " movement, " : " movements, ") +
                       std::to_string(kMinMovements) + " needed";
        return estimate;
    }
    // A grid over the whole range, then a search from its best that halves its step.
    const double step = kLagRangeMs / (kLagGridSteps - 1);
    LagScore best{{0, 0}, 0};
    std::vector<double> scores;
    for (int m = 0; m < kLagGridSteps; ++m) {
        for (int f = 0; f < kLagGridSteps; ++f) {
            const WidebandLag lag{m * step, f * step};
            const LagScore score{lag, scatter(lag, kReadingsOnGrid)};
            estimate.grid.push_back(score);
            scores.push_back(score.scatter);
            if (estimate.grid.size() == 1 || score.scatter < best.scatter) {
                best = score;
            }
        }
    }
    std::nth_element(scores.begin(), scores.begin() + scores.size() / 2, scores.end());
    const double typical = scores[scores.size() / 2];
    const bool contrast = best.scatter < typical * (1 - kLeastContrast);
    // The best of the grid judged again by as many readings as the search judges each step by.
    best.scatter = scatter(best.lag);
    for (double move = step / 2; move >= 5; move /= 2) {
        for (bool better = true; better;) {
            better = false;
            for (const auto& [dm, df] :
                 {std::pair{move, 0.0}, {-move, 0.0}, {0.0, move}, {0.0, -move}}) {
                const WidebandLag lag{std::clamp(best.lag.ms + dm, 0.0, kLagRangeMs),
                                      std::clamp(best.lag.flowMs + df, 0.0, kLagRangeMs)};
                const double s = scatter(lag);
                if (s < best.scatter) {
                    best = {lag, s};
                    better = true;
                }
            }
        }
    }
    if (!contrast) {
        estimate.why = "the drive cannot tell one lag from another";
        return estimate;
    }
    if (best.lag.ms >= kLagRangeMs || best.lag.flowMs >= kLagRangeMs) {
        estimate.why = "the lag looks longer than the range searched (1000 ms + 1000 ms)";
        return estimate;
    }
    estimate.lag = best.lag;
    estimate.found = true;
    return estimate;
}

std::string LagText(const LagEstimate& e) {
    char text[256];
    if (!e.found && !e.why.empty()) {
        std::snprintf(text, sizeof text,
                      "wideband lag: %.0f ms + %.0f ms at 1000 RPM and "
                      "atmosphere, %s (%s)",
                      e.lag.ms, e.lag.flowMs, e.source.c_str(), e.why.c_str());
        return text;
    }
    // Idle in vacuum, and full boost, as a tuner pictures them.
    const double idle = TransportDelayS(e.lag, 800, 5) * 1000;
    const double boost = TransportDelayS(e.lag, 6000, 20 + kAtmosphereForFlowPsi) * 1000;
    std::snprintf(text, sizeof text,
                  "wideband lag: %.0f ms + %.0f ms at 1000 RPM and atmosphere: %.0f ms at idle "
                  "(800 RPM, 5 PSI), %.0f ms at 6000 RPM and 20 PSI boost",
                  e.lag.ms, e.lag.flowMs, idle, boost);
    return std::string(text) + (e.found
                                    ? "; estimated from " + Thousands(e.movements) + " movements"
                                    : "; " + e.source);
}
