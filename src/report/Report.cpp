#include "report/Report.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <functional>

namespace {

template <typename... Args> std::string Format(const char* format, Args... args) {
    std::string text(static_cast<std::size_t>(std::snprintf(nullptr, 0, format, args...)), '\0');
    std::snprintf(text.data(), text.size() + 1, format, args...);
    return text;
}

std::string Escaped(const std::string& text) {
    std::string out;
    for (const char c : text) {
        out += c == '&' ? "&amp;" : c == '<' ? "&lt;" : c == '>' ? "&gt;" : std::string(1, c);
    }
    return out;
}

std::string Css(Rgb c) {
    return Format("#%02x%02x%02x", c.r, c.g, c.b);
}

Rgb Mix(Rgb a, Rgb b, double t) {
    const auto channel = [t](int from, int to) {
        return static_cast<std::uint8_t>(std::lround(from + (to - from) * t));
    };
    return {channel(a.r, b.r), channel(a.g, b.g), channel(a.b, b.b)};
}

// Along evenly spaced stops.
template <std::size_t N> Rgb Along(const std::array<Rgb, N>& stops, double share) {
    // NaN (a share of nothing) is taken as 0: it must never reach an integer conversion.
    const double at = (share > 0 ? std::min(share, 1.0) : 0.0) * (N - 1);
    const std::size_t low = std::min(static_cast<std::size_t>(at), N - 2);
    return Mix(stops[low], stops[low + 1], at - static_cast<double>(low));
}

constexpr std::array<Rgb, 5> kScale = {
    {{255, 255, 204}, {161, 218, 180}, {65, 182, 196}, {44, 127, 184}, {37, 52, 148}}};
constexpr std::array<Rgb, 3> kChange = {{{33, 102, 172}, {247, 247, 247}, {178, 24, 43}}};

bool Dark(Rgb c) {
    return 0.299 * c.r + 0.587 * c.g + 0.114 * c.b < 128;
}

std::string Legend(const HeatMapSpec& spec, int id) {
    const int x = kMapLeftPx + kLatticeSize * kMapCellPx + 16;
    const int height = kLatticeSize * kMapCellPx;
    std::string svg = Format("<defs><linearGradient id=\"scale%d\" x1=\"0\" y1=\"1\" x2=\"0\" "
                             "y2=\"0\">",
                             id);
    for (int k = 0; k <= 10; ++k) {
        const double share = k / 10.0;
        const Rgb c = spec.diverging ? Along(kChange, share) : Along(kScale, share);
        svg += Format("<stop offset=\"%.1f\" stop-color=\"%s\"/>", share, Css(c).c_str());
    }
    svg += "</linearGradient></defs>";
    svg += Format("<rect x=\"%d\" y=\"%d\" width=\"16\" height=\"%d\" fill=\"url(#scale%d)\"/>", x,
                  kMapTopPx, height, id);
    svg += Format("<text x=\"%d\" y=\"%d\">%s</text>", x + 20, kMapTopPx + 10,
                  Escaped(spec.high).c_str());
    svg += Format("<text x=\"%d\" y=\"%d\">%s</text>", x + 20, kMapTopPx + height,
                  Escaped(spec.low).c_str());
    return svg;
}

std::string OneDecimal(double x) {
    return Format("%.1f", x);
}

std::string HeatMapSvg(const HeatMapSpec& spec, const ReportInput& in, int id) {
    std::string svg =
        Format("<svg class=\"map\" width=\"%d\" height=\"%d\">", kMapWidthPx, kMapHeightPx);
    svg += Format("<text class=\"title\" x=\"%d\" y=\"16\">%s</text>", kMapLeftPx, spec.title);
    // The axes' titles, as the grid names them.
    svg += Format("<text class=\"axis-title\" x=\"%d\" y=\"34\">Boost PSI</text>",
                  kMapLeftPx + kLatticeSize * kMapCellPx / 2);
    svg += Format("<text class=\"axis-title\" x=\"12\" y=\"%d\" transform=\"rotate(-90 12 %d)\">"
                  "RPM</text>",
                  kMapTopPx + kLatticeSize * kMapCellPx / 2,
                  kMapTopPx + kLatticeSize * kMapCellPx / 2);
    for (int i = 0; i < kLatticeSize; ++i) {
        const int along = i * kMapCellPx + kMapCellPx / 2;
        svg += Format("<text class=\"axis\" x=\"%d\" y=\"%d\" text-anchor=\"middle\">%s</text>",
                      kMapLeftPx + along, kMapTopPx - 6,
                      Escaped(PressureHeaderText(in.before, i)).c_str());
        svg += Format("<text class=\"axis\" x=\"%d\" y=\"%d\" text-anchor=\"end\">%s</text>",
                      kMapLeftPx - 4, kMapTopPx + along + 4,
                      Escaped(RpmHeaderText(in.before, i)).c_str());
    }
    for (int cell = 0; cell < kCellCount; ++cell) {
        const int x = kMapLeftPx + PressureIndexOf(cell) * kMapCellPx;
        const int y = kMapTopPx + RpmIndexOf(cell) * kMapCellPx;
        const Rgb fill = spec.colour(cell);
        svg += Format("<g><title>%s</title><rect x=\"%d\" y=\"%d\" width=\"%d\" height=\"%d\" "
                      "fill=\"%s\"/>",
                      Escaped(CellFiguresText(in.before, in.suggestion, in.analysis, cell)).c_str(),
                      x, y, kMapCellPx, kMapCellPx, Css(fill).c_str());
        // Hatched where the outcome is shown: too few hits, so no change.
        if (spec.map == HeatMap::Change && in.suggestion.outcome[cell] == Outcome::FewHits) {
            svg += Format("<rect x=\"%d\" y=\"%d\" width=\"%d\" height=\"%d\" "
                          "fill=\"url(#few)\"/>",
                          x, y, kMapCellPx, kMapCellPx);
        }
        svg += Format("<text class=\"cell%s\" x=\"%d\" y=\"%d\">%s</text></g>",
                      Dark(fill) ? " light" : "", x + kMapCellPx / 2, y + kMapCellPx / 2 + 3,
                      spec.text(cell).c_str());
    }
    return svg + Legend(spec, id) + "</svg>";
}

double ChangeOf(const ReportInput& in, int cell) {
    return ChangePercent(in.before[cell], in.suggestion.table[cell]);
}

// What the change map writes in a cell: the change, or why there is none.
std::string ChangeText(const ReportInput& in, int cell) {
    switch (in.suggestion.outcome[cell]) {
    case Outcome::Changed:
        return Format("%+.0f", ChangeOf(in, cell));
    case Outcome::Deadband:
        return "=";
    case Outcome::Unsure:
        return "?";
    case Outcome::Locked:
        return "L";
    case Outcome::AtLimit:
        return "!";
    case Outcome::FewHits:
        break;
    }
    return "";
}

} // namespace

