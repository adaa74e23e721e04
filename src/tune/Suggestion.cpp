#include "tune/Suggestion.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

std::int16_t SuggestedValue(std::int16_t current, double meanRatio, double maxChangePercent) {
    // A cell of 0 or below is fuelled as VE 1, so it is moved from 1.
    const double base = std::max<double>(current, 1);
    const double share = maxChangePercent / 100;
    // 100 x 1.15 is 114.99999999999999 in binary: allow for that before taking whole numbers.
    constexpr double kSlack = 1e-9;
    const double lowest = std::ceil(base * (1 - share) - kSlack);
    const double highest = std::floor(base * (1 + share) + kSlack);
    const double limited = std::clamp(std::nearbyint(base * meanRatio), lowest, highest);
    return static_cast<std::int16_t>(
        std::clamp(limited, 1.0, double(std::numeric_limits<std::int16_t>::max())));
}

VeTable SuggestTable(const VeTable& table, const Analysis& analysis, const TuneOptions& options) {
    VeTable suggested = table;
    for (int cell = 0; cell < kCellCount; ++cell) {
        const CellTally& tally = analysis.cells[cell];
        if (tally.hits >= options.minHits &&
            !options.locked(PressureIndexOf(cell), RpmIndexOf(cell))) {
            suggested[cell] =
                SuggestedValue(table[cell], tally.meanRatio(), options.maxChangePercent);
        }
    }
    return suggested;
}

std::string Thousands(std::int64_t n) {
    const std::string digits = std::to_string(n < 0 ? -n : n);
    std::string grouped = n < 0 ? "-" : "";
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            grouped += ',';
        grouped += digits[i];
    }
    return grouped;
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

double ChangePercent(std::int16_t before, std::int16_t after) {
    return (after - before) * 100.0 / std::max<double>(before, 1);
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

std::string SummaryText(const VeTable& before, const VeTable& after, const Analysis& analysis,
                        const TuneOptions& options) {
    int changed = 0, few = 0;
    double lowest = 0, highest = 0;
    for (int cell = 0; cell < kCellCount; ++cell) {
        few += analysis.cells[cell].hits < options.minHits;
        if (before[cell] != after[cell]) {
            const double change = ChangePercent(before[cell], after[cell]);
            lowest = changed ? std::min(lowest, change) : change;
            highest = changed ? std::max(highest, change) : change;
            ++changed;
        }
    }
    std::string text =
        std::to_string(changed) + " of " + std::to_string(kCellCount) + " cells changed";
    if (changed) {
        text += ", " + Percent(lowest) + " to " + Percent(highest);
    }
    return text + "; " + Plural(few, "cell", "cells") + " below " +
           std::to_string(options.minHits) + " hits; " +
           Plural(analysis.accepted, "record", "records") + " used; " + LeftOutText(analysis);
}

std::string CellsCsv(const VeTable& before, const VeTable& after, const Analysis& analysis) {
    std::string text = "P,R,hits,mean correction,current,suggested,left out\n";
    for (int cell = 0; cell < kCellCount; ++cell) {
        const CellTally& tally = analysis.cells[cell];
        char row[160];
        std::snprintf(row, sizeof row, "%d,%d,%.1f,%.4f,%d,%d,%lld\n", PressureIndexOf(cell),
                      RpmIndexOf(cell), tally.hits, tally.meanRatio(), before[cell], after[cell],
                      static_cast<long long>(tally.leftOut));
        text += row;
    }
    return text;
}
