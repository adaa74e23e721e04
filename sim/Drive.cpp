#include "Drive.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace tvxsim {
namespace {

// First-order lag towards target with time constant tau.
double approach(double value, double target, double dt, double tau) {
    return value + (target - value) * std::min(1.0, dt / tau);
}

} // namespace

double Spool(double rpm) {
    return std::clamp((rpm - 2500.0) / 2000.0, 0.0, 1.0);
}

double MaxPressureAt(double rpm) {
    return EngineLimits::kOpenThrottlePsi + EngineLimits::kMaxBoostPsi * Spool(rpm);
}

void MixedDrive::chooseNextPhase() {
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

EngineState MixedDrive::step(double dt) {
    using L = EngineLimits;
    phaseLeft_ -= dt;
    if (phaseLeft_ <= 0) {
        chooseNextPhase();
    }
    const double maxMove = 2.0 * dt; // a foot, not a switch
    throttle_ += std::clamp(throttleTarget_ - throttle_, -maxMove, maxMove);

    const double rpmTarget = L::kIdleRpm + (L::kMaxRpm - L::kIdleRpm) * std::pow(throttle_, 0.9);
    state_.rpm = approach(state_.rpm, rpmTarget, dt, rpmTarget > state_.rpm ? 1.2 : 0.8);

    // Vacuum at idle, atmosphere part-throttle, boost only once the turbo has the revs.
    const double boost =
        L::kMaxBoostPsi * std::pow(std::max(throttle_ - 0.5, 0.0) / 0.5, 1.5) * Spool(state_.rpm);
    const double open = L::kOpenThrottlePsi - L::kClosedThrottlePsi;
    const double pressureTarget =
        L::kClosedThrottlePsi + open * std::min(throttle_ / 0.6, 1.0) + boost;
    state_.pressure = approach(state_.pressure, pressureTarget, dt, 0.25);
    state_.throttleClosed = throttle_ < 0.03;
    return state_;
}

void JumpDrive::chooseNext() {
    using L = EngineLimits;
    from_ = state_;
    t_ = 0;
    holdS_ = kShortestHoldS + (kLongestHoldS - kShortestHoldS) * random_.unit();
    const double rpm = L::kIdleRpm + (L::kMaxRpm - L::kIdleRpm) * random_.unit();
    const bool overrun = random_.unit() < kOverrunShare;
    const double psi = overrun ? L::kClosedThrottlePsi
                               : L::kLightThrottlePsi +
                                     (MaxPressureAt(rpm) - L::kLightThrottlePsi) * random_.unit();
    to_ = {rpm, psi, overrun};
    moveS_ = std::max(kPressureMoveS, std::abs(rpm - from_.rpm) / kRpmPerS);
}

EngineState JumpDrive::step(double dt) {
    t_ += dt;
    if (t_ >= moveS_ + holdS_) {
        chooseNext();
    }
    // The pressure within what the revs allow on the way: boost needs the turbo's speed.
    const double rpmShare = std::min(1.0, t_ / moveS_);
    const double rpm = from_.rpm + (to_.rpm - from_.rpm) * rpmShare;
    const double pressureShare = std::min(1.0, t_ / kPressureMoveS);
    const double pressure = from_.pressure + (to_.pressure - from_.pressure) * pressureShare;
    state_ = {rpm, std::min(pressure, MaxPressureAt(rpm)), to_.throttleClosed};
    return state_;
}

std::vector<SweepDrive::Waypoint> SweepPath(const Lattice& lattice) {
    using L = EngineLimits;
    // Where a breakpoint is visited, held within what the engine can do; a breakpoint is
    // reachable when that place still lies between its neighbours.
    const auto visit = [](const std::array<double, kLatticeSize>& axis, int k, double low,
                          double high) -> std::optional<double> {
        const double at = std::clamp(axis[k], low, high);
        const bool above = k == 0 || at > axis[k - 1];
        const bool below = k == kLatticeSize - 1 || at < axis[k + 1];
        return above && below ? std::optional(at) : std::nullopt;
    };
    std::vector<SweepDrive::Waypoint> path;
    bool rising = true;
    for (int p = 0; p < kLatticeSize; ++p) {
        std::vector<SweepDrive::Waypoint> row;
        for (int r = 0; r < kLatticeSize; ++r) {
            const auto hundreds =
                visit(lattice.rpmHundreds, r, L::kIdleRpm / 100, L::kMaxRpm / 100);
            if (!hundreds) {
                continue;
            }
            const double rpm = *hundreds * 100;
            if (const auto psi =
                    visit(lattice.pressurePsi, p, L::kLightThrottlePsi, MaxPressureAt(rpm))) {
                row.push_back({rpm, *psi, SweepDrive::kDwellS});
            }
        }
        if (!rising) {
            std::reverse(row.begin(), row.end());
        }
        rising = row.empty() ? rising : !rising;
        path.insert(path.end(), row.begin(), row.end());
    }
    return path;
}

SweepDrive::SweepDrive(const Lattice& lattice) {
    const std::vector<Waypoint> stops = SweepPath(lattice);
    // Where pressure rises the revs come first, where it falls the pressure does, so every step
    // stays within what the engine can reach (more speed only ever allows more pressure).
    for (std::size_t i = 0; i < stops.size(); ++i) {
        const Waypoint& from = stops[i];
        const Waypoint& to = stops[(i + 1) % stops.size()];
        path_.push_back(from);
        if (from.rpm != to.rpm && from.pressure != to.pressure) {
            path_.push_back(to.pressure > from.pressure ? Waypoint{to.rpm, from.pressure, 0}
                                                        : Waypoint{from.rpm, to.pressure, 0});
        }
    }
    for (std::size_t i = 0; i < path_.size(); ++i) {
        arrivals_.push_back(i == 0 ? 0 : leaving(i - 1) + travel(path_[i - 1], path_[i]));
    }
    passS_ = path_.empty() ? 0 : leaving(path_.size() - 1) + travel(path_.back(), path_[0]);
}

double SweepDrive::travel(const Waypoint& from, const Waypoint& to) {
    return std::max(std::fabs(to.rpm - from.rpm) / kRpmPerS,
                    std::fabs(to.pressure - from.pressure) / kPsiPerS);
}

EngineState SweepDrive::step(double dt) {
    if (path_.empty()) {
        return {};
    }
    t_ += dt;
    if (t_ >= passS_) {
        t_ = std::fmod(t_, passS_);
        next_ = 0;
    }
    while (next_ < path_.size() && t_ >= leaving(next_)) {
        ++next_;
    }
    if (next_ < path_.size() && t_ >= arrivals_[next_]) {
        return {path_[next_].rpm, path_[next_].pressure, false};
    }
    // On the way to the next waypoint, or from the last back to the first.
    const std::size_t from = next_ == 0 ? path_.size() - 1 : next_ - 1;
    const std::size_t to = next_ % path_.size();
    const double left = leaving(from);
    const double span = (next_ < path_.size() ? arrivals_[next_] : passS_) - left;
    const double share = span > 0 ? (t_ - left) / span : 1;
    const Waypoint& a = path_[from];
    const Waypoint& b = path_[to];
    return {a.rpm + (b.rpm - a.rpm) * share, a.pressure + (b.pressure - a.pressure) * share, false};
}

} // namespace tvxsim
