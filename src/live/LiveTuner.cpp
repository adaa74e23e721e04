#include "live/LiveTuner.h"

#include "common/Numbers.h"
#include "model/AfrTarget.h"

#include "table/CsvGrid.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// A value as the log's text keeps it.
double AsLogged(double value) {
    return ParseNumber(FormatGeneral(value)).value_or(value);
}

// Fewer than half a hit, as the map rounds it, is no hit: a record on a breakpoint grazes its
// neighbour by a rounding's weight.
constexpr double kSomeHits = 0.5;

// The lag is looked for again once the movements have grown by half since the last estimate:
// its precision grows with their root, and each search costs as much as a second of the drive's
// analysis, so an hour's drive needs a dozen searches, not hundreds.
constexpr double kMovementsGrowth = 1.5;

} // namespace

TuneRow TuneRowOf(const LoggedRecord& entry, std::int64_t sinceStartMs) {
    const LiveRecord& r = entry.record;
    // As the log writes the time, and reads it back.
    return {0,
            static_cast<double>(sinceStartMs) / 1000,
            AsLogged(r.rpm),
            AsLogged(r.pressure),
            AsLogged(r.temperature),
            AsLogged(r.wideband1),
            AsLogged(r.wideband2),
            entry.point.pressureIndex,
            entry.point.rpmIndex,
            static_cast<double>(entry.ve)};
}

std::string ApplyText(const CellsWritten& result) {
    double lowest = 0, highest = 0;
    for (std::size_t k = 0; k < result.written.size(); ++k) {
        const double change = ChangePercent(result.written[k].before, result.written[k].after);
        lowest = k ? std::min(lowest, change) : change;
        highest = k ? std::max(highest, change) : change;
    }
    char range[48];
    std::snprintf(range, sizeof range, ", %+.0f%% to %+.0f%%", lowest, highest);
    const std::string kept = result.keptAs.empty() ? "" : "; kept as " + result.keptAs;
    const std::string count = std::to_string(result.written.size());
    if (!result.lost) {
        return "Applied " + count + (result.written.size() == 1 ? " cell" : " cells") + range +
               kept;
    }
    const std::string through =
        result.written.empty()
            ? ""
            : " (in index order, through the " + CellPlace(result.written.back().cell) + ")";
    return "The apply stopped, the line lost: " + count + " of " + std::to_string(result.asked) +
           " cells written" + through + "; the rest were not sent and will not be" + kept;
}

TuneCounts CountsOf(const Suggestion& suggestion, const Analysis& analysis) {
    TuneCounts counts;
    for (int cell = 0; cell < kCellCount; ++cell) {
        if (suggestion.outcome[cell] == Outcome::Changed) {
            ++counts.ready;
        } else if (analysis.cells[cell].hits >= kSomeHits) {
            ++counts.learning;
        }
    }
    return counts;
}

LiveTuner::LiveTuner(TuneOptions options, std::optional<CellValues> target)
    : options_(std::move(options)), target_(target) {}

LagEstimate LiveTuner::lagToStart() const {
    return {options_.lag, false, "", options_.lagAuto ? "until the drive tells" : "as set", 0, {}};
}

void LiveTuner::reconfigure(TuneOptions options, std::optional<CellValues> target) {
    options_ = std::move(options);
    target_ = target;
    movementsAtEstimate_ = 0;
    steadiness_ = RowJudge(options_);
    if (session_) {
        replay();
    }
}

CellValues LiveTuner::targetFor(const VeTable& table) const {
    return target_ ? *target_ : DefaultTarget(table);
}

void LiveTuner::reset(const TableFile& table, std::int64_t ms) {
    table_ = started_ = table;
    startMs_ = ms;
    steadiness_ = RowJudge(options_);
    unsteadyS_.reset();
    writes_.clear();
    rows_.clear();
    hitsAtApply_ = {};
    movementsAtEstimate_ = 0;
    replay();
}

std::optional<std::string> LiveTuner::feed(TuningSession& session) const {
    session.beginLog("the drive", TableInForce(started_.table, writes_));
    std::size_t line = 0;
    for (const Row& row : rows_) {
        TuneRow tuneRow = TuneRowOf(row.entry, row.ms - startMs_);
        tuneRow.line = ++line;
        session.add(tuneRow);
    }
    return std::nullopt;
}

void LiveTuner::replay() {
    session_ = std::make_unique<TuningSession>(started_.table, targetFor(started_.table), options_,
                                               lagToStart());
    feed(*session_);
}

void LiveTuner::record(const LoggedRecord& entry, std::int64_t ms) {
    if (!session_) {
        return;
    }
    rows_.push_back({ms, entry});
    TuneRow row = TuneRowOf(entry, ms - startMs_);
    row.line = rows_.size();
    // The table the window holds is the one in force: no record can disagree with it.
    session_->add(row);
    lastS_ = row.timeS;
    if (steadiness_.impossible(row)) {
        unsteadyS_ = row.timeS;
        return;
    }
    const RowVerdict verdict = steadiness_.judge(row);
    if (verdict.transient || verdict.limit) {
        unsteadyS_ = row.timeS;
    }
    warm_ = verdict.warm;
}

bool LiveTuner::warmAndSteady() const {
    if (rows_.empty()) {
        return false;
    }
    const double first = static_cast<double>(rows_.front().ms - startMs_) / 1000;
    return warm_ && lastS_ - unsteadyS_.value_or(first) >= kSteadyS;
}

void LiveTuner::cellWritten(int cell, std::int16_t value, std::int64_t ms) {
    if (!session_) {
        return;
    }
    const double at = static_cast<double>(ms - startMs_) / 1000;
    writes_.push_back({at, cell, value});
    table_.table[cell] = value;
    session_->cellWritten(writes_.back());
}

void LiveTuner::settleLag() {
    if (!session_ || !session_->lagAuto() ||
        static_cast<double>(session_->movements()) <
            std::max(static_cast<double>(kMinMovements),
                     static_cast<double>(movementsAtEstimate_) * kMovementsGrowth)) {
        return;
    }
    movementsAtEstimate_ = session_->movements();
    const LagEstimate found = session_->estimateLag();
    if (found.found || !session_->lag().found) {
        session_->useLag(found, [this](TuningSession& s) { return feed(s); });
    }
}

const Analysis& LiveTuner::analysis() const {
    static const Analysis kNothing;
    return session_ ? session_->analysis() : kNothing;
}

LagEstimate LiveTuner::lag() const {
    return session_ ? session_->lag() : lagToStart();
}

Suggestion LiveTuner::suggest() const {
    return session_ ? session_->tune(table_.table).suggestion : Suggestion{};
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
