#include "tune/VeAnalysis.h"

#include "model/AfrModel.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

std::int64_t CellTally::leftOutTotal() const {
    std::int64_t total = 0;
    for (const std::int64_t n : leftOut) {
        total += n;
    }
    return total;
}

std::int64_t Analysis::leftOutTotal() const {
    std::int64_t total = 0;
    for (const std::int64_t n : leftOut) {
        total += n;
    }
    return total;
}

SquarePoint SquareOf(const LatticeWeights& weights) {
    // The weights come low pressure and low RPM first; at the lattice's far edges both ends are
    // the last breakpoint, which is the far side of the last square.
    SquarePoint at{PressureIndexOf(weights[0].cell), RpmIndexOf(weights[0].cell),
                   weights[2].weight + weights[3].weight, weights[1].weight + weights[3].weight};
    if (at.p == kSquaresPerSide) {
        at = {at.p - 1, at.r, 1, at.rShare};
    }
    if (at.r == kSquaresPerSide) {
        at = {at.p, at.r - 1, at.pShare, 1};
    }
    return at;
}

std::array<int, 4> SquareCells(int p, int r) {
    return {CellIndex(p, r), CellIndex(p, r + 1), CellIndex(p + 1, r), CellIndex(p + 1, r + 1)};
}

void PointBins::add(const LatticeWeights& weights, double y, std::uint64_t stretch, double spread) {
    const SquarePoint at = SquareOf(weights);
    const auto slot = [](double share) {
        return std::clamp(static_cast<int>(share * kBinsPerSide), 0, kBinsPerSide - 1);
    };
    const int k =
        ((at.p * kSquaresPerSide + at.r) * kBinsPerSide + slot(at.pShare)) * kBinsPerSide +
        slot(at.rShare);
    // Down to three quarters, so a drive that never comes back to a place merges little a time
    // but is not merged again at once.
    while (bins_.size() >= kMostPointBins) {
        while (bins_.size() >= kMostPointBins * 3 / 4) {
            coarsen();
        }
    }
    if ((stretch >> coarser_) != stretch_) {
        open_.clear();
        stretch_ = stretch >> coarser_;
    }
    const auto [found, made] = open_.try_emplace(k, bins_.size());
    if (made) {
        bins_.push_back({at.p, at.r, stretch_, k});
    }
    PointBin& bin = bins_[found->second];
    bin.records += 1;
    bin.spreadSquares += spread * spread;
    bin.ySum += y;
    bin.yySum += y * y;
    const double shares[4] = {(1 - at.pShare) * (1 - at.rShare), (1 - at.pShare) * at.rShare,
                              at.pShare * (1 - at.rShare), at.pShare * at.rShare};
    for (int corner = 0; corner < 4; ++corner) {
        bin.weightSum[corner] += shares[corner];
    }
}

VeAnalyzer::VeAnalyzer(const VeTable& lattice, const CellValues& target, const TuneOptions& options)
    : lattice_(LatticeOf(lattice)), target_(target), options_(options), delay_(options.lag),
      judge_(options) {}

void PointBins::coarsen() {
    ++coarser_;
    stretch_ >>= 1;
    // Bins come in stretch order, so a pair's bins lie together.
    std::vector<PointBin> merged;
    std::unordered_map<int, std::size_t> pair;
    for (const PointBin& bin : bins_) {
        const std::uint64_t stretch = bin.stretch >> 1;
        if (merged.empty() || merged.back().stretch != stretch) {
            pair.clear();
        }
        const auto [at, made] = pair.try_emplace(bin.place, merged.size());
        if (made) {
            merged.push_back(bin);
            merged.back().stretch = stretch;
            continue;
        }
        PointBin& into = merged[at->second];
        into.records += bin.records;
        into.ySum += bin.ySum;
        into.yySum += bin.yySum;
        into.spreadSquares += bin.spreadSquares;
        for (int corner = 0; corner < 4; ++corner) {
            into.weightSum[corner] += bin.weightSum[corner];
        }
    }
    bins_ = std::move(merged);
    open_.clear();
    for (std::size_t k = 0; k < bins_.size(); ++k) {
        if (bins_[k].stretch == stretch_) {
            open_.emplace(bins_[k].place, k);
        }
    }
}