std::vector<HeatMapSpec> HeatMapSpecs(const ReportInput& in) {
    double maxHits = 1;
    int low = in.before[0], high = in.before[0];
    for (int cell = 0; cell < kCellCount; ++cell) {
        maxHits = std::max(maxHits, in.analysis.cells[cell].hits);
        const int after = in.suggestion.table[cell];
        low = std::min({low, static_cast<int>(in.before[cell]), after});
        high = std::max({high, static_cast<int>(in.before[cell]), after});
    }
    const auto veShare = [low, high](int value) {
        return high == low ? 0.5 : static_cast<double>(value - low) / (high - low);
    };
    const double limit = in.options.maxChangePercent;
    const auto& cells = in.analysis.cells;
    const auto& solution = in.suggestion.solution;
    const auto error = [&cells](int c) { return (cells[c].meanRatio() - 1) * 100; };
    return {
        {HeatMap::Hits, "Hits",
         [&cells, maxHits](int c) { return Along(kScale, cells[c].hits / maxHits); },
         [&cells](int c) { return Format("%.0f", cells[c].hits); }, "0", Format("%.0f", maxHits),
         false},
        {HeatMap::AfrError, "Air/fuel error before, percent",
         [&cells, error, limit](int c) {
             return cells[c].hits > 0 ? ChangeColour(error(c), limit) : Along(kChange, 0.5);
         },
         [&cells, error](int c) {
             return cells[c].hits > 0 ? Format("%+.0f", error(c)) : std::string();
         },
         Format("-%.0f%% rich", limit), Format("+%.0f%% lean", limit), true},
        {HeatMap::Current, "Current VE",
         [&in, veShare](int c) { return Along(kScale, veShare(in.before[c])); },
         [&in](int c) { return std::to_string(in.before[c]); }, std::to_string(low),
         std::to_string(high), false},
        {HeatMap::Suggested, "Suggested VE",
         [&in, veShare](int c) { return Along(kScale, veShare(in.suggestion.table[c])); },
         [&in](int c) { return std::to_string(in.suggestion.table[c]); }, std::to_string(low),
         std::to_string(high), false},
        {HeatMap::Change,
         "Change, percent (= within the deadband, ? unsure, L locked, ! at the device's limit)",
         [&in, limit](int c) { return ChangeColour(ChangeOf(in, c), limit); },
         [&in](int c) { return ChangeText(in, c); }, Format("-%.0f%%", limit),
         Format("+%.0f%%", limit), true},
        {HeatMap::Uncertainty, "Uncertainty, percent",
         [&solution](int c) {
             return Along(kScale, solution[c].uncertaintyPercent / kUncertaintyScalePercent);
         },
         [&solution](int c) {
             return solution[c].solved ? OneDecimal(solution[c].uncertaintyPercent) : std::string();
         },
         "0%", Format("%.0f%%", kUncertaintyScalePercent), false},
    };
}

