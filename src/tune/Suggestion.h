// From the analysis to a table: each cell with enough hits moved by its mean correction, within
// a step limit, and what was done said in one summary.
#pragma once

#include "tune/TuneOptions.h"
#include "tune/VeAnalysis.h"

#include <cstdint>
#include <string>

// current x mean ratio, rounded, within maxChangePercent of current and within 1..32767. The
// mean is never clamped, only the result: clamping each record would bias the mean.
std::int16_t SuggestedValue(std::int16_t current, double meanRatio, double maxChangePercent);

// The table with every unlocked cell of at least minHits hits suggested; the rest as they are.
VeTable SuggestTable(const VeTable& table, const Analysis& analysis, const TuneOptions& options);

// "37 of 400 cells changed, -8% to +12%; 51 cells below 20 hits; 1,204 records left out: ..."
std::string SummaryText(const VeTable& before, const VeTable& after, const Analysis& analysis,
                        const TuneOptions& options);

// The records left out, by filter: "1,204 records left out: 900 warm-up, 250 transient".
std::string LeftOutText(const Analysis& analysis);

// 1204 as "1,204".
std::string Thousands(std::int64_t n);

// One row per cell: P,R,hits,mean correction,current,suggested,left out.
std::string CellsCsv(const VeTable& before, const VeTable& after, const Analysis& analysis);
