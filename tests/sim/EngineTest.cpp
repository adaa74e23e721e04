// The engine on a clock the test moves: the wideband answers the VE table as the model says.
#include "DeviceTable.h"
#include "EngineModel.h"
#include "Fuelling.h"
#include "model/AfrTarget.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>

using namespace tvxsim;

namespace {

constexpr double kDt = 0.02; // one record at tvxsim's default rate
constexpr double kTarget = 14.7;
constexpr double kHoldRpm = 3400, kHoldPsi = 24; // between four cells, clear of their edges

// A drive the test writes: the state as a function of time.
class ScriptedDrive final : public Drive {
public:
    explicit ScriptedDrive(std::function<EngineState(double)> at) : at_(std::move(at)) {}
    EngineState step(double dt) override { return at_(t_ += dt); }

private:
    std::function<EngineState(double)> at_;
    double t_ = 0;
};

struct Bench {
    VeTable device = DeviceTable().values();
    double trueScale = 1; // the true VE is the device's times this
    WidebandLag lag{150, 0};
    bool warm = true;
    SensorTraits sensors;
    bool accelFades = false;

    EngineModel engine(std::function<EngineState(double)> at) const {
        EngineSetup setup;
        setup.trueVe = CellsOf(device);
        for (double& ve : setup.trueVe) {
            ve *= trueScale;
        }
        setup.target.fill(kTarget);
        setup.widebandLag = lag;
        setup.warm = warm;
        setup.sensors = sensors;
        setup.accelFades = accelFades;
        return EngineModel(setup, device, std::make_unique<ScriptedDrive>(std::move(at)), 7);
    }
};

EngineState Held(double) {
    return {kHoldRpm, kHoldPsi, false};
}

// Bank 1's mean over `seconds` of records.
double MeanWb1(EngineModel& engine, const VeTable& device, double seconds) {
    double sum = 0;
    const int records = static_cast<int>(std::lround(seconds / kDt));
    for (int k = 0; k < records; ++k) {
        sum += engine.step(kDt, device, 0).wb1;
    }
    return sum / records;
}

} // namespace

TEST(Engine, readsTheTargetTimesTrueOverCommandedVeWithinTheWidebandsRange) {
    const struct {
        double trueScale;
        double afr;
    } cases[] = {
        {1, kTarget},              // the tables agree
        {1 / 1.1, kTarget / 1.1},  // the device has 10% too much: rich by the ratio
        {1.2, kTarget * 1.2},      // 20% too little: lean
        {0.5, kWidebandRichLimit}, // beyond the sensor's range, held at its limits
        {2, kWidebandLeanLimit},
    };
    for (const auto& c : cases) {
        Bench bench;
        bench.trueScale = c.trueScale;
        EngineModel engine = bench.engine(Held);
        MeanWb1(engine, bench.device, 1); // past the lag and the sensor's response
        EXPECT_NEAR(MeanWb1(engine, bench.device, 2), c.afr, 0.02) << c.trueScale;
    }
}

TEST(Engine, aCellWriteReachesTheReadingOneRecordAfterTheLag) {
    for (const double lagS : {0.0, 0.15, 0.5}) {
        SCOPED_TRACE(lagS);
        Bench bench;
        bench.lag = {lagS * 1000, 0};
        EngineModel engine = bench.engine(Held);
        MeanWb1(engine, bench.device, 1);
        // A third more VE in the cells around the point: 25% richer once it arrives.
        VeTable written = bench.device;
        for (int p = 8; p <= 11; ++p) {
            for (int r = 11; r <= 14; ++r) {
                written[CellIndex(p, r)] =
                    static_cast<std::int16_t>(written[CellIndex(p, r)] * 4 / 3);
            }
        }
        const int before = static_cast<int>(std::floor(lagS / kDt + 1e-9));
        for (int k = 1; k <= before; ++k) {
            EXPECT_NEAR(engine.step(kDt, written, 0).wb1, kTarget, 0.06) << k;
        }
        EXPECT_LT(engine.step(kDt, written, 0).wb1, kTarget - 0.3);
        MeanWb1(engine, written, 0.5);
        EXPECT_NEAR(MeanWb1(engine, written, 1), kTarget * 0.75, 0.1);
    }
}