namespace {

// The mean measured air/fuel of each second against its target; stretches mostly left out
// shaded.
std::string TimelineSvg(const Analysis& a) {
    const int width = kReportWidthPx, height = kTimelineHeightPx, left = 56, top = 28, bottom = 30;
    const double plotW = width - left - 16, plotH = height - top - bottom;
    const double seconds = std::max<double>(1, static_cast<double>(a.timelineSeconds()));
    constexpr double kLow = 9, kHigh = 20; // the wideband's range
    const auto x = [&](std::size_t second) { return left + plotW * second / seconds; };
    const auto y = [&](double afr) {
        return top + plotH * (kHigh - std::clamp(afr, kLow, kHigh)) / (kHigh - kLow);
    };
    std::string svg = Format("<svg class=\"chart\" width=\"%d\" height=\"%d\">", width, height);
    svg += Format("<text class=\"title\" x=\"%d\" y=\"18\">Air/fuel over the drive, a second at a "
                  "time: measured (solid) and target (dashed); shaded: mostly left out</text>",
                  left);
    // Runs of seconds mostly left out, each drawn as one rectangle.
    std::optional<std::size_t> shadeFrom;
    for (std::size_t k = 0; k <= a.timeline.size(); ++k) {
        const bool shaded =
            k < a.timeline.size() && 2 * a.timeline[k].leftOut > a.timeline[k].records;
        const bool joined =
            k > 0 && k < a.timeline.size() && a.timeline[k].second == a.timeline[k - 1].second + 1;
        if (shadeFrom && (!shaded || !joined)) {
            const std::size_t end = a.timeline[k - 1].second + 1;
            svg += Format("<rect class=\"left-out\" x=\"%.1f\" y=\"%d\" width=\"%.1f\" "
                          "height=\"%.0f\"/>",
                          x(*shadeFrom), top, x(end) - x(*shadeFrom), plotH);
            shadeFrom.reset();
        }
        if (shaded && !shadeFrom) {
            shadeFrom = a.timeline[k].second;
        }
    }
    for (double afr = kLow; afr <= kHigh; afr += 1) {
        svg += Format("<line class=\"grid\" x1=\"%d\" x2=\"%.0f\" y1=\"%.1f\" y2=\"%.1f\"/>"
                      "<text class=\"axis\" x=\"%d\" y=\"%.1f\" text-anchor=\"end\">%.0f</text>",
                      left, left + plotW, y(afr), y(afr), left - 6, y(afr) + 4, afr);
    }
    const auto line = [&](const char* cls, auto value, auto present) {
        std::string path;
        bool drawing = false;
        for (std::size_t k = 0; k < a.timeline.size(); ++k) {
            const TimeBin& bin = a.timeline[k];
            // A second without records breaks the line.
            if (!present(bin) || (k > 0 && bin.second != a.timeline[k - 1].second + 1)) {
                drawing = false;
            }
            if (!present(bin)) {
                continue;
            }
            path += Format("%c%.1f %.1f ", drawing ? 'L' : 'M',
                           x(bin.second) + 0.5 * plotW / seconds, y(value(bin)));
            drawing = true;
        }
        return Format("<path class=\"%s\" d=\"", cls) + path + "\"/>";
    };
    svg += line(
        "target", [](const TimeBin& b) { return b.targetSum / b.targeted; },
        [](const TimeBin& b) { return b.targeted > 0; });
    svg += line(
        "measured", [](const TimeBin& b) { return b.measuredSum / b.records; },
        [](const TimeBin& b) { return b.records > 0; });
    svg += Format("<text class=\"axis\" x=\"%d\" y=\"%d\">0 s</text>"
                  "<text class=\"axis\" x=\"%.0f\" y=\"%d\" text-anchor=\"end\">%.0f s</text>",
                  left, height - 8, left + plotW, height - 8, seconds);
    return svg + "</svg>";
}

// The accepted records by air/fuel error against the target, one percent a bar.
std::string HistogramSvg(const Analysis& a) {
    const int width = kReportWidthPx, height = kHistogramHeightPx, left = 56, top = 28, bottom = 30;
    const double plotW = width - left - 16, plotH = height - top - bottom;
    const std::int64_t most =
        std::max<std::int64_t>(1, *std::max_element(a.errors.begin(), a.errors.end()));
    const double bar = plotW / kErrorBins;
    std::string svg = Format("<svg class=\"chart\" width=\"%d\" height=\"%d\">", width, height);
    svg += Format("<text class=\"title\" x=\"%d\" y=\"18\">Air/fuel error before, measured over "
                  "target (records; the outer bars hold everything beyond)</text>",
                  left);
    for (int k = 0; k < kErrorBins; ++k) {
        const double h = plotH * static_cast<double>(a.errors[k]) / static_cast<double>(most);
        svg += Format("<rect class=\"bar\" x=\"%.1f\" y=\"%.1f\" width=\"%.1f\" height=\"%.1f\">"
                      "<title>%+d%% to %+d%%: %lld</title></rect>",
                      left + k * bar, top + plotH - h, bar - 1, h, k - kErrorSpan,
                      k - kErrorSpan + 1, static_cast<long long>(a.errors[k]));
    }
    for (int percent = -kErrorSpan; percent <= kErrorSpan; percent += 5) {
        svg += Format("<text class=\"axis\" x=\"%.1f\" y=\"%d\" text-anchor=\"middle\">%+d%%"
                      "</text>",
                      left + (percent + kErrorSpan) * bar, height - 8, percent);
    }
    svg += Format("<text class=\"axis\" x=\"%d\" y=\"%d\" text-anchor=\"end\">%lld</text>",
                  left - 6, top + 10, static_cast<long long>(most));
    return svg + "</svg>";
}

// The records' scatter within their cells for each lag of the grid, the lag taken outlined.
std::string LagGridSvg(const LagEstimate& e) {
    const int side = kLagGridSteps * kLagGridCellPx;
    std::string svg = Format("<svg class=\"chart\" width=\"%d\" height=\"%d\">", kMapWidthPx,
                             kLagGridTopPx + side + 40);
    svg += Format("<text class=\"title\" x=\"%d\" y=\"14\">The records' scatter within their "
                  "cells, by lag (darker: less)</text>",
                  kLagGridLeftPx);
    svg += Format("<text class=\"axis-title\" x=\"%d\" y=\"29\">FLOW_MS, the part at 1000 RPM "
                  "and atmosphere</text>",
                  kLagGridLeftPx + side / 2);
    svg += Format("<text class=\"axis-title\" x=\"14\" y=\"%d\" transform=\"rotate(-90 14 %d)\">"
                  "MS</text>",
                  kLagGridTopPx + side / 2, kLagGridTopPx + side / 2);
    if (e.grid.empty()) {
        return svg + Format("<text x=\"%d\" y=\"%d\">%s</text></svg>", kLagGridLeftPx,
                            kLagGridTopPx + 20,
                            e.why.empty() ? "The lag was given, not searched for."
                                          : Escaped("Not searched: " + e.why).c_str());
    }
    double low = e.grid[0].scatter, high = low;
    for (const LagScore& s : e.grid) {
        low = std::min(low, s.scatter);
        high = std::max(high, s.scatter);
    }
    const double step = kLagGridStepMs;
    for (int i = 0; i < kLagGridSteps; i += kLagGridLabelEvery) {
        svg += Format("<text class=\"axis\" x=\"%d\" y=\"%d\" text-anchor=\"middle\">%.0f</text>",
                      kLagGridLeftPx + i * kLagGridCellPx + kLagGridCellPx / 2, kLagGridTopPx - 4,
                      i * step);
        svg += Format("<text class=\"axis\" x=\"%d\" y=\"%d\" text-anchor=\"end\">%.0f</text>",
                      kLagGridLeftPx - 4,
                      kLagGridTopPx + i * kLagGridCellPx + kLagGridCellPx / 2 + 4, i * step);
    }
    for (std::size_t k = 0; k < e.grid.size(); ++k) {
        const LagScore& s = e.grid[k];
        const int m = static_cast<int>(k) / kLagGridSteps, f = static_cast<int>(k) % kLagGridSteps;
        // Darker for less scatter: the scale's dark end is the best lag. Logarithmic, as the
        // scatter near the best is often a small fraction of the worst's.
        const auto level = [low](double v) { return low > 0 ? std::log(v) : v; };
        const double share =
            high > low ? (level(high) - level(s.scatter)) / (level(high) - level(low)) : 1;
        svg += Format("<rect x=\"%d\" y=\"%d\" width=\"%d\" height=\"%d\" fill=\"%s\">"
                      "<title>%.0f ms + %.0f ms: %.3g</title></rect>",
                      kLagGridLeftPx + f * kLagGridCellPx, kLagGridTopPx + m * kLagGridCellPx,
                      kLagGridCellPx, kLagGridCellPx, Css(Along(kScale, share)).c_str(), s.lag.ms,
                      s.lag.flowMs, s.scatter);
    }
    if (e.found) {
        svg += Format("<circle class=\"chosen\" cx=\"%.1f\" cy=\"%.1f\" r=\"6\"/>",
                      kLagGridLeftPx + (e.lag.flowMs / step + 0.5) * kLagGridCellPx,
                      kLagGridTopPx + (e.lag.ms / step + 0.5) * kLagGridCellPx);
    }
    return svg + "</svg>";
}

// The three pressures the lag is drawn at: in vacuum, at atmosphere, on boost.
constexpr struct {
    double psi;
    const char* name;
    Rgb colour;
} kLagCurves[] = {{5, "5 PSI (vacuum)", {37, 52, 148}},
                  {kAtmosphereForFlowPsi, "atmosphere", {65, 182, 196}},
                  {30, "15 PSI boost", {178, 24, 43}}};
constexpr double kLagCurveLowRpm = 500, kLagCurveHighRpm = 7000;
constexpr int kLagCurveLeftPx = 56, kLagCurveTopPx = 36, kLagCurveWidthPx = 500,
              kLagCurveHeightPx = 330;

// The lag taken, over RPM, at three pressures.
std::string LagCurvesSvg(const LagEstimate& e) {
    std::string svg = Format("<svg class=\"chart\" width=\"%d\" height=\"%d\">", kMapWidthPx,
                             kLagCurveTopPx + kLagCurveHeightPx + 50);
    svg += Format("<text class=\"title\" x=\"%d\" y=\"18\">The lag taken over RPM, ms "
                  "(%.0f + %.0f)</text>",
                  kLagCurveLeftPx, e.lag.ms, e.lag.flowMs);
    for (double ms = 0; ms <= kLongestDelayMs; ms += 400) {
        const PagePoint a = LagCurvePoint(kLagCurveLowRpm, ms),
                        b = LagCurvePoint(kLagCurveHighRpm, ms);
        svg += Format("<line class=\"grid\" x1=\"%d\" x2=\"%d\" y1=\"%d\" y2=\"%d\"/>"
                      "<text class=\"axis\" x=\"%d\" y=\"%d\" text-anchor=\"end\">%.0f</text>",
                      a.x - kMapWidthPx, b.x - kMapWidthPx, a.y - kLagChartsTopPx,
                      b.y - kLagChartsTopPx, a.x - kMapWidthPx - 4, a.y - kLagChartsTopPx + 4, ms);
    }
    for (double rpm = 1000; rpm <= kLagCurveHighRpm; rpm += 1000) {
        const PagePoint at = LagCurvePoint(rpm, 0);
        svg += Format("<text class=\"axis\" x=\"%d\" y=\"%d\" text-anchor=\"middle\">%.0f</text>",
                      at.x - kMapWidthPx, at.y - kLagChartsTopPx + 16, rpm);
    }
    int legend = 0;
    for (const auto& curve : kLagCurves) {
        std::string path;
        for (double rpm = kLagCurveLowRpm; rpm <= kLagCurveHighRpm; rpm += 50) {
            const PagePoint at = LagCurvePoint(rpm, TransportDelayS(e.lag, rpm, curve.psi) * 1000);
            path += Format("%c%d %d ", path.empty() ? 'M' : 'L', at.x - kMapWidthPx,
                           at.y - kLagChartsTopPx);
        }
        svg += Format("<path class=\"lag\" stroke=\"%s\" d=\"%s\"/>", Css(curve.colour).c_str(),
                      path.c_str());
        svg += Format("<text x=\"%d\" y=\"%d\" fill=\"%s\">%s</text>",
                      kLagCurveLeftPx + kLagCurveWidthPx - 120, kLagCurveTopPx + 14 + 14 * legend++,
                      Css(curve.colour).c_str(), curve.name);
    }
    return svg + "</svg>";
}

constexpr const char* kStyle =
    "body{margin:0;width:1264px;font:13px sans-serif;color:#222;background:#fff}"
    "header{box-sizing:border-box;height:168px;overflow:hidden;padding:10px 16px}"
    "h1{font-size:20px;margin:0 0 4px}p{margin:2px 0}.note{color:#b2182b;font-weight:bold}"
    ".maps{display:grid;grid-template-columns:repeat(2,max-content)}"
    "svg{display:block}text{font-size:10px}.title{font-size:14px;font-weight:bold}"
    ".axis{fill:#444}.axis-title{fill:#222;font-size:11px;text-anchor:middle}"
    ".cell{font-size:8px;text-anchor:middle;fill:#222}.cell.light{fill:#fff}"
    ".grid{stroke:#ddd}.left-out{fill:#ccc;opacity:.6}.bar{fill:#2c7fb8}"
    ".measured{fill:none;stroke:#b2182b;stroke-width:1.5}"
    ".target{fill:none;stroke:#222;stroke-dasharray:5 3}"
    ".lags{display:grid;grid-template-columns:repeat(2,max-content)}"
    ".lag{fill:none;stroke-width:2}.chosen{fill:none;stroke:#b2182b;stroke-width:2}"
    "@page{size:A4;margin:10mm}"
    "@media print{body{zoom:.56}header{height:auto}svg{break-inside:avoid}}";

// The filters as set: "warm-up below 160 F, transients faster than 10 PSI/s, ...".
std::string FiltersText(const TuneOptions& o) {
    const auto filter = [](const std::optional<double>& value, const char* on) {
        return value ? Format(on, *value) : std::string();
    };
    std::string text;
    for (const std::string& part :
         {filter(o.minTempF, "warm-up below %g F"),
          filter(o.transientPsiPerS, "manifold pressure faster than %g PSI/s (and 1 s after)"),
          filter(o.maxAfr, "fuel cut at %g AFR and leaner"),
          filter(o.minAfr, "the rich limit at %g AFR and richer"),
          o.maxAfr || o.minAfr ? Format("%g ms after either", o.afterCutS * 1000) : std::string(),
          filter(o.minRpm, "RPM below %g")}) {
        if (!part.empty()) {
            text += (text.empty() ? "" : ", ") + part;
        }
    }
    return text.empty() ? "none" : text;
}

std::string SettingsText(const ReportInput& in) {
    const TuneOptions& o = in.options;
    const char* banks = o.wideband == 1   ? "wideband 1 only"
                        : o.wideband == 2 ? "wideband 2 only"
                                          : "the mean of both widebands";
    return Format("Settings: %s; at least %d hits; deadband %g%%; step limit %g%%; target "
                  "%s; %s; left out: %s.",
                  LagText(in.lag).c_str(), o.minHits, o.deadbandPercent, o.maxChangePercent,
                  in.target.c_str(), banks, FiltersText(o).c_str());
}

std::string Listed(const std::vector<std::string>& items) {
    std::string text;
    for (const std::string& item : items) {
        text += (text.empty() ? "" : "; ") + item;
    }
    return text;
}

// Said when warm-up took a large share of the drives.
std::string WarmUpNote(const Analysis& a) {
    const double seconds = static_cast<double>(a.timelineSeconds());
    if (a.warmUpS < 10 || a.warmUpS < 0.2 * seconds) {
        return "";
    }
    return Format("<p class=\"note\">The first %.0f s were warm-up: log a warm engine.</p>",
                  a.warmUpS);
}

} // namespace

