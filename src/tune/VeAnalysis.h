// VE Analyze: each record of a drive weighed into the cells around the operating point the
// wideband's reading belongs to, as the measured air/fuel over its target. Records of warm-up,
// transients, fuel cut and the sensor's limits are left out and counted.
#pragma once

#include "tune/DelayLine.h"
#include "tune/Lattice.h"
#include "tune/TuneLog.h"
#include "tune/TuneOptions.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

enum class LeftOut { NoPoint, LowRpm, WarmUp, Transient, FuelCut, RichLimit, Impossible, CutShort };
inline constexpr int kLeftOutKinds = 8;
// As the summary names them.
inline constexpr std::array<const char*, kLeftOutKinds> kLeftOutNames = {
    "without a point lag before",
    "low RPM",
    "warm-up",
    "transient",
    "fuel cut",
    "rich limit",
    "impossible",
    "cut short"};

// What no engine and no sensor gives: a row holding any of it is left out as impossible.
struct PlausibleRange {
    double low;
    double high;
    bool holds(double x) const { return x >= low && x <= high; } // false for NaN
};
inline constexpr PlausibleRange kPlausibleMapPsi{1e-9, 100}; // absolute: above 0
inline constexpr PlausibleRange kPlausibleRpm{0, 25000};
inline constexpr PlausibleRange kPlausibleAfr{5, 30};
inline constexpr PlausibleRange kPlausibleVe{1, 32767};

struct CellTally {
    double hits = 0;          // the sum of the weights of the records in the cell
    double ratioSum = 0;      // of weight x measured / target
    std::int64_t leftOut = 0; // records left out whose nearest cell this is
    double meanRatio() const { return hits > 0 ? ratioSum / hits : 1; }
};

// One second of the drives, laid end to end, for the report.
struct TimeBin {
    double measuredSum = 0;
    double targetSum = 0;
    std::int64_t records = 0;
    std::int64_t targeted = 0; // records with a point, and so a target
    std::int64_t leftOut = 0;
};

// Air/fuel error of the accepted records, in percent: kErrorBins bins of one percent from
// -kErrorSpan, the outer ones taking everything beyond.
inline constexpr int kErrorSpan = 25;
inline constexpr int kErrorBins = 2 * kErrorSpan;

struct Analysis {
    std::array<CellTally, kCellCount> cells{};
    std::array<std::int64_t, kLeftOutKinds> leftOut{};
    std::int64_t records = 0;
    std::int64_t accepted = 0;
    std::vector<TimeBin> timeline;
    std::array<std::int64_t, kErrorBins> errors{};

    std::int64_t leftOutTotal() const;
};

class VeAnalyzer {
public:
    VeAnalyzer(const VeTable& table, const CellValues& target, const TuneOptions& options);

    // Each log starts afresh: nothing is paired across two logs.
    void beginLog(const std::string& name);
    // A row of the current log, in order. Refuses a row that saw another table than this one.
    std::optional<std::string> add(const TuneRow& row);
    // The current log's last row was cut short by its writer.
    void addCutShort();

    const Analysis& analysis() const { return analysis_; }

private:
    bool impossible(const TuneRow& row) const;
    std::optional<std::string> consistency(const TuneRow& row);
    void countLeftOutUnplaced(LeftOut why);
    std::optional<LeftOut> judge(const std::optional<Moment>& point, double afr) const;
    void count(const std::optional<Moment>& point, double afr, std::optional<LeftOut> leftOut,
               double timeS);

    VeTable table_;
    Lattice lattice_;
    CellValues target_;
    TuneOptions options_;
    Analysis analysis_;
    std::string log_;
    DelayLine delay_;
    TransientWatch transients_;
    std::array<bool, kCellCount> seen_{}; // cells a row of this log has seen, as the table has them
    std::optional<double> lastTimeS_;     // of this log's row before
    double logStartS_ = 0;
    std::size_t binBase_ = 0; // the timeline's first bin of this log
    bool started_ = false;
};
