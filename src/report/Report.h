// One analysis to look at: heat maps of the lattice (hits, the air/fuel error before, the current
// and suggested VE, the change and its uncertainty, each cell's figures under the pointer), the
// air/fuel over time against its target, and the error before; the settings used and what was
// read. One HTML file with inline SVG and CSS, nothing fetched, 1,280 px wide, printable on A4.
#pragma once

#include "common/Rgb.h"
#include "lag/LagEstimate.h"
#include "tune/Suggestion.h"
#include "tune/TuneOptions.h"
#include "tune/VeAnalysis.h"

#include <functional>
#include <string>
#include <vector>

// In the page's order, two a row.
enum class HeatMap { Hits, AfrError, Current, Suggested, Change, Uncertainty };
inline constexpr int kHeatMaps = 6;

// The page's layout in CSS pixels: a header of fixed height, then the maps two by two, each
// with RPM down its left and pressure across its top, as the grid has them.
inline constexpr int kReportHeaderPx = 168;
inline constexpr int kMapCellPx = 24;
inline constexpr int kMapLeftPx = 64;
inline constexpr int kMapTopPx = 56;
inline constexpr int kMapLegendPx = 88;
inline constexpr int kMapWidthPx = kMapLeftPx + kLatticeSize * kMapCellPx + kMapLegendPx;
inline constexpr int kMapHeightPx = kMapTopPx + kLatticeSize * kMapCellPx + 16;
inline constexpr int kReportWidthPx = 2 * kMapWidthPx;

// Below the maps: the air/fuel over time, the error's histogram, then the lag's two charts side
// by side: the records' scatter against the candidate lags, and the lag taken over RPM.
inline constexpr int kTimelineHeightPx = 260;
inline constexpr int kHistogramHeightPx = 240;
inline constexpr int kLagChartsTopPx =
    kReportHeaderPx + 3 * kMapHeightPx + kTimelineHeightPx + kHistogramHeightPx;
inline constexpr int kLagGridLeftPx = 64;
inline constexpr int kLagGridTopPx = 48;
inline constexpr int kLagGridCellPx = 16;
// Every this many of the grid's steps is labelled.
inline constexpr int kLagGridLabelEvery = 4;

struct PagePoint {
    int x = 0;
    int y = 0;
};

// The top left corner of a cell's square on the page.
PagePoint HeatCellCorner(HeatMap map, int p, int r);
// The top left corner of a candidate's square in the lag's grid: MS step m down, FLOW_MS step f
// across.
PagePoint LagGridCorner(int m, int f);
// Where the lag-over-RPM chart puts a delay at an RPM.
PagePoint LagCurvePoint(double rpm, double delayMs);

// The sequential scale, light (0) to dark (1), of hits, VE and uncertainty.
Rgb ScaleColour(double share);
// The diverging scale of the change and the error: blue for less, white for none, red for more;
// full at +-limit percent.
Rgb ChangeColour(double percent, double limit);
// The hatching over cells with fewer hits than the minimum.
inline constexpr Rgb kFewHitsHatch{100, 100, 100};
// The uncertainty scale is full at this many percent.
inline constexpr double kUncertaintyScalePercent = 5;

struct ReportInput {
    const VeTable& before;
    const Suggestion& suggestion;
    const Analysis& analysis;
    const TuneOptions& options;
    const LagEstimate& lag;
    std::string summary;
    std::vector<std::string> logs;
    std::vector<std::string> tables; // what each record was judged under, and the base
    std::string target;              // as given
};

std::string ReportHtml(const ReportInput& input);

// A map as the report draws it, and the Tuning window too: each cell's colour and text, and the
// legend's ends. Its functions hold on to the input.
struct HeatMapSpec {
    HeatMap map;
    const char* title;
    std::function<Rgb(int)> colour;       // by cell
    std::function<std::string(int)> text; // by cell
    std::string low, high;                // the legend's ends
    bool diverging;
};
std::vector<HeatMapSpec> HeatMapSpecs(const ReportInput& in);

// Everything the analysis knows of a cell, as the report and the Tuning window show it under the
// pointer: its place, hits, error before, solved VE, change and uncertainty, what became of it,
// and the records left out near it by reason.
std::string CellFiguresText(const VeTable& before, const Suggestion& suggestion,
                            const Analysis& analysis, int cell);