std::string CellFiguresText(const VeTable& before, const Suggestion& suggestion,
                            const Analysis& analysis, int cell) {
    const CellTally& tally = analysis.cells[cell];
    const SolvedCell& solved = suggestion.solution[cell];
    std::string text =
        Format("P %d, R %d (%s RPM, %s PSI): %.1f hits", PressureIndexOf(cell), RpmIndexOf(cell),
               RpmHeaderText(before, RpmIndexOf(cell)).c_str(),
               PressureHeaderText(before, PressureIndexOf(cell)).c_str(), tally.hits);
    if (tally.hits > 0) {
        text += Format("; air/fuel error before %+.1f%%", (tally.meanRatio() - 1) * 100);
    }
    text += Format("; current %d", before[cell]);
    if (solved.solved) {
        text += Format(", solved %.1f (%+.1f%% +- %.1f%%)", solved.ve,
                       ChangePercent(before[cell], solved.ve), solved.uncertaintyPercent);
    }
    text += Format(", suggested %d: %s", suggestion.table[cell],
                   kOutcomeNames[static_cast<int>(suggestion.outcome[cell])]);
    std::string leftOut;
    for (int k = 0; k < kLeftOutKinds; ++k) {
        if (tally.leftOut[k] > 0) {
            leftOut += (leftOut.empty() ? "; left out: " : ", ") + Thousands(tally.leftOut[k]) +
                       " " + kLeftOutNames[k];
        }
    }
    return text + leftOut;
}

