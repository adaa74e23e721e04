#include "Wideband.h"

#include "model/AfrTarget.h"

#include <algorithm>
#include <cmath>

namespace tvxsim {

double Wideband::arriving() {
    const Arrival arrival =
        Arriving(0, exhaust_.size(), now_, [this](std::size_t k) { return exhaust_[k].arrives; });
    if (exhaust_.front().arrives > now_) {
        return exhaust_.front().afr; // nothing has arrived yet: the sensor sees the first
    }
    // What was made before the last arrival has passed the sensor.
    exhaust_.erase(exhaust_.begin(), exhaust_.begin() + static_cast<std::ptrdiff_t>(arrival.last));
    const Puff& arrived = exhaust_[0];
    return arrival.share ? arrived.afr + (exhaust_[1].afr - arrived.afr) * *arrival.share
                         : arrived.afr;
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
