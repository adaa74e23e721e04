// How the engine is driven: where it runs (speed, manifold pressure) and whether the throttle
// is shut, moment by moment. The fuelling knows nothing of the driver.
#pragma once

#include "Random.h"
#include "model/Lattice.h"

#include <memory>
#include <string>
#include <vector>

namespace tvxsim {

// What the engine can do, whatever the driver asks.
struct EngineLimits {
    static constexpr double kIdleRpm = 820;
    static constexpr double kMinRpm = 800, kMaxRpm = 6500;
    static constexpr double kClosedThrottlePsi = 5.2; // manifold vacuum with the throttle shut
    static constexpr double kLightThrottlePsi = 5.5;  // the least with the throttle open at all
    static constexpr double kOpenThrottlePsi = 14.7;  // wide open, before the turbo adds boost
    static constexpr double kMaxBoostPsi = 15;        // once the turbo has fully spooled
    static constexpr double kMinPsi = 5, kMaxPsi = 30;
};

// The turbo's share of its boost: none below 2500 RPM, all from 4500.
double Spool(double rpm);
// The most manifold pressure the engine reaches at this speed, absolute PSI.
double MaxPressureAt(double rpm);

struct EngineState {
    double rpm = EngineLimits::kIdleRpm;
    double pressure = EngineLimits::kClosedThrottlePsi; // absolute PSI
    bool throttleClosed = true;
};

class Drive {
public:
    virtual ~Drive() = default;
    // Advances the drive by dt seconds.
    virtual EngineState step(double dt) = 0;
};

// Random phases of idle, cruise and boosted pulls, with overrun between them.
class MixedDrive final : public Drive {
public:
    explicit MixedDrive(std::uint64_t seed) : random_(seed) {}
    EngineState step(double dt) override;

private:
    void chooseNextPhase();

    Random random_;
    double throttle_ = 0;
    double throttleTarget_ = 0;
    double phaseLeft_ = 0; // seconds until the driver changes their mind
    EngineState state_;
};

// Jumps from one operating point to another anywhere the engine can reach, as driving does: the
// throttle moves the pressure there at once, the revs follow as fast as an engine under load
// gains or sheds them, then a hold of a few seconds; now and then the throttle shuts for an
// overrun.
class JumpDrive final : public Drive {
public:
    static constexpr double kPressureMoveS = 0.3;
    static constexpr double kRpmPerS = 2500;
    static constexpr double kShortestHoldS = 2, kLongestHoldS = 6;
    static constexpr double kOverrunShare = 0.1;

    explicit JumpDrive(std::uint64_t seed) : random_(seed) {}
    EngineState step(double dt) override;

private:
    void chooseNext();

    Random random_;
    EngineState from_, to_, state_;
    double t_ = 0;     // since the move began
    double moveS_ = 0; // how long the move takes
    double holdS_ = 0; // how long to stay once there
};

// One operating point, held.
class HoldDrive final : public Drive {
public:
    HoldDrive(double rpm, double pressure) : state_{rpm, pressure, false} {}
    EngineState step(double) override { return state_; }

private:
    EngineState state_;
};

// Every reachable cell of the lattice in turn, held long enough to be tuned, then again. Rows of
// rising pressure, each swept across RPM; pressure never rises fast enough to call for
// acceleration fuel, and the throttle is never shut.
class SweepDrive final : public Drive {
public:
    static constexpr double kDwellS = 0.4;
    static constexpr double kRpmPerS = 3000;
    static constexpr double kPsiPerS = 4;

    struct Waypoint {
        double rpm = 0;
        double pressure = 0;
        double dwellS = 0; // held this long on arrival
    };

    explicit SweepDrive(const Lattice& lattice);
    EngineState step(double dt) override;

    const std::vector<Waypoint>& path() const { return path_; }
    double passSeconds() const { return passS_; }

private:
    static double travel(const Waypoint& from, const Waypoint& to);
    double leaving(std::size_t i) const { return arrivals_[i] + path_[i].dwellS; }

    std::vector<Waypoint> path_;
    std::vector<double> arrivals_; // when each waypoint is reached within a pass
    double passS_ = 0;
    double t_ = 0;
    std::size_t next_ = 0;
};

// Waypoints for every cell the engine can reach: one at each reachable breakpoint pair, held at
// the edge of what the engine can do where the breakpoint lies beyond it.
std::vector<SweepDrive::Waypoint> SweepPath(const Lattice& lattice);

} // namespace tvxsim
