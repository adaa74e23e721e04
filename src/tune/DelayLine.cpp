#include "tune/DelayLine.h"

#include <cmath>

bool TransientWatch::add(double timeS, double pressurePsi) {
    if (!limit_) {
        return false;
    }
    if (!window_.empty() &&
        !(timeS - window_.back().first >= 0 && timeS - window_.back().first <= kLogGapS)) {
        window_.clear();
    }
    window_.emplace_back(timeS, pressurePsi);
    while (window_.size() > 2 && timeS - window_[1].first >= kRateWindowS) {
        window_.pop_front();
    }
    const auto& [t0, p0] = window_.front();
    if (timeS > t0 && std::fabs((pressurePsi - p0) / (timeS - t0)) > *limit_) {
        until_ = timeS + kTransientHoldS;
    }
    return until_ && timeS <= *until_;
}

Moment Between(const Moment& a, const Moment& b, double timeS) {
    const double span = b.timeS - a.timeS;
    const double share = span > 0 ? (timeS - a.timeS) / span : 0;
    const auto mix = [share](double x, double y) { return x + (y - x) * share; };
    return {timeS, mix(a.rpm, b.rpm), mix(a.pressurePsi, b.pressurePsi), mix(a.tempF, b.tempF),
            a.transient || b.transient};
}

std::optional<Moment> DelayLine::add(const Moment& now) {
    // A gap, or time running backwards (logs put together): nothing to pair across.
    if (!kept_.empty() && !(now.timeS - kept_.back().moment.timeS >= 0 &&
                            now.timeS - kept_.back().moment.timeS <= kLogGapS)) {
        kept_.clear();
    }
    kept_.push_back({now, now.timeS + ReadingDelayS(lag_, now.rpm, now.pressurePsi)});
    const Arrival read =
        Arriving(0, kept_.size(), now.timeS, [this](std::size_t k) { return kept_[k].readAt; });
    kept_.erase(kept_.begin(), kept_.begin() + static_cast<std::ptrdiff_t>(read.last));
    const Kept& last = kept_.front();
    if (last.readAt > now.timeS) {
        return std::nullopt; // the log began less than a delay ago
    }
    if (!read.share) {
        return last.moment;
    }
    const Kept& next = kept_[1];
    return Between(last.moment, next.moment,
                   last.moment.timeS + *read.share * (next.moment.timeS - last.moment.timeS));
}

void DelayLine::markTransientFrom(double timeS) {
    for (auto k = kept_.rbegin(); k != kept_.rend() && k->moment.timeS >= timeS; ++k) {
        k->moment.transient = true;
    }
}
