#include "Wideband.h"

#include "tune/AfrTarget.h"

#include <algorithm>
#include <cmath>

namespace tvxsim {

double Wideband::delayed() const {
    const double at = now_ - lagS_;
    if (at <= exhaust_.front().first) {
        return exhaust_.front().second;
    }
    for (std::size_t i = 1; i < exhaust_.size(); ++i) {
        const auto& [t1, v1] = exhaust_[i];
        if (at <= t1) {
            const auto& [t0, v0] = exhaust_[i - 1];
            return v0 + (v1 - v0) * (at - t0) / (t1 - t0);
        }
    }
    return exhaust_.back().second;
}

BankReadings Wideband::step(double dt, double exhaustAfr) {
    now_ += dt;
    exhaust_.emplace_back(now_, exhaustAfr);
    // Keep one moment older than the lag, to interpolate from.
    while (exhaust_.size() > 2 && exhaust_[1].first <= now_ - lagS_) {
        exhaust_.pop_front();
    }
    const double arriving = delayed();
    sensed_ =
        started_ ? sensed_ + (arriving - sensed_) * (1 - std::exp(-dt / kResponseS)) : arriving;
    started_ = true;
    // A slow random walk whatever the record rate: the same spread per second at any dt.
    bankOffset_ = std::clamp(bankOffset_ + (random_.unit() - 0.5) * 0.02 * std::sqrt(dt / 0.02),
                             -kBankOffset, kBankOffset);
    const auto noise = [this] { return (random_.unit() - 0.5) * 2 * kNoise; };
    const auto held = [](double afr) {
        return std::clamp(afr, kWidebandRichLimit, kWidebandLeanLimit);
    };
    const double wb1 = held(sensed_ + noise());
    return {wb1, held(sensed_ + bankOffset_ + noise())};
}

} // namespace tvxsim
