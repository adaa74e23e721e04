// One tuning pipeline with two feeders: tvxctl analyze gives it its logs, live tuning its records
// as they come. It holds the lattice, the target and the options; every row goes through the
// analysis, and with the lag on auto to the delay estimate too; once the estimate says the lag
// moved, every drive is fed again, paired by it; and the solve makes the suggestion.
#pragma once

#include "lag/LagEstimate.h"
#include "tune/Suggestion.h"
#include "tune/TuneOptions.h"
#include "tune/VeAnalysis.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

// What the records say against a table: the analysis with the records the solve weighed down
// counted as outlying, and the suggestion.
struct Tuning {
    Analysis analysis;
    Suggestion suggestion;
};

class TuningSession {
public:
    // Gives every drive again, from its start, through beginLog, add and cellWritten; why it
    // could not, or nothing.
    using Feed = std::function<std::optional<std::string>(TuningSession&)>;

    // `lag` serves for pairing until an estimate is taken, and when the drives cannot tell it.
    TuningSession(const VeTable& lattice, const CellValues& target, TuneOptions options,
                  LagEstimate lag);
    TuningSession(const TuningSession&) = delete;
    TuningSession& operator=(const TuningSession&) = delete;

    // Each log starts afresh, judged under `tables`, the table in force at each of its moments.
    void beginLog(const std::string& name, TableInForce tables);
    // A row of the current log, in order; the log's refusal, or nothing.
    std::optional<std::string> add(const TuneRow& row);
    void addCutShort();
    void cellWritten(const CellWrite& write);

    bool lagAuto() const { return estimator_ != nullptr; }
    // The movements the delay estimate has seen; 0 with the lag given.
    std::int64_t movements() const { return estimator_ ? estimator_->movements() : 0; }
    // What the rows fed so far say of the lag; with the lag given, the lag as given.
    LagEstimate estimateLag() const;
    // Pairs by `lag` from now on: when it moved, the analysis starts again and `feed` gives it
    // every drive; the delay estimate keeps what it gathered, which no lag changes.
    std::optional<std::string> useLag(const LagEstimate& lag, const Feed& feed);

    const Analysis& analysis() const { return analyzer_->analysis(); }
    const LagEstimate& lag() const { return lag_; }
    // As given, with the lag in force.
    const TuneOptions& options() const { return options_; }
    // What the records say against `base`, the table a suggestion is made against.
    Tuning tune(const VeTable& base) const;

private:
    VeTable lattice_;
    CellValues target_;
    TuneOptions options_;
    LagEstimate lag_;
    LagEstimate fallback_;
    std::unique_ptr<LagEstimator> estimator_;
    std::unique_ptr<VeAnalyzer> analyzer_;
};
