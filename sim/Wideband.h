// The two wideband sensors: the exhaust reaches them late, the later the less of it flows (the
// core's delay model), they answer slowly (first order), they are a little noisy, and they read
// only within their range.
#pragma once

#include "Random.h"
#include "model/WidebandDelay.h"

#include <deque>

namespace tvxsim {

struct BankReadings {
    double wb1 = 0;
    double wb2 = 0;
};

// How the sensors differ from the model the analysis states, within reason.
struct SensorTraits {
    double responseS = kSensorResponseS; // the first-order response's time constant
    double noiseAfr = 0.05;              // at most, either way
    bool operator==(const SensorTraits&) const = default;
};

class Wideband {
public:
    static constexpr double kBankOffset = 0.3; // bank 2 wanders this far from bank 1, at most

    Wideband(WidebandLag lag, SensorTraits traits, std::uint64_t seed)
        : lag_(lag), traits_(traits), random_(seed) {}

    // The exhaust as it leaves the engine now, dt seconds after the last, made at (rpm, absolute
    // MAP); what the sensors read.
    BankReadings step(double dt, double exhaustAfr, double rpm, double mapPsi);

private:
    struct Puff {
        double arrives; // when it reaches the sensor
        double afr;
    };
    // The exhaust reaching the sensor now, on its way to the next puff.
    double arriving();

    WidebandLag lag_;
    SensorTraits traits_;
    Random random_;
    double now_ = 0;
    std::deque<Puff> exhaust_; // in the order made
    double sensed_ = 0;
    bool started_ = false;
    double bankOffset_ = 0;
};

} // namespace tvxsim
