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

enum class LeftOut { NoPoint, LowRpm, WarmUp, Transient, FuelCut, RichLimit };
inline constexpr int kLeftOutKinds = 6;
// As the summary names them.
inline constexpr std::array<const char*, kLeftOutKinds> kLeftOutNames = {
    "without a point lag before", "low RPM", "warm-up", "transient", "fuel cut", "rich limit"};

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

    const Analysis& analysis() const { return analysis_; }

private:
    std::optional<std::string> consistency(const TuneRow& row);
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
    bool agreed_ = false; // a row of this log has seen this table
    double logStartS_ = 0;
    std::size_t binBase_ = 0; // the timeline's first bin of this log
    bool started_ = false;
};
