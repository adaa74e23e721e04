// Whether a record can tell the engine's VE, and why not: one judge for the analysis, the delay
// estimate and the hands-free apply's wait for a steady engine, so all three leave out the same
// records, read from the same wideband.
#pragma once

#include "tune/DelayLine.h"
#include "tune/TuneLog.h"
#include "tune/TuneOptions.h"

#include <array>
#include <optional>

// Outlying: kept by every filter, and weighed down by the solve as straying from the rest.
enum class LeftOut {
    NoPoint,
    LowRpm,
    WarmUp,
    Transient,
    FuelCut,
    RichLimit,
    Impossible,
    CutShort,
    Outlying
};
inline constexpr int kLeftOutKinds = 9;
// As the summary names them.
inline constexpr std::array<const char*, kLeftOutKinds> kLeftOutNames = {
    "without a point lag before",
    "low RPM",
    "warm-up",
    "transient",
    "fuel cut",
    "rich limit",
    "impossible",
    "cut short",
    "outlying"};

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

struct RowVerdict {
    double afr = 0;               // the reading of the wideband chosen
    bool transient = false;       // the manifold pressure changing fast, or lately so
    bool transientBegins = false; // and not at the row before
    std::optional<LeftOut> limit; // a reading at a sensor's limit, or recovering from one
    bool warm = false;            // the engine as warm as the filter asks, now
};

class RowJudge {
public:
    explicit RowJudge(const TuneOptions& options);

    // Each log starts afresh.
    void beginLog();
    // A row no engine or sensor gives, or one earlier than the row before: judged against that
    // row, so one wild time stamp costs two rows, not the log.
    bool impossible(const TuneRow& row);
    // A possible row, in order.
    RowVerdict judge(const TuneRow& row);
    // Whether a reading paired with `point` is kept, given the reading's own limit.
    std::optional<LeftOut> atPoint(const std::optional<Moment>& point,
                                   std::optional<LeftOut> limit) const;

private:
    std::optional<LeftOut> readingLimit(double afr, double timeS);

    TuneOptions options_;
    TransientWatch transients_;
    bool transient_ = false; // at the row before
    std::optional<double> lastTimeS_;
    std::optional<double> leanUntilS_; // readings until then are a fuel cut's recovery
    std::optional<double> richUntilS_;
};