TEST(Engine, warmUpAccelerationAndFuelCutAreWhatTheDeviceAdds) {
    // Manifold pressure from 10 to 20 PSI between 2 and 2.5 s (20 PSI/s), or over 2 s (5 PSI/s).
    const auto ramp = [](double seconds) {
        return [seconds](double t) {
            const double share = std::clamp((t - 2) / seconds, 0.0, 1.0);
            return EngineState{kHoldRpm, 10 + 10 * share, false};
        };
    };
    const auto shut = [](double rpm) {
        return [rpm](double) { return EngineState{rpm, 5.2, true}; };
    };
    const struct {
        const char* what;
        std::function<EngineState(double)> drive;
        double from, to; // seconds
        double afr;
        bool fades = false;
    } cases[] = {
        // Acceleration fuel from 2 s (the first rise) to 3 s; seen 0.15 s later.
        {"accelerating", ramp(0.5), 2.4, 3.05, kTarget / kAccelFuel},
        {"after accelerating", ramp(0.5), 3.6, 4.5, kTarget},
        // Fading, its extra is 15% / e at 0.5 s after the last rise (2.5 s), and still there a
        // second on; each seen 0.15 s and the sensor's 60 ms later.
        {"after accelerating, fading", ramp(0.5), 3.2, 3.22, kTarget / (1 + 0.15 / std::exp(1)),
         true},
        {"long after accelerating, fading", ramp(0.5), 4.2, 4.22,
         kTarget / (1 + 0.15 / std::exp(3)), true},
        {"rising slowly", ramp(2), 2.4, 4.0, kTarget},
        {"overrun", shut(3000), 1, 2, kWidebandLeanLimit},
        {"idle, throttle shut", shut(820), 1, 2, kTarget},
    };
    for (const auto& c : cases) {
        Bench bench;
        bench.accelFades = c.fades;
        bench.sensors.noiseAfr = 0; // one reading tells
        EngineModel engine = bench.engine(c.drive);
        MeanWb1(engine, bench.device, c.from);
        EXPECT_NEAR(MeanWb1(engine, bench.device, c.to - c.from), c.afr, 0.03) << c.what;
    }

    Bench cold;
    cold.warm = false;
    EngineModel engine = cold.engine(Held);
    double measured = 0, expected = 0;
    MeanWb1(engine, cold.device, 1);
    for (int k = 0; k < 100; ++k) {
        const Reading reading = engine.step(kDt, cold.device, 0);
        measured += reading.wb1 / 100;
        expected += kTarget * WarmUpEnrichment(reading.tempF) / 100;
    }
    EXPECT_NEAR(measured, expected, 0.05);
    EXPECT_LT(measured, kTarget * 0.75); // 70 to 80 F: about 40% more fuel
}

TEST(Engine, warmUpFuelFallsInAStraightLineToNothingAt160F) {
    const struct {
        double tempF, enrichment;
    } cases[] = {{180, 1}, {160, 1}, {120, 1 / 1.2}, {80, 1 / 1.4}, {20, 1 / 1.4}};
    for (const auto& c : cases) {
        EXPECT_NEAR(WarmUpEnrichment(c.tempF), c.enrichment, 1e-12) << c.tempF;
    }
}

TEST(Engine, aCellOfZeroOrBelowFuelsAsVeOne) {
    VeTable device{};
    device[0] = 0;
    device[1] = -5;
    device[2] = 40;
    const struct {
        LatticeWeights weights;
        double ve;
    } cases[] = {
        {{{{0, 1}, {0, 0}, {0, 0}, {0, 0}}}, 1},
        {{{{1, 1}, {0, 0}, {0, 0}, {0, 0}}}, 1},
        {{{{0, 0.5}, {2, 0.5}, {0, 0}, {0, 0}}}, 20.5},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CommandedVe(device, c.weights), c.ve);
    }
}

TEST(Engine, aSweepHoldsEveryCellTheEngineCanReachWithoutCallingForAccelerationFuel) {
    using L = EngineLimits;
    const VeTable device = DeviceTable().values();
    const Lattice lattice = LatticeOf(device);
    SweepDrive sweep(lattice);
    ASSERT_LT(sweep.passSeconds(), 180);

    std::array<double, kCellCount> heldS{};
    EngineState last = sweep.step(kDt);
    for (double t = kDt; t < sweep.passSeconds(); t += kDt) {
        const EngineState state = sweep.step(kDt);
        ASSERT_FALSE(state.throttleClosed);
        ASSERT_LE(state.pressure, MaxPressureAt(state.rpm) + 1e-9) << t;
        ASSERT_GE(state.rpm, L::kMinRpm);
        ASSERT_LE(state.rpm, L::kMaxRpm);
        ASSERT_LT((state.pressure - last.pressure) / kDt, kAccelPsiPerS) << t;
        for (const CellWeight& w : WeightsAt(lattice, state.rpm, state.pressure)) {
            heldS[w.cell] += w.weight >= 0.9 ? kDt : 0;
        }
        last = state;
    }
    int reachable = 0;
    for (int cell = 0; cell < kCellCount; ++cell) {
        const double rpm = RpmBreakpoint(device, RpmIndexOf(cell)) * 100.0;
        const double psi = PressureBreakpoint(device, PressureIndexOf(cell));
        if (rpm >= L::kIdleRpm && rpm <= L::kMaxRpm && psi >= L::kLightThrottlePsi &&
            psi <= MaxPressureAt(rpm)) {
            ++reachable;
            EXPECT_GE(heldS[cell], 0.3) << "cell " << cell;
        }
    }
    EXPECT_GT(reachable, 100);
}

