#include "Wideband.h"

#include "model/AfrTarget.h"

#include <algorithm>
#include <cmath>

namespace tvxsim {

double Wideband::arriving() {
    std::size_t last = exhaust_.size();
    for (std::size_t k = exhaust_.size(); k-- > 0;) {
        if (exhaust_[k].arrives <= now_) {
            last = k;
            break;
        }
    }
    if (last == exhaust_.size()) {
        return exhaust_.front().afr; // nothing has arrived yet: the sensor sees the first
    }
    // What was made before the last arrival has passed the sensor.
    exhaust_.erase(exhaust_.begin(), exhaust_.begin() + static_cast<std::ptrdiff_t>(last));
    const Puff& arrived = exhaust_[0];
    if (exhaust_.size() < 2 || exhaust_[1].arrives <= arrived.arrives) {
        return arrived.afr;
    }
    const Puff& next = exhaust_[1];
    return arrived.afr +
           (next.afr - arrived.afr) * (now_ - arrived.arrives) / (next.arrives - arrived.arrives);
}

BankReadings Wideband::step(double dt, double exhaustAfr, double rpm, double mapPsi) {
    now_ += dt;
    exhaust_.push_back({now_ + TransportDelayS(lag_, rpm, mapPsi), exhaustAfr});
    const double arrived = arriving();
    sensed_ =
        started_ ? SensorResponse(sensed_, arrived, SensorShare(dt, traits_.responseS)) : arrived;
    started_ = true;
    // A slow random walk whatever the record rate: the same spread per second at any dt.
    bankOffset_ = std::clamp(bankOffset_ + (random_.unit() - 0.5) * 0.02 * std::sqrt(dt / 0.02),
                             -kBankOffset, kBankOffset);
    const auto noise = [this] { return (random_.unit() - 0.5) * 2 * traits_.noiseAfr; };
    const auto held = [](double afr) {
        return std::clamp(afr, kWidebandRichLimit, kWidebandLeanLimit);
    };
    const double wb1 = held(sensed_ + noise());
    return {wb1, held(sensed_ + bankOffset_ + noise())};
}

} // namespace tvxsim
