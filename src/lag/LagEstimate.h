// The wideband's delay found from the drives themselves. At the right delay the records that
// fall in one cell agree; at a wrong one, the readings taken while the engine moves are charged
// to cells it had already left, and their cells scatter. So the delay taken is the one under
// which the records scatter least about the table that best agrees with them, searched over 0
// to kLongestDelayMs for each part of the delay model. Each reading is paired as the sensor reads:
// the point arriving by the transport delay, through the sensor's response. Every delay
// compared is judged by the same readings, each block of a few seconds keeps a level of its own
// (a slow drift says nothing of the delay) and the tenth that agree least are left out (fuel
// the model does not know of). A steady drive cannot tell one delay from another: then a delay
// found earlier, or 150 ms, serves, and the summary says so.
#pragma once

#include "model/Lattice.h"
#include "tune/DelayLine.h"
#include "tune/RowObserver.h"
#include "tune/TableInForce.h"
#include "tune/TuneLog.h"
#include "tune/TuneOptions.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Fewer movements than this (the engine leaving a cell it had held, outside any transient)
// cannot tell the delay.
inline constexpr std::int64_t kMinMovements = 100;
// The grid the report draws the criterion on, over the whole range a lag may take
// (kLongestDelayMs for each part), before the search refines the best of it.
inline constexpr double kLagGridStepMs = 100;
inline constexpr int kLagGridSteps = static_cast<int>(kLongestDelayMs / kLagGridStepMs) + 1;
// At most this many rows are kept for the search: a longer drive is judged by its beginning.
inline constexpr std::size_t kLagRowsKept = 1'500'000;
// Each delay is judged by about this many readings, spread over the drives.
inline constexpr std::size_t kLagReadingsJudged = 150'000;

struct LagScore {
    WidebandLag lag;
    double scatter = 0; // of the records within their cells, in VE squared
};

struct LagEstimate {
    WidebandLag lag;
    bool found = false; // from the drives; else the lag that served instead
    std::string why;    // when not found
    std::string source; // what served when not found: "a lag kept with the drive", "150 ms"
    std::int64_t movements = 0;
    std::vector<LagScore> grid; // kLagGridSteps x kLagGridSteps, MS slow, FLOW_MS fast
};

// Fed by the analysis: each row of a log in order, once judged plausible and of its table. A
// reading at a sensor's limit, or recovering from one, is never judged.
class LagEstimator final : public RowObserver {
public:
    LagEstimator(const VeTable& lattice, const CellValues& target, const TuneOptions& options);

    void beginLog(const TableInForce& tables) override;
    void judged(const TuneRow& row, const RowVerdict& verdict) override;
    void cellWritten(const CellWrite& write) override { inForce_->add(write); }

    // The delay under which the records scatter least; `fallback` when the drives cannot tell.
    LagEstimate estimate(const WidebandLag& fallback, const std::string& fallbackSource) const;

    // The scatter of the records about the table that best agrees with them, paired by each of
    // `lags`, all judged by the same readings: about `judged` spread over the drives, less those
    // any of the lags pairs with a point not judged.
    std::vector<double> scatter(const std::vector<WidebandLag>& lags,
                                std::size_t judged = kLagReadingsJudged) const;
    std::int64_t movements() const { return movements_; }

private:
    struct Row {
        double timeS;
        float rpm;
        float pressurePsi;
        float tempF;
        bool transient;
        bool startsRun; // the first row of a stretch without gaps
    };
    // What one lag says the sensor shows as the rows go by: the point whose exhaust arrives,
    // by the transport delay, passed through the sensor's response as the engine's reading is.
    // So the noise in the logged point is smoothed as the sensor smooths the fuel metered by it.
    struct Sensed {
        WidebandLag lag;
        std::size_t cursor = 0; // the last row whose exhaust had arrived
        bool started = false;
        double sinceS = 0; // when the response began
        double rpm = 0, pressurePsi = 0, tempF = 0;
        double transient = 0; // how much of the response is of a transient
    };
    struct Reading {
        std::uint32_t row;
        std::uint32_t table; // the table in force, as kept in tables_
        float afr;
    };

    // The point arriving at the sensor at a row's time, under a lag.
    Moment arrivingAt(Sensed& sensed, std::size_t row) const;
    // Steps a lag's sensor to `row`, its response moving `share` of the way; whether the point
    // it shows there is one to judge.
    bool sense(Sensed& sensed, std::size_t row, double share) const;
    // The first row from `runStart`, and before `before`, at or after `timeS`.
    std::size_t firstRowFrom(std::size_t runStart, std::size_t before, double timeS) const;

    Lattice lattice_;
    CellValues target_;
    TuneOptions options_;
    std::vector<Row> rows_;
    std::vector<std::uint32_t> runStarts_; // the rows that begin a stretch without gaps
    std::vector<Reading> readings_;
    std::vector<std::uint32_t> blockStarts_; // the readings that begin a block judged together
    std::vector<VeTable> tables_;
    std::optional<TableInForce> inForce_;
    std::size_t applied_ = 0; // of the current log's writes
    std::int64_t movements_ = 0;
    int lastCell_ = -1;     // the nearest cell of the last row, for counting movements
    double cellSinceS_ = 0; // when it became the nearest
};

// "wideband lag: 60 ms + 250 ms at 1000 RPM and atmosphere: 980 ms at idle (800 RPM, 5 PSI),
// 78 ms at 6000 RPM and 20 PSI boost; estimated from 3,412 movements"
std::string LagText(const LagEstimate& estimate);