void VeAnalyzer::beginLog(const std::string& name, TableInForce tables) {
    if (observer_) {
        observer_->beginLog(tables);
    }
    log_ = name;
    ++stretch_; // nothing of one log is a stretch of another
    stretchFromS_.reset();
    recentPoints_.clear();
    atRow_ = tables;
    atPoint_ = std::move(tables);
    delay_ = DelayLine(options_.lag);
    judge_.beginLog();
    seen_ = {};
    started_ = false;
    warm_ = false;
    binBase_ = analysis_.timelineSeconds();
}

std::optional<std::string> VeAnalyzer::consistency(const TuneRow& row) {
    const int cell = CellIndex(row.pressureIndex, row.rpmIndex);
    if (atRow_->held(cell, row.ve, row.timeS, kClockTickS)) {
        seen_[cell] = true;
        return std::nullopt;
    }
    const VeTable& table = atRow_->at(row.timeS);
    const std::string place = "the cell at pressure index " + std::to_string(row.pressureIndex) +
                              ", RPM index " + std::to_string(row.rpmIndex);
    const std::string held = std::to_string(std::lround(row.ve));
    const std::string line = std::to_string(row.line);
    // Only a cell seen with two values within the log says that the table changed meanwhile.
    return seen_[cell]
               ? log_ + ": the table changed during the drive at line " + line + ": " + place +
                     " held " + std::to_string(table[cell]) + ", then " + held
               : log_ + ": recorded against another table (line " + line + ": " + place + " held " +
                     held + ", the table holds " + std::to_string(table[cell]) + ")";
}

namespace {

// Where the breakpoint search places `x`: the last breakpoint strictly below it; nothing below
// them all (the search keeps the index it had). The log's values are rounded as written, so a
// value this close to a breakpoint may have fallen either side.
constexpr double kLoggedRounding = 0.01;
std::optional<int> PlacedAt(const std::array<double, kLatticeSize>& breakpoints, double x) {
    std::optional<int> at;
    for (int k = 0; k < kLatticeSize; ++k) {
        if (breakpoints[k] < x) {
            at = k;
        }
    }
    return at;
}
bool Placed(const std::array<double, kLatticeSize>& breakpoints, double x, int index) {
    const std::optional<int> low = PlacedAt(breakpoints, x - kLoggedRounding);
    const std::optional<int> high = PlacedAt(breakpoints, x + kLoggedRounding);
    return !low || (index >= *low && index <= high.value_or(*low));
}

} // namespace

std::optional<std::string> VeAnalyzer::pointMismatch(const TuneRow& row) const {
    // `x` as the breakpoints count it, `shown` as the log has it.
    const auto say = [&](const char* axis, double x, double shown, const char* unit, int logged,
                         const std::array<double, kLatticeSize>& breakpoints) {
        char text[200];
        std::snprintf(text, sizeof text,
                      "line %zu: the log puts %g %s at %s index %d, the table's breakpoints at %d",
                      row.line, shown, unit, axis, logged, PlacedAt(breakpoints, x).value_or(0));
        return log_ + ": recorded on other breakpoints than the table's (" + text + ")";
    };
    if (!Placed(lattice_.rpmHundreds, row.rpm / 100, row.rpmIndex)) {
        return say("RPM", row.rpm / 100, row.rpm, "RPM", row.rpmIndex, lattice_.rpmHundreds);
    }
    if (!Placed(lattice_.pressurePsi, row.pressurePsi, row.pressureIndex)) {
        return say("pressure", row.pressurePsi, row.pressurePsi, "PSI", row.pressureIndex,
                   lattice_.pressurePsi);
    }
    return std::nullopt;
}

double VeAnalyzer::spreadOf(double timeS, const LatticeWeights& weights) {
    const SquarePoint at = SquareOf(weights);
    const std::pair<double, double> place{at.p + at.pShare, at.r + at.rShare};
    while (!recentPoints_.empty() && !(timeS - recentPoints_.front().first <= kSpreadS &&
                                       timeS >= recentPoints_.back().first)) {
        recentPoints_.pop_front();
    }
    recentPoints_.emplace_back(timeS, place);
    const auto& [p, r] = recentPoints_.front().second;
    return std::hypot(place.first - p, place.second - r);
}

