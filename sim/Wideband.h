// The two wideband sensors: the exhaust reaches them late (transport delay), they answer
// slowly (first order), they are a little noisy, and they read only within their range.
#pragma once

#include "Random.h"

#include <deque>
#include <utility>

namespace tvxsim {

struct BankReadings {
    double wb1 = 0;
    double wb2 = 0;
};

class Wideband {
public:
    static constexpr double kResponseS = 0.06; // the sensor's time constant
    static constexpr double kNoise = 0.05;     // at most, either way
    static constexpr double kBankOffset = 0.3; // bank 2 wanders this far from bank 1, at most

    Wideband(double lagS, std::uint64_t seed) : lagS_(lagS), random_(seed) {}

    // The exhaust as it leaves the engine now, dt seconds after the last; what the sensors read.
    BankReadings step(double dt, double exhaustAfr);

private:
    // The exhaust as it was lagS_ ago, interpolated between the moments kept.
    double delayed() const;

    double lagS_;
    Random random_;
    double now_ = 0;
    std::deque<std::pair<double, double>> exhaust_; // (time, air/fuel), oldest first
    double sensed_ = 0;
    bool started_ = false;
    double bankOffset_ = 0;
};

} // namespace tvxsim
