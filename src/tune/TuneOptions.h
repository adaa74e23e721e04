// What the analyser leaves out and how far it may move a cell; each filter may be turned off.
#pragma once

#include "model/WidebandDelay.h"

#include <optional>
#include <vector>

// A rectangle of cells, corners included, that no suggestion changes.
struct CellBlock {
    int p1 = 0, r1 = 0, p2 = 0, r2 = 0;
    bool holds(int p, int r) const;
    bool operator==(const CellBlock&) const = default;
};

struct TuneOptions {
    WidebandLag lag;     // the wideband's transport delay, as the records are paired
    bool lagAuto = true; // found from the drives themselves, lag serving when they cannot tell
    std::optional<double> minTempF = 160; // warm-up fuel below
    std::optional<double> transientPsiPerS = 10;
    std::optional<double> maxAfr = 19.5; // just under the lean limit where a fuel cut reads
    std::optional<double> minAfr = 9.5;  // just over the rich limit
    double afterCutS = 0.6;              // the sensor's recovery from either limit
    std::optional<double> minRpm = 300;
    int wideband = 0; // 1 or 2; 0: the mean of both
    int minHits = 20;
    double maxChangePercent = 15;
    double deadbandPercent = 1; // a smaller change is no change
    std::vector<CellBlock> locks;

    bool locked(int p, int r) const;
    bool operator==(const TuneOptions&) const = default;
};

// Longer than this between rows, the log is not continuous: nothing is paired across it.
inline constexpr double kLogGapS = 1.0;
// The window over which the manifold pressure's rate is taken, and how long a transient lasts
// after the rate falls back.
inline constexpr double kRateWindowS = 0.1;
inline constexpr double kTransientHoldS = 1.0;
// And how long before it was seen: the throttle moved, and the fuel changed, a moment before the
// pressure's rate showed it.
inline constexpr double kTransientLeadS = 0.25;
