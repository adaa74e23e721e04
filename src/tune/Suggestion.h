// From the solve to a table: each cell with enough hits moved to the true VE its records show,
// when the move is larger than the deadband and than twice its uncertainty, within a step limit;
// and what was done said in one summary.
#pragma once

#include "common/Numbers.h"
#include "table/CellChange.h"
#include "tune/TuneOptions.h"
#include "tune/VeAnalysis.h"
#include "tune/VeSolve.h"

#include <array>
#include <cstdint>
#include <string>

// current x ratio, rounded, within maxChangePercent of current and within 1..32767.
std::int16_t SuggestedValue(std::int16_t current, double ratio, double maxChangePercent);

// What became of each cell.
enum class Outcome { Changed, Deadband, Unsure, FewHits, Locked, AtLimit };
inline constexpr int kOutcomes = 6;
// As the cells' file and the report name them.
inline constexpr std::array<const char*, kOutcomes> kOutcomeNames = {
    "changed", "within the deadband",  "less than twice its uncertainty", "too few hits",
    "locked",  "at the device's limit"};

struct Suggestion {
    VeTable table{}; // the table suggested, on the base table's breakpoints
    Solution solution{};
    std::array<Outcome, kCellCount> outcome{};
};

// Every cell of `base` judged by its solved VE: moved to it or kept, and why.
Suggestion Suggest(const VeTable& base, const Analysis& analysis, const Solution& solution,
                   const TuneOptions& options);

// "37 of 400 cells changed, -8% to +12%; 51 cells below 20 hits; ... records left out: ..."
std::string SummaryText(const VeTable& before, const Suggestion& suggestion,
                        const Analysis& analysis, const TuneOptions& options);

// The records left out, by filter: "1,204 records left out: 900 warm-up, 250 transient".
std::string LeftOutText(const Analysis& analysis);

// One row per cell: where it is, its hits, the air/fuel error before, current, solved and
// suggested VE, the change and its uncertainty in percent, what became of it, and the records
// left out by reason.
std::string CellsCsv(const VeTable& before, const Suggestion& suggestion, const Analysis& analysis);
