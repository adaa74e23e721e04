#include "tune/LiveTuning.h"

#include "link/Protocol.h"
#include "link/Readouts.h"
#include "tune/AfrTarget.h"
#include "tune/VeSolve.h"

#include <algorithm>
#include <cmath>

namespace {

// A value as the log's text keeps it.
double AsLogged(double value) {
    return ParseNumber(FormatGeneral(value)).value_or(value);
}

// After the first estimate, the lag is looked for again once this many more movements came.
constexpr std::int64_t kMovementsBetweenEstimates = 40;

} // namespace

TuneRow TuneRowOf(const LoggedRecord& entry, double timeS) {
    const LiveRecord& r = entry.record;
    // The log keeps the time to the millisecond.
    const double ms = std::nearbyint(timeS * 1000);
    return {0,
            ms / 1000,
            AsLogged(r.rpm),
            AsLogged(r.pressure),
            AsLogged(r.temperature),
            AsLogged(r.wideband1),
            AsLogged(r.wideband2),
            entry.point.pressureIndex,
            entry.point.rpmIndex,
            static_cast<double>(entry.ve)};
}

TuneCounts CountsOf(const Suggestion& suggestion, const Analysis& analysis) {
    TuneCounts counts;
    for (int cell = 0; cell < kCellCount; ++cell) {
        if (suggestion.outcome[cell] == Outcome::Changed) {
            ++counts.ready;
        } else if (analysis.cells[cell].hits > 0) {
            ++counts.learning;
        }
    }
    return counts;
}

LiveTuner::LiveTuner(TuneOptions options, std::optional<CellValues> target)
    : options_(std::move(options)),
      target_(target), lag_{options_.lag, false, "", "as set", 0, {}} {}

CellValues LiveTuner::targetFor(const VeTable& table) const {
    return target_ ? *target_ : DefaultTarget(table);
}

void LiveTuner::reset(const TableFile& table, double timeS) {
    table_ = started_ = table;
    startS_ = timeS;
    writes_.clear();
    rows_.clear();
    hitsAtApply_ = {};
    movementsAtEstimate_ = 0;
    lag_ = {options_.lag, false, "", options_.lagAuto ? "until the drive tells" : "as set", 0, {}};
    replay();
}

void LiveTuner::replay() {
    TuneOptions options = options_;
    options.lag = lag_.lag;
    const CellValues target = targetFor(started_.table);
    analyzer_ = std::make_unique<VeAnalyzer>(started_.table, target, options);
    estimator_ = options_.lagAuto ? std::make_unique<LagEstimator>(started_.table, target, options)
                                  : nullptr;
    analyzer_->setLagEstimator(estimator_.get());
    analyzer_->beginLog("the drive", TableInForce(started_.table, writes_));
    std::size_t line = 0;
    for (const Row& row : rows_) {
        TuneRow tuneRow = TuneRowOf(row.entry, row.timeS - startS_);
        tuneRow.line = ++line;
        analyzer_->add(tuneRow);
    }
}

void LiveTuner::record(const LoggedRecord& entry, double timeS) {
    if (!analyzer_) {
        return;
    }
    rows_.push_back({timeS, entry});
    TuneRow row = TuneRowOf(entry, timeS - startS_);
    row.line = rows_.size();
    // The table the window holds is the one in force: no record can disagree with it.
    analyzer_->add(row);
}

void LiveTuner::cellWritten(int cell, std::int16_t value, double timeS) {
    if (!analyzer_) {
        return;
    }
    const double at = std::nearbyint((timeS - startS_) * 1000) / 1000;
    writes_.push_back({at, cell, value});
    table_.table[cell] = value;
    analyzer_->cellWritten(writes_.back());
}

void LiveTuner::settleLag() {
    if (!estimator_ ||
        estimator_->movements() < movementsAtEstimate_ + kMovementsBetweenEstimates) {
        return;
    }
    movementsAtEstimate_ = estimator_->movements();
    const LagEstimate found = estimator_->estimate(options_.lag, lag_.source);
    if (found.found || !lag_.found) {
        const bool moved = found.lag != lag_.lag;
        lag_ = found;
        if (moved) {
            replay(); // every record paired by the lag found
        }
    }
}

const Analysis& LiveTuner::analysis() const {
    static const Analysis kNothing;
    return analyzer_ ? analyzer_->analysis() : kNothing;
}

Suggestion LiveTuner::suggest() const {
    TuneOptions options = options_;
    options.lag = lag_.lag;
    return Suggest(table_.table, analysis(), SolveVe(analysis()), options);
}

std::vector<std::pair<int, std::int16_t>>
LiveTuner::applyPlan(const Suggestion& suggestion, const std::vector<int>& selection) const {
    std::vector<std::pair<int, std::int16_t>> plan;
    const Analysis& a = analysis();
    for (int cell = 0; cell < kCellCount; ++cell) {
        const bool chosen = selection.empty() ||
                            std::find(selection.begin(), selection.end(), cell) != selection.end();
        const bool learntAnew =
            !hitsAtApply_[cell] || a.cells[cell].hits - *hitsAtApply_[cell] >= options_.minHits;
        if (chosen && learntAnew && suggestion.outcome[cell] == Outcome::Changed &&
            suggestion.table[cell] != table_.table[cell]) {
            plan.emplace_back(cell, suggestion.table[cell]);
        }
    }
    return plan;
}

void LiveTuner::applied(const std::vector<std::pair<int, std::int16_t>>& cells) {
    for (const auto& [cell, value] : cells) {
        hitsAtApply_[cell] = analysis().cells[cell].hits;
    }
}