TimeBin& VeAnalyzer::binOf(double timeS) {
    // The rows of a log come in time order (one running backwards is impossible, never binned).
    const std::size_t second =
        binBase_ + static_cast<std::size_t>(std::clamp(timeS - logStartS_, 0.0, kLongestDriveS));
    std::vector<TimeBin>& timeline = analysis_.timeline;
    if (timeline.empty() || timeline.back().second != second) {
        timeline.push_back({second});
    }
    return timeline.back();
}

void VeAnalyzer::countUnplaced(LeftOut why) {
    ++analysis_.records;
    ++analysis_.leftOut[static_cast<int>(why)];
}

void VeAnalyzer::cellWritten(const CellWrite& write) {
    atRow_->add(write);
    atPoint_->add(write);
    if (observer_) {
        observer_->cellWritten(write);
    }
}

void VeAnalyzer::addCutShort() {
    countUnplaced(LeftOut::CutShort);
}

void VeAnalyzer::count(const TuneRow& row, double afr, const std::optional<Moment>& point,
                       std::optional<LeftOut> leftOut) {
    TimeBin& bin = binOf(row.timeS);
    ++bin.records;
    bin.measuredSum += afr;
    ++analysis_.records;
    std::optional<LatticeWeights> weights;
    double target = 0;
    double spread = 0;
    if (point) {
        weights = WeightsAt(lattice_, point->rpm, point->pressurePsi);
        spread = spreadOf(point->timeS, *weights);
        target = Interpolate(target_, *weights);
        ++bin.targeted;
        bin.targetSum += target;
    }
    if (leftOut) {
        ++bin.leftOut;
        ++analysis_.leftOut[static_cast<int>(*leftOut)];
        if (weights) {
            const auto nearest = std::max_element(
                weights->begin(), weights->end(),
                [](const CellWeight& a, const CellWeight& b) { return a.weight < b.weight; });
            ++analysis_.cells[nearest->cell].leftOut[static_cast<int>(*leftOut)];
        }
        return;
    }
    ++analysis_.accepted;
    // The fuel this reading shows was metered by the table in force a lag ago.
    const VeTable& fuelled = atPoint_->at(point->timeS);
    const double commanded = CommandedVe(fuelled, *weights);
    const double ratio = afr / target; // above 1 the point runs lean and wants more VE
    const double shown = ShownTrueVe(afr, target, commanded);
    const double bankHalf =
        options_.wideband == 0 ? ShownTrueVe((row.afr1 - row.afr2) / 2, target, commanded) : 0;
    for (const CellWeight& w : *weights) {
        CellTally& tally = analysis_.cells[w.cell];
        tally.hits += w.weight;
        tally.ratioSum += w.weight * ratio;
        tally.correctedSum += w.weight * ratio * std::max<double>(fuelled[w.cell], 1);
        tally.bankSum += w.weight * bankHalf;
    }
    if (!stretchFromS_ || row.timeS - *stretchFromS_ >= kStretchS) {
        ++stretch_;
        stretchFromS_ = row.timeS;
    }
    analysis_.points.add(*weights, shown, stretch_, spread);
    // Clamped as a double: a wild ratio must never reach an integer conversion.
    const double errorBin =
        std::clamp(std::floor((ratio - 1) * 100) + kErrorSpan, 0.0, kErrorBins - 1.0);
    ++analysis_.errors[static_cast<std::size_t>(errorBin)];
}

std::optional<std::string> VeAnalyzer::add(const TuneRow& row) {
    if (judge_.impossible(row)) {
        countUnplaced(LeftOut::Impossible);
        return std::nullopt;
    }
    if (auto refused = pointMismatch(row)) {
        return refused;
    }
    if (auto refused = consistency(row)) {
        return refused;
    }
    if (!started_) {
        logStartS_ = row.timeS;
        started_ = true;
    }
    const RowVerdict verdict = judge_.judge(row);
    if (!warm_ && verdict.warm) {
        warm_ = true;
        analysis_.warmUpS += row.timeS - logStartS_;
    }
    if (verdict.transientBegins) {
        delay_.markTransientFrom(row.timeS - kTransientLeadS);
    }
    const std::optional<Moment> point =
        delay_.add({row.timeS, row.rpm, row.pressurePsi, row.tempF, verdict.transient});
    if (observer_) {
        observer_->judged(row, verdict);
    }
    count(row, verdict.afr, point, judge_.atPoint(point, verdict.limit));
    return std::nullopt;
}
