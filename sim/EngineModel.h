// The engine behind the live records: driven by a Drive, fuelled by the device's own VE table
// for its target, breathing by a true VE the tuner does not know, read by two widebands.
#pragma once

#include "Drive.h"
#include "Random.h"
#include "Wideband.h"
#include "model/Lattice.h"

#include <cstdint>
#include <memory>

namespace tvxsim {

struct Reading {
    double pressureAbsPsi = 0;
    double rpm = 0;
    double tempF = 0;
    double wb1 = 0;
    double airflow = 0; // Hz with intake type 3, volts otherwise
    double wb2 = 0;
};

struct DriveChoice {
    enum class Kind { Mixed, Sweep, Jumps, Hold } kind = Kind::Mixed;
    double holdRpm = 0;
    double holdPsi = 0; // absolute
};

struct EngineSetup {
    CellValues trueVe{}; // on the device's lattice
    CellValues target{}; // air/fuel the device fuels for
    WidebandLag widebandLag;
    bool warm = false; // starts at kWarmStartF instead of cold
    DriveChoice drive;
    SensorTraits sensors;
    bool accelFades = false; // the acceleration fuel fades away rather than stopping at once
};

class EngineModel {
public:
    static constexpr double kWarmStartF = 180;

    // The lattice is the device's breakpoints, which nothing on the wire changes.
    EngineModel(EngineSetup setup, const VeTable& device, std::uint64_t seed);
    // Driven by `drive` instead of the setup's choice.
    EngineModel(EngineSetup setup, const VeTable& device, std::unique_ptr<Drive> drive,
                std::uint64_t seed);

    // Advances the engine by dt seconds, fuelled by the device's table as it is now.
    Reading step(double dt, const VeTable& device, int intakeType);

private:
    EngineSetup setup_;
    Lattice lattice_;
    std::unique_ptr<Drive> drive_;
    Random random_;
    Wideband wideband_;
    double temp_;
    double now_ = 0;
    double lastPressure_ = -1; // none yet
    double accelFrom_ = -1e9;  // the last moment the pressure rose fast enough for it
};

} // namespace tvxsim
