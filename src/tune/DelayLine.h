// The operating point the log held a moment ago: the wideband reads the exhaust of an earlier
// point, so each reading is paired with the point `lag` before it, interpolated in time.
#pragma once

#include "tune/TuneOptions.h"

#include <deque>
#include <optional>

struct Moment {
    double timeS = 0;
    double rpm = 0;
    double pressurePsi = 0;
    double tempF = 0;
    bool transient = false; // manifold pressure changing fast, or lately so
};

// Flags each moment from its manifold pressure's rate, over kRateWindowS, and holds the flag
// kTransientHoldS after the rate falls back.
class TransientWatch {
public:
    explicit TransientWatch(std::optional<double> limitPsiPerS) : limit_(limitPsiPerS) {}
    bool add(double timeS, double pressurePsi);

private:
    std::optional<double> limit_;
    std::deque<std::pair<double, double>> window_; // (time, pressure)
    std::optional<double> until_;
};

class DelayLine {
public:
    explicit DelayLine(double lagS) : lagS_(lagS) {}

    // A new row's moment; what the log held lag before it, or nothing when the log does not
    // reach that far back continuously.
    std::optional<Moment> add(const Moment& now);

private:
    double lagS_;
    std::deque<Moment> kept_; // oldest first, back to one moment beyond the lag
};

// The moment between a and b at `timeS`; its flag is either's, so a stretch is judged whole.
Moment Between(const Moment& a, const Moment& b, double timeS);
