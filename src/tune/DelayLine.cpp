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
    if (!kept_.empty() &&
        !(now.timeS - kept_.back().timeS >= 0 && now.timeS - kept_.back().timeS <= kLogGapS)) {
        kept_.clear();
    }
    kept_.push_back(now);
    const double at = now.timeS - lagS_;
    while (kept_.size() > 2 && kept_[1].timeS <= at) {
        kept_.pop_front();
    }
    if (at < kept_.front().timeS) {
        return std::nullopt;
    }
    for (std::size_t i = 1; i < kept_.size(); ++i) {
        if (at == kept_[i].timeS) {
            return kept_[i];
        }
        if (at < kept_[i].timeS) {
            return Between(kept_[i - 1], kept_[i], at);
        }
    }
    return kept_.back();
}
