// A simple engine that wanders between idle, cruise and boosted pulls, for the live records.
#pragma once

#include "Random.h"

#include <cstdint>

namespace tvxsim {

struct Reading {
    double pressureAbsPsi = 0;
    double rpm = 0;
    double tempF = 0;
    double wb1 = 0;
    double airflow = 0; // Hz with intake type 3, volts otherwise
    double wb2 = 0;
};

// Every reading stays inside these, whatever the seed.
struct EngineLimits {
    static constexpr double kMinRpm = 800, kMaxRpm = 6500;
    static constexpr double kMinPsi = 5, kMaxPsi = 30;
    static constexpr double kMinTempF = 70, kMaxTempF = 210;
    static constexpr double kMinAfr = 10, kMaxAfr = 17;
    static constexpr double kMinVolts = 0.5, kMaxVolts = 4.8;
    static constexpr double kMinHz = 25, kMaxHz = 1500;
};

class EngineModel {
public:
    explicit EngineModel(std::uint64_t seed);

    // Advances the engine by dt seconds and reads its sensors.
    Reading step(double dt, int intakeType);

private:
    void chooseNextPhase();

    Random random_;
    double throttle_ = 0;
    double throttleTarget_ = 0;
    double phaseLeft_ = 0; // seconds until the driver changes their mind
    double rpm_ = 820;
    double pressure_ = 5.5;
    double temp_;
    double afr_ = 14.7;
    double bankOffset_ = 0; // wideband 2 reads a little off wideband 1
};

} // namespace tvxsim