PagePoint HeatCellCorner(HeatMap map, int p, int r) {
    const int m = static_cast<int>(map);
    static_assert(kReportWidthPx <= 1280, "the report fits 1280 px");
    return {(m % 2) * kMapWidthPx + kMapLeftPx + p * kMapCellPx,
            kReportHeaderPx + (m / 2) * kMapHeightPx + kMapTopPx + r * kMapCellPx};
}

PagePoint LagGridCorner(int m, int f) {
    return {kLagGridLeftPx + f * kLagGridCellPx,
            kLagChartsTopPx + kLagGridTopPx + m * kLagGridCellPx};
}

PagePoint LagCurvePoint(double rpm, double delayMs) {
    const double x = (rpm - kLagCurveLowRpm) / (kLagCurveHighRpm - kLagCurveLowRpm);
    const double y = 1 - std::clamp(delayMs / kLongestDelayMs, 0.0, 1.0);
    return {kMapWidthPx + kLagCurveLeftPx + static_cast<int>(std::lround(x * kLagCurveWidthPx)),
            kLagChartsTopPx + kLagCurveTopPx +
                static_cast<int>(std::lround(y * kLagCurveHeightPx))};
}

Rgb ScaleColour(double share) {
    return Along(kScale, share);
}

Rgb ChangeColour(double percent, double limit) {
    return Along(kChange, 0.5 + percent / (2 * limit));
}

