#include "lag/LagEstimate.h"

#include "common/Numbers.h"
#include "model/AfrModel.h"
#include "tune/DelayLine.h"

#include <Eigen/Sparse>
#include <Eigen/SparseCholesky>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <numeric>

namespace {

// The grid over the whole range only finds where to search: fewer readings tell it.
constexpr std::size_t kReadingsOnGrid = kLagReadingsJudged / 8;
// The readings are judged in blocks this long, within one stretch without gaps; each block's
// level is its own (see Scatter).
constexpr double kJudgedBlockS = 5;
// A nearest cell held this long and then left is a movement.
constexpr double kHeldS = 0.2;
// A drive whose best delay scatters its records less than this much less than a typical one
// cannot tell one delay from another.
constexpr double kLeastContrast = 0.25;
constexpr int kMovesPerStep = 8;
// The sensor's response has forgotten where it began this long after.
constexpr double kResponseSettledS = 5 * kSensorResponseS;
// A reading whose response still holds this much of a transient shows the transient.
constexpr double kTransientShare = 0.02;
// The share of the readings the criterion keeps: the rest agree least with the table fitted.
constexpr double kScatterKept = 0.9;
constexpr int kFitRounds = 2;

// The records' sums for the table that best agrees with them, interpolated as the lattice does.
class LeastSquares {
public:
    void add(const LatticeWeights& weights, double y) {
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

    // The table that best agrees with the records; 0 at a cell none reaches.
    CellValues solve() const {
        std::array<int, kCellCount> index{};
        int n = 0;
        for (int c = 0; c < kCellCount; ++c) {
            index[c] = h_[c][4] > 0 ? n++ : -1;
        }
        CellValues values{};
        if (n == 0) {
            return values;
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
        for (int c = 0; c < kCellCount; ++c) {
            values[c] = index[c] < 0 ? 0 : v(index[c]);
        }
        return values;
    }

private:
    static int Offset(int c, int d) {
        return (PressureIndexOf(d) - PressureIndexOf(c) + 1) * 3 + RpmIndexOf(d) - RpmIndexOf(c) +
               1;
    }
    std::array<double, kCellCount> b_{};
    std::array<std::array<double, 9>, kCellCount> h_{};
};

int NearestCell(const LatticeWeights& weights) {
    return std::max_element(
               weights.begin(), weights.end(),
               [](const CellWeight& a, const CellWeight& b) { return a.weight < b.weight; })
        ->cell;
}

// What one reading says of the true VE at the point a lag pairs it with, and the block of
// consecutive readings it came in.
struct Shown {
    LatticeWeights weights;
    double y;
    std::uint32_t block;
};

// Marks in `least` the `kept` smallest of `squares`; `order` is room to sort in.
void MarkLeast(const std::vector<double>& squares, std::size_t kept,
               std::vector<std::uint32_t>& order, std::vector<char>& least) {
    order.resize(squares.size());
    std::iota(order.begin(), order.end(), 0U);
    std::nth_element(
        order.begin(), order.begin() + static_cast<std::ptrdiff_t>(kept - 1), order.end(),
        [&squares](std::uint32_t a, std::uint32_t b) { return squares[a] < squares[b]; });
    least.assign(squares.size(), 0);
    for (std::size_t k = 0; k < kept; ++k) {
        least[order[k]] = 1;
    }
}

// Room for Scatter, kept from one lag to the next: a long drive judges many.
struct ScatterRoom {
    std::vector<double> left; // by the table alone
    std::vector<double> squares;
    std::vector<char> agrees;
    std::vector<std::uint32_t> order;
};

// Each block's level: the mean of what the table leaves of its agreeing readings.
std::vector<double> BlockLevels(const std::vector<Shown>& shown, const std::vector<double>& left,
                                const std::vector<char>& agrees, std::size_t blocks) {
    std::vector<double> sum(blocks, 0.0);
    std::vector<std::size_t> counted(blocks, 0);
    for (std::size_t i = 0; i < shown.size(); ++i) {
        if (agrees[i]) {
            sum[shown[i].block] += left[i];
            ++counted[shown[i].block];
        }
    }
    for (std::size_t b = 0; b < blocks; ++b) {
        sum[b] = counted[b] > 0 ? sum[b] / static_cast<double>(counted[b]) : 0;
    }
    return sum;
}

// A least trimmed squares criterion: the mean square of the records about the table that best
// agrees with them, each block of readings allowed an offset of its own, over the kScatterKept
// share that agree best. The offsets take out what drifts slowly (a bank's sensor wandering, the
// fuel warming), which says nothing of the delay; the trimming keeps a reading the model does
// not explain (fuel added on a tip-in too gentle to be seen as a transient) from deciding it. A
// few rounds of fitting the table, then the offsets, then which readings agree.
double Scatter(const std::vector<Shown>& shown, std::size_t blocks, ScatterRoom& room) {
    if (shown.empty()) {
        return 0;
    }
    const auto kept =
        static_cast<std::size_t>(std::ceil(kScatterKept * static_cast<double>(shown.size())));
    std::vector<double> offsets(blocks, 0.0);
    std::vector<double>& left = room.left;
    std::vector<double>& squares = room.squares;
    std::vector<char>& agrees = room.agrees;
    left.resize(shown.size());
    squares.resize(shown.size());
    agrees.assign(shown.size(), 1);
    double criterion = 0;
    for (int round = 0; round < kFitRounds; ++round) {
        LeastSquares sums;
        for (std::size_t i = 0; i < shown.size(); ++i) {
            if (agrees[i]) {
                sums.add(shown[i].weights, shown[i].y - offsets[shown[i].block]);
            }
        }
        const CellValues table = sums.solve();
        for (std::size_t i = 0; i < shown.size(); ++i) {
            left[i] = shown[i].y - Interpolate(table, shown[i].weights);
        }
        offsets = BlockLevels(shown, left, agrees, blocks);
        for (std::size_t i = 0; i < shown.size(); ++i) {
            const double r = left[i] - offsets[shown[i].block];
            squares[i] = r * r;
        }
        MarkLeast(squares, kept, room.order, agrees);
        criterion = 0;
        for (std::size_t i = 0; i < shown.size(); ++i) {
            criterion += agrees[i] ? squares[i] : 0;
        }
        criterion /= static_cast<double>(kept);
    }
    return criterion;
}

} // namespace

LagEstimator::LagEstimator(const VeTable& lattice, const CellValues& target,
                           const TuneOptions& options)
    : lattice_(LatticeOf(lattice)), target_(target), options_(options) {}

void LagEstimator::beginLog(const TableInForce& tables) {
    inForce_ = tables;
    applied_ = 0;
    tables_.push_back(inForce_->at(0));
    lastCell_ = -1; // the log's first row starts a run: no pairing reaches across logs
}

void LagEstimator::judged(const TuneRow& row, const RowVerdict& verdict) {
    const bool transient = verdict.transient;
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
    if (!verdict.limit) {
        if (blockStarts_.empty() || runStarts_.back() > readings_.back().row ||
            row.timeS - rows_[readings_[blockStarts_.back()].row].timeS >= kJudgedBlockS) {
            blockStarts_.push_back(static_cast<std::uint32_t>(readings_.size()));
        }
        readings_.push_back({static_cast<std::uint32_t>(rows_.size() - 1),
                             static_cast<std::uint32_t>(tables_.size() - 1),
                             static_cast<float>(verdict.afr)});
    }
}

Moment LagEstimator::arrivingAt(Sensed& s, std::size_t row) const {
    const auto arriveAt = [this, &s](std::size_t i) {
        return rows_[i].timeS + TransportDelayS(s.lag, rows_[i].rpm, rows_[i].pressurePsi);
    };
    const auto moment = [this](std::size_t i) {
        const Row& r = rows_[i];
        return Moment{r.timeS, r.rpm, r.pressurePsi, r.tempF, r.transient};
    };
    const Arrival arrival = Arriving(s.cursor, row + 1, rows_[row].timeS, arriveAt);
    s.cursor = arrival.last;
    Moment point = moment(s.cursor);
    if (arrival.share) {
        point = Between(point, moment(s.cursor + 1),
                        point.timeS + *arrival.share * (rows_[s.cursor + 1].timeS - point.timeS));
    }
    return point;
}

bool LagEstimator::sense(Sensed& s, std::size_t row, double share) const {
    const double now = rows_[row].timeS;
    const Moment point = arrivingAt(s, row);
    if (rows_[s.cursor].timeS +
            TransportDelayS(s.lag, rows_[s.cursor].rpm, rows_[s.cursor].pressurePsi) >
        now) {
        s.started = false; // the run began less than a delay ago
        return false;
    }
    const double transient = point.transient ? 1 : 0;
    if (!s.started) {
        s = {s.lag, s.cursor, true, now, point.rpm, point.pressurePsi, point.tempF, transient};
    } else {
        s.rpm = SensorResponse(s.rpm, point.rpm, share);
        s.pressurePsi = SensorResponse(s.pressurePsi, point.pressurePsi, share);
        s.tempF = SensorResponse(s.tempF, point.tempF, share);
        s.transient = SensorResponse(s.transient, transient, share);
    }
    return now - s.sinceS >= kResponseSettledS && s.transient < kTransientShare &&
           !(options_.minRpm && s.rpm < *options_.minRpm) &&
           !(options_.minTempF && s.tempF < *options_.minTempF);
}

std::size_t LagEstimator::firstRowFrom(std::size_t runStart, std::size_t before,
                                       double timeS) const {
    return static_cast<std::size_t>(
        std::lower_bound(rows_.begin() + static_cast<std::ptrdiff_t>(runStart),
                         rows_.begin() + static_cast<std::ptrdiff_t>(before), timeS,
                         [](const Row& r, double t) { return r.timeS < t; }) -
        rows_.begin());
}

std::vector<double> LagEstimator::scatter(const std::vector<WidebandLag>& lags,
                                          std::size_t judged) const {
    // Blocks of consecutive readings spread over the drives, so the pairing walks only the rows
    // around each block; each lag's point per reading judged, and a reading is judged only when
    // every lag has a point, or a lag could gain by pairing the hardest readings away.
    const std::size_t blocks = blockStarts_.size();
    const std::size_t stride =
        std::max<std::size_t>(1, readings_.size() / std::max<std::size_t>(judged, 1));
    const auto blockEnd = [&](std::size_t block) {
        return block + 1 < blocks ? blockStarts_[block + 1] : readings_.size();
    };
    std::size_t most = 0; // readings in the blocks judged: room for them all, made once
    for (std::size_t block = 0; block < blocks; block += stride) {
        most += blockEnd(block) - blockStarts_[block];
    }
    std::vector<std::pair<float, float>> points; // reading by reading, each lag's in turn
    points.reserve(most * lags.size());
    std::vector<std::uint32_t> judgedReadings;
    judgedReadings.reserve(most);
    std::vector<std::uint32_t> judgedBlocks; // the block each came in, counted from 0
    judgedBlocks.reserve(most);
    std::vector<Sensed> sensed(lags.size());
    for (std::size_t block = 0; block < blocks; block += stride) {
        std::size_t k = blockStarts_[block];
        const std::size_t last = blockEnd(block);
        // From a little before the block's first reading, so each response has settled; the
        // transport walked from as far back as the longest delay.
        const std::uint32_t firstRow = readings_[k].row;
        const auto runStart = static_cast<std::size_t>(
            *(std::upper_bound(runStarts_.begin(), runStarts_.end(), firstRow) - 1));
        const std::size_t from =
            firstRowFrom(runStart, firstRow, rows_[firstRow].timeS - kResponseSettledS);
        const std::size_t cursor =
            firstRowFrom(runStart, from, rows_[from].timeS - kLongestDelayS - 0.01);
        for (std::size_t l = 0; l < lags.size(); ++l) {
            sensed[l] = {lags[l], cursor};
        }
        for (std::size_t row = from; row <= readings_[last - 1].row; ++row) {
            if (row > from && std::binary_search(runStarts_.begin(), runStarts_.end(),
                                                 static_cast<std::uint32_t>(row))) {
                for (std::size_t l = 0; l < lags.size(); ++l) {
                    sensed[l] = {lags[l], row}; // a new run: nothing pairs across the gap
                }
            }
            // Every lag's sensor moves by the same share from one row to the next.
            const double share =
                row > from ? SensorShare(rows_[row].timeS - rows_[row - 1].timeS) : 1;
            bool judgedByAll = true;
            for (Sensed& s : sensed) {
                judgedByAll = sense(s, row, share) && judgedByAll;
            }
            if (row != readings_[k].row) {
                continue;
            }
            if (judgedByAll) {
                judgedReadings.push_back(static_cast<std::uint32_t>(k));
                judgedBlocks.push_back(static_cast<std::uint32_t>(block / stride));
                for (const Sensed& s : sensed) {
                    points.emplace_back(static_cast<float>(s.rpm),
                                        static_cast<float>(s.pressurePsi));
                }
            }
            if (++k == last) {
                break;
            }
        }
    }
    std::vector<double> scatters;
    std::vector<Shown> shown(judgedReadings.size());
    ScatterRoom room;
    for (std::size_t l = 0; l < lags.size(); ++l) {
        for (std::size_t i = 0; i < judgedReadings.size(); ++i) {
            const Reading& reading = readings_[judgedReadings[i]];
            const LatticeWeights weights = WeightsAt(lattice_, points[i * lags.size() + l].first,
                                                     points[i * lags.size() + l].second);
            shown[i] = {weights,
                        ShownTrueVe(reading.afr, Interpolate(target_, weights),
                                    CommandedVe(tables_[reading.table], weights)),
                        judgedBlocks[i]};
        }
        scatters.push_back(Scatter(shown, (blocks + stride - 1) / stride, room));
    }
    return scatters;
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
    // A grid over the whole range, then a compass (pattern) search from its best that halves its
    // step.
    const double step = kLagGridStepMs;
    std::vector<WidebandLag> lags;
    for (int m = 0; m < kLagGridSteps; ++m) {
        for (int f = 0; f < kLagGridSteps; ++f) {
            lags.push_back({m * step, f * step});
        }
    }
    const std::vector<double> scores = scatter(lags, kReadingsOnGrid);
    for (std::size_t k = 0; k < lags.size(); ++k) {
        estimate.grid.push_back({lags[k], scores[k]});
    }
    LagScore best = *std::min_element(
        estimate.grid.begin(), estimate.grid.end(),
        [](const LagScore& a, const LagScore& b) { return a.scatter < b.scatter; });
    std::vector<double> sorted = scores;
    std::nth_element(sorted.begin(), sorted.begin() + sorted.size() / 2, sorted.end());
    if (!(best.scatter < sorted[sorted.size() / 2] * (1 - kLeastContrast))) {
        estimate.why = "the drive cannot tell one lag from another";
        return estimate;
    }
    // Each step judges its centre and the four lags around it by the same readings.
    for (double move = step / 2; move >= 5; move /= 2) {
        // Each step's readings differ a little, so a move is taken at most a few times a step.
        for (int moves = 0; moves < kMovesPerStep; ++moves) {
            std::vector<WidebandLag> around{best.lag};
            for (const auto& [dm, df] :
                 {std::pair{move, 0.0}, {-move, 0.0}, {0.0, move}, {0.0, -move}}) {
                around.push_back({std::clamp(best.lag.ms + dm, 0.0, kLongestDelayMs),
                                  std::clamp(best.lag.flowMs + df, 0.0, kLongestDelayMs)});
            }
            const std::vector<double> s = scatter(around);
            const auto least = std::min_element(s.begin(), s.end());
            if (least == s.begin() || !(*least < s[0])) {
                break;
            }
            best = {around[static_cast<std::size_t>(least - s.begin())], *least};
        }
    }
    // At the cap even where the exhaust flows fastest, every lag beyond pairs the same.
    const double fastest = TransportDelayS(
        best.lag, *std::max_element(lattice_.rpmHundreds.begin(), lattice_.rpmHundreds.end()) * 100,
        *std::max_element(lattice_.pressurePsi.begin(), lattice_.pressurePsi.end()));
    if (best.lag.ms >= kLongestDelayMs || best.lag.flowMs >= kLongestDelayMs ||
        fastest >= kLongestDelayS) {
        char why[96];
        std::snprintf(why, sizeof why,
                      "the lag looks longer than the range searched (%.0f ms + %.0f ms)",
                      kLongestDelayMs, kLongestDelayMs);
        estimate.why = why;
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
