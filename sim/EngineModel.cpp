#include "EngineModel.h"

#include "Fuelling.h"

#include <algorithm>
#include <cmath>

namespace tvxsim {
namespace {

constexpr double kMinTempF = 70, kMaxTempF = 210;
constexpr double kMinVolts = 0.5, kMaxVolts = 4.8;
constexpr double kMinHz = 25, kMaxHz = 1500;
constexpr double kFuelCutAboveRpm = 1500; // with the throttle shut: overrun, no fuel

std::unique_ptr<Drive> DriveOf(const DriveChoice& choice, const Lattice& lattice,
                               std::uint64_t seed) {
    switch (choice.kind) {
    case DriveChoice::Kind::Sweep:
        return std::make_unique<SweepDrive>(lattice);
    case DriveChoice::Kind::Hold:
        return std::make_unique<HoldDrive>(choice.holdRpm, choice.holdPsi);
    case DriveChoice::Kind::Jumps:
        return std::make_unique<JumpDrive>(seed);
    case DriveChoice::Kind::Mixed:
        break;
    }
    return std::make_unique<MixedDrive>(seed);
}

} // namespace

EngineModel::EngineModel(EngineSetup setup, const VeTable& device, std::uint64_t seed)
    : EngineModel(setup, device, DriveOf(setup.drive, LatticeOf(device), seed), seed) {}

EngineModel::EngineModel(EngineSetup setup, const VeTable& device, std::unique_ptr<Drive> drive,
                         std::uint64_t seed)
    : setup_(setup), lattice_(LatticeOf(device)), drive_(std::move(drive)),
      // Separate streams, so the driver's choices do not shift with the sensors' noise.
      random_(seed ^ 0x73656E73ULL),
      wideband_(setup.widebandLag, setup.sensors, seed ^ 0x77626E64ULL),
      temp_(setup.warm ? kWarmStartF : 70.0 + random_.unit() * 10.0) {}

Reading EngineModel::step(double dt, const VeTable& device, int intakeType) {
    using L = EngineLimits;
    const EngineState state = drive_->step(dt);
    now_ += dt;
    // The device's own rate of its (filtered) manifold pressure, not of the noisy readings.
    if (lastPressure_ >= 0 && dt > 0 && (state.pressure - lastPressure_) / dt > kAccelPsiPerS) {
        accelFrom_ = now_;
    }
    lastPressure_ = state.pressure;
    const double load =
        std::clamp((state.pressure - L::kMinPsi) / (L::kMaxPsi - L::kMinPsi), 0.0, 1.0);
    temp_ += (185.0 + 20.0 * load - temp_) * std::min(1.0, dt / 40.0);

    auto noise = [this](double size) { return (random_.unit() - 0.5) * 2.0 * size; };
    Reading reading;
    reading.pressureAbsPsi = std::clamp(state.pressure + noise(0.05), L::kMinPsi, L::kMaxPsi);
    reading.rpm = std::clamp(state.rpm + noise(20.0), L::kMinRpm, L::kMaxRpm);
    reading.tempF = std::clamp(temp_ + noise(0.3), kMinTempF, kMaxTempF);

    // The device fuels by what its sensors read; the engine breathes where it really is.
    const LatticeWeights sensed = WeightsAt(lattice_, reading.rpm, reading.pressureAbsPsi);
    const double enrichment =
        WarmUpEnrichment(reading.tempF) / AccelerationFuel(now_ - accelFrom_, setup_.accelFades);
    const bool fuelCut = state.throttleClosed && state.rpm > kFuelCutAboveRpm;
    const double exhaust =
        fuelCut
            ? kFreeAirAfr
            : ExhaustAfr(Interpolate(setup_.target, sensed),
                         Interpolate(setup_.trueVe, WeightsAt(lattice_, state.rpm, state.pressure)),
                         CommandedVe(device, sensed), enrichment);
    const BankReadings banks = wideband_.step(dt, exhaust, state.rpm, state.pressure);
    reading.wb1 = banks.wb1;
    reading.wb2 = banks.wb2;

    const double flow = (state.rpm / L::kMaxRpm) * (state.pressure / L::kMaxPsi);
    reading.airflow = intakeType == 3
                          ? std::clamp(kMinHz + (kMaxHz - kMinHz) * flow, kMinHz, kMaxHz)
                          : std::clamp(kMinVolts + 4.3 * std::sqrt(flow), kMinVolts, kMaxVolts);
    return reading;
}

} // namespace tvxsim