TEST(Engine, theExhaustReachesTheWidebandAsLateAsItsFlowWasSlowWhenItWasMadeAndInOrder) {
    // A step from 14 to 16 AFR made at 1 s at atmosphere, 60 ms + 250 ms at 1000 RPM later; the
    // engine changes speed at 1.05 s. Made at 1000 RPM the step arrives at 1.31 s, and exhaust
    // made faster after it waits behind it; made at 3000 RPM it arrives at 1.143 s, however
    // slowly what follows flows.
    const struct {
        double rpmBefore;
        double rpmAfter;
        double seesItFromS;
    } cases[] = {{1000, 1000, 1.31}, {1000, 3000, 1.31}, {3000, 1000, 1.0 + 0.06 + 0.25 / 3}};
    for (const auto& c : cases) {
        Wideband wideband({60, 250}, {}, 7);
        double reading = 0, risenAt = 0;
        for (int k = 1; k <= 400; ++k) {
            const double t = k * 0.005;
            reading =
                wideband.step(0.005, t < 1.0 ? 14 : 16, t < 1.05 ? c.rpmBefore : c.rpmAfter, 14.7)
                    .wb1;
            if (risenAt == 0 && reading > 14.3) {
                risenAt = t;
            }
        }
        // The sensor's 60 ms response takes a little longer to move the reading 0.3 of the 2.
        EXPECT_NEAR(risenAt, c.seesItFromS + 0.06 * std::log(2 / 1.7), 0.012)
            << c.rpmBefore << " to " << c.rpmAfter;
        EXPECT_NEAR(reading, 16, 0.1);
    }
}

TEST(Engine, aJumpDriveMovesAsAnEngineCanAndStaysWhereItCanRun) {
    using L = EngineLimits;
    JumpDrive drive(11);
    EngineState before = drive.step(kDt);
    int holds = 0, overruns = 0;
    double heldS = 0;
    for (int k = 0; k < 180 * 50; ++k) {
        const EngineState now = drive.step(kDt);
        EXPECT_LE(std::abs(now.rpm - before.rpm), JumpDrive::kRpmPerS * kDt + 1e-9);
        EXPECT_GE(now.rpm, L::kIdleRpm - 1e-9);
        EXPECT_LE(now.rpm, L::kMaxRpm + 1e-9);
        EXPECT_LE(now.pressure, MaxPressureAt(now.rpm) + 1e-9);
        const bool held = now.rpm == before.rpm && now.pressure == before.pressure;
        heldS += held ? kDt : 0;
        holds += !held && heldS > 0 ? 1 : 0;
        overruns += now.throttleClosed && !before.throttleClosed;
        heldS = held ? heldS : 0;
        before = now;
    }
    EXPECT_GE(holds, 25);   // three minutes of a few seconds each, and the moves between
    EXPECT_GE(overruns, 1); // and now and then the throttle shuts
}

TEST(SimProgram, aDriveWrittenAsFastAsItRunsIsTheLogTheWindowWouldHaveRecorded) {
    const std::string dir = testing::TempDir(), log = dir + "written.msl";
    std::filesystem::remove(log);
    std::filesystem::remove(dir + "written.table.json");
    const std::string command = std::string(TVXSIM_PATH) + " --write-log " + log +
                                " --seconds 30 --seed 4 --drive jumps --noise 0.1 2>/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::ifstream in(log);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    ASSERT_EQ(lines.size(), 4u + 30 * 50); // the header's four lines, then 50 records a second
    EXPECT_EQ(lines[0], "\"tvxsim " TVX_VERSION "\"");
    EXPECT_TRUE(lines.back().starts_with("29.980\t"));
    EXPECT_TRUE(std::filesystem::exists(dir + "written.table.json"));
    // A drive there already is kept, as a recording keeps it.
    EXPECT_NE(std::system(command.c_str()), 0);
}