std::string ReportHtml(const ReportInput& in) {
    std::string html = "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>VE suggestions"
                       "</title><style>";
    html += kStyle;
    html +=
        "</style></head><body><header><h1>VE suggestions</h1><p>" + Escaped(in.summary) + "</p>";
    html += "<p>" + Escaped(SettingsText(in)) + "</p>";
    html += "<p>Logs: " + Escaped(Listed(in.logs)) +
            ". Tables: " + Escaped(in.tables.empty() ? "none kept" : Listed(in.tables)) + ".</p>";
    html += Format("<p>Hatched in the change: fewer than %d hits, kept as they are. Each cell "
                   "moves only when "
                   "its change is more than the deadband and twice its uncertainty, and at most "
                   "%g%% in one analysis. Point at a cell for its figures.</p>",
                   in.options.minHits, in.options.maxChangePercent);
    html += WarmUpNote(in.analysis) + "</header>";
    html += Format("<svg width=\"0\" height=\"0\" style=\"position:absolute\"><defs><pattern "
                   "id=\"few\" width=\"8\" height=\"8\" patternUnits=\"userSpaceOnUse\" "
                   "patternTransform=\"rotate(45)\"><rect width=\"2\" height=\"8\" "
                   "fill=\"%s\"/></pattern></defs></svg>",
                   Css(kFewHitsHatch).c_str());
    html += "<div class=\"maps\">";
    int id = 0;
    for (const HeatMapSpec& spec : HeatMapSpecs(in)) {
        html += HeatMapSvg(spec, in, id++);
    }
    html += "</div>" + TimelineSvg(in.analysis) + HistogramSvg(in.analysis);
    html += "<div class=\"lags\">" + LagGridSvg(in.lag) + LagCurvesSvg(in.lag) + "</div>";
    return html + "</body></html>\n";
}
