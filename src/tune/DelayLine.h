// The operating point the log held a moment ago: the wideband reads the exhaust of an earlier
// point, so each reading is paired with the point whose exhaust it shows, by the delay model
// (tune/WidebandDelay.h), interpolated in time.
#pragma once

#include "model/WidebandDelay.h"
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
    explicit DelayLine(WidebandLag lag) : lag_(lag) {}

    // A new row's moment; the moment whose exhaust its reading shows, or nothing when the log
    // does not reach that far back continuously.
    std::optional<Moment> add(const Moment& now);
    // A transient seen now began a little before: the moments from `timeS` on that no reading
    // has been paired with yet are in it.
    void markTransientFrom(double timeS);

private:
    struct Kept {
        Moment moment;
        double readAt; // when its exhaust is read
    };
    WidebandLag lag_;
    std::deque<Kept> kept_; // oldest first, back to the last one already read
};

// The moment between a and b at `timeS`; its flag is either's, so a stretch is judged whole.
Moment Between(const Moment& a, const Moment& b, double timeS);
