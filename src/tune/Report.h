// One analysis to look at: heat maps of the lattice, the air/fuel over time against its target,
// and the error before. One HTML file with inline SVG and CSS, nothing fetched, printable.
#pragma once

#include "common/Rgb.h"
#include "tune/TuneOptions.h"
#include "tune/VeAnalysis.h"

#include <string>
#include <vector>

enum class HeatMap { Hits, Current, Suggested, Change };

// The page's layout in CSS pixels: a header of fixed height, then the maps two by two, each
// with RPM down its left and pressure across its top, as the grid has them.
inline constexpr int kReportHeaderPx = 120;
inline constexpr int kMapCellPx = 30;
inline constexpr int kMapLeftPx = 56;
inline constexpr int kMapTopPx = 48;
inline constexpr int kMapLegendPx = 96;
inline constexpr int kMapWidthPx = kMapLeftPx + kLatticeSize * kMapCellPx + kMapLegendPx;
inline constexpr int kMapHeightPx = kMapTopPx + kLatticeSize * kMapCellPx + 16;

struct PagePoint {
    int x = 0;
    int y = 0;
};

// The top left corner of a cell's square on the page.
PagePoint HeatCellCorner(HeatMap map, int p, int r);

// The sequential scale, light (0) to dark (1), of hits and VE.
Rgb ScaleColour(double share);
// The change scale: blue for less VE, white for none, red for more; full at +-limit percent.
Rgb ChangeColour(double percent, double limit);
// The hatching over cells with fewer hits than the minimum.
inline constexpr Rgb kFewHitsHatch{100, 100, 100};

struct ReportInput {
    const VeTable& before;
    const VeTable& after;
    const Analysis& analysis;
    const TuneOptions& options;
    std::string summary;
    std::vector<std::string> logs;
};

std::string ReportHtml(const ReportInput& input);
