#include "tune/Suggestion.h"

#include "table/TableFit.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

std::int16_t SuggestedValue(std::int16_t current, double ratio, double maxChangePercent) {
    // A cell of 0 or below is fuelled as VE 1, so it is moved from 1.
    const double base = std::max<double>(current, 1);
    const double share = maxChangePercent / 100;
    // 100 x 1.15 is 114.99999999999999 in binary: allow for that before taking whole numbers.
    constexpr double kSlack = 1e-9;
    const double lowest = std::ceil(base * (1 - share) - kSlack);
    const double highest = std::floor(base * (1 + share) + kSlack);
    const double limited = std::clamp(std::nearbyint(base * ratio), lowest, highest);
    return static_cast<std::int16_t>(
        std::clamp(limited, 1.0, double(std::numeric_limits<std::int16_t>::max())));
}

Suggestion Suggest(const VeTable& base, const Analysis& analysis, const Solution& solution,
                   const TuneOptions& options) {
    Suggestion s;
    s.table = base;
    s.solution = solution;
    for (int cell = 0; cell < kCellCount; ++cell) {
        const SolvedCell& solved = s.solution[cell];
        const double change = std::abs(ChangePercent(base[cell], solved.ve));
        Outcome& outcome = s.outcome[cell];
        if (options.locked(PressureIndexOf(cell), RpmIndexOf(cell))) {
            outcome = Outcome::Locked;
        } else if (!solved.solved || analysis.cells[cell].hits < options.minHits) {
            outcome = Outcome::FewHits;
        } else if (!(change > options.deadbandPercent)) {
            outcome = Outcome::Deadband;
        } else if (!(change > 2 * solved.uncertaintyPercent)) {
            outcome = Outcome::Unsure;
        } else {
            const double ratio = solved.ve / std::max<double>(base[cell], 1);
            const std::int16_t value = SuggestedValue(base[cell], ratio, options.maxChangePercent);
            // A cell already at the most (or least) the device takes cannot follow its records.
            const bool atLimit =
                (ratio > 1 && base[cell] >= kHighestVe) || (ratio < 1 && base[cell] <= kLowestVe);
            outcome = value != base[cell] ? Outcome::Changed
                      : atLimit           ? Outcome::AtLimit
                                          : Outcome::Deadband;
            s.table[cell] = value;
        }
    }
    return s;
}

namespace {

std::string Percent(double change) {
    char text[16];
    std::snprintf(text, sizeof text, "%+.0f%%", change);
    return text;
}

std::string Plural(std::int64_t n, const std::string& one, const std::string& many) {
    return Thousands(n) + " " + (n == 1 ? one : many);
}

} // namespace

std::string LeftOutText(const Analysis& analysis) {
    std::string text = Plural(analysis.leftOutTotal(), "record", "records") + " left out";
    std::string separator = ": ";
    for (int k = 0; k < kLeftOutKinds; ++k) {
        if (analysis.leftOut[k] > 0) {
            text += separator + Thousands(analysis.leftOut[k]) + " " + kLeftOutNames[k];
            separator = ", ";
        }
    }
    return text;
}

std::string SummaryText(const VeTable& before, const Suggestion& suggestion,
                        const Analysis& analysis, const TuneOptions& options) {
    std::array<int, kOutcomes> outcomes{};
    double lowest = 0, highest = 0;
    for (int cell = 0; cell < kCellCount; ++cell) {
        const Outcome outcome = suggestion.outcome[cell];
        if (outcome == Outcome::Changed) {
            const double change = ChangePercent(before[cell], suggestion.table[cell]);
            const bool first = outcomes[static_cast<int>(Outcome::Changed)] == 0;
            lowest = first ? change : std::min(lowest, change);
            highest = first ? change : std::max(highest, change);
        }
        ++outcomes[static_cast<int>(outcome)];
    }
    const auto count = [&outcomes](Outcome o) { return outcomes[static_cast<int>(o)]; };
    std::string text = std::to_string(count(Outcome::Changed)) + " of " +
                       std::to_string(kCellCount) + " cells changed";
    if (count(Outcome::Changed)) {
        text += ", " + Percent(lowest) + " to " + Percent(highest);
    }
    char deadband[32];
    std::snprintf(deadband, sizeof deadband, "%g%%", options.deadbandPercent);
    return text + "; " + Plural(count(Outcome::FewHits), "cell", "cells") + " below " +
           std::to_string(options.minHits) + " hits; " + Thousands(count(Outcome::Deadband)) +
           " within the " + deadband + " deadband, " + Thousands(count(Outcome::Unsure)) +
           " less than twice their uncertainty" +
           (count(Outcome::AtLimit)
                ? ", " + Thousands(count(Outcome::AtLimit)) + " at the device's limit"
                : "") +
           "; " + Plural(analysis.accepted, "record", "records") + " used; " +
           LeftOutText(analysis);
}

std::string CellsCsv(const VeTable& before, const Suggestion& suggestion,
                     const Analysis& analysis) {
    std::string text = "P,R,hits,afr error %,current,solved,suggested,change %,uncertainty %,"
                       "outcome";
    for (const char* name : kLeftOutNames) {
        text += std::string(",left out: ") + name;
    }
    text += '\n';
    for (int cell = 0; cell < kCellCount; ++cell) {
        const CellTally& tally = analysis.cells[cell];
        const SolvedCell& solved = suggestion.solution[cell];
        char row[256];
        std::snprintf(
            row, sizeof row, "%d,%d,%.1f,%.2f,%d,%.1f,%d,%.2f,%.2f,%s", PressureIndexOf(cell),
            RpmIndexOf(cell), tally.hits, (tally.meanRatio() - 1) * 100, before[cell], solved.ve,
            suggestion.table[cell], solved.solved ? ChangePercent(before[cell], solved.ve) : 0.0,
            solved.uncertaintyPercent, kOutcomeNames[static_cast<int>(suggestion.outcome[cell])]);
        text += row;
        for (const std::int64_t n : tally.leftOut) {
            text += ',';
            text += std::to_string(n);
        }
        text += '\n';
    }
    return text;
}
