#include "EngineModel.h"

#include <algorithm>
#include <cmath>

namespace tvxsim {
namespace {

constexpr double kIdleRpm = 820;
constexpr double kAtmosphere = 14.7;

// First-order lag towards target with time constant tau.
double approach(double value, double target, double dt, double tau) {
    return value + (target - value) * std::min(1.0, dt / tau);
}

} // namespace

EngineModel::EngineModel(std::uint64_t seed) : random_(seed), temp_(70.0 + random_.unit() * 10.0) {}

void EngineModel::chooseNextPhase() {
    const double pick = random_.unit();
    if (pick < 0.3) {
        throttleTarget_ = 0.0;
    } else if (pick < 0.8) {
        throttleTarget_ = 0.1 + 0.4 * random_.unit();
    } else {
        throttleTarget_ = 0.7 + 0.3 * random_.unit();
    }
    phaseLeft_ = 1.5 + 4.5 * random_.unit();
}

Reading EngineModel::step(double dt, int intakeType) {
    using L = EngineLimits;
    phaseLeft_ -= dt;
    if (phaseLeft_ <= 0) {
        chooseNextPhase();
    }
    const double maxMove = 2.0 * dt; // a foot, not a switch
    throttle_ += std::clamp(throttleTarget_ - throttle_, -maxMove, maxMove);

    const double rpmTarget = kIdleRpm + (L::kMaxRpm - kIdleRpm) * std::pow(throttle_, 0.9);
    rpm_ = approach(rpm_, rpmTarget, dt, rpmTarget > rpm_ ? 1.2 : 0.8);

    // Vacuum at idle, atmosphere part-throttle, boost only once the turbo has the revs.
    const double spool = std::clamp((rpm_ - 2500.0) / 2000.0, 0.0, 1.0);
    const double boost = 15.0 * std::pow(std::max(throttle_ - 0.5, 0.0) / 0.5, 1.5) * spool;
    const double pressureTarget = 5.2 + 9.5 * std::min(throttle_ / 0.6, 1.0) + boost;
    pressure_ = approach(pressure_, pressureTarget, dt, 0.25);

    const double load = std::clamp((pressure_ - L::kMinPsi) / (L::kMaxPsi - L::kMinPsi), 0.0, 1.0);
    temp_ = approach(temp_, 185.0 + 20.0 * load, dt, 40.0);

    double afrTarget = kAtmosphere;
    if (throttle_ < 0.03) {
        afrTarget = rpm_ > 1500 ? 16.8 : 14.2; // fuel cut on overrun, a touch rich at idle
    } else if (pressure_ > kAtmosphere) {
        afrTarget = kAtmosphere - 3.2 * std::min((pressure_ - kAtmosphere) / 15.0, 1.0);
    }
    afr_ = approach(afr_, afrTarget, dt, 0.3);
    bankOffset_ = std::clamp(bankOffset_ + (random_.unit() - 0.5) * 0.02, -0.3, 0.3);

    auto noise = [this](double size) { return (random_.unit() - 0.5) * 2.0 * size; };
    Reading reading;
    reading.pressureAbsPsi = std::clamp(pressure_ + noise(0.05), L::kMinPsi, L::kMaxPsi);
    reading.rpm = std::clamp(rpm_ + noise(20.0), L::kMinRpm, L::kMaxRpm);
    reading.tempF = std::clamp(temp_ + noise(0.3), L::kMinTempF, L::kMaxTempF);
    reading.wb1 = std::clamp(afr_ + noise(0.08), L::kMinAfr, L::kMaxAfr);
    reading.wb2 = std::clamp(afr_ + bankOffset_ + noise(0.08), L::kMinAfr, L::kMaxAfr);
    const double flow = (rpm_ / L::kMaxRpm) * (pressure_ / L::kMaxPsi);
    reading.airflow =
        intakeType == 3
            ? std::clamp(L::kMinHz + (L::kMaxHz - L::kMinHz) * flow, L::kMinHz, L::kMaxHz)
            : std::clamp(L::kMinVolts + 4.3 * std::sqrt(flow), L::kMinVolts, L::kMaxVolts);
    return reading;
}

} // namespace tvxsim
