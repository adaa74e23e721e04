// The wideband's delay found from drives tvxsim's engine makes, a few seconds each: each branch
// of the estimate (found, too little movement, no delay telling from another, beyond the range,
// and what serves instead, said).
#include "DeviceTable.h"
#include "EngineModel.h"
#include "model/AfrTarget.h"
#include "session/TuningSession.h"
#include "table/OperatingPoint.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace tvxsim;

namespace {

struct TestDrive {
    WidebandLag truth;
    DriveChoice choice;
    double seconds = 300;
    double veOff = 0.1; // the true VE this far off the device's, in a band across the lattice
    double sensorS = kSensorResponseS;
};

DriveChoice Kind(DriveChoice::Kind kind) {
    DriveChoice choice;
    choice.kind = kind;
    return choice;
}

// The estimate from a drive's records at 100 a second, `fallback` serving when it cannot tell.
LagEstimate Estimate(const TestDrive& drive,
                     const LagEstimate& fallback = {{150, 0}, false, "", "150 ms", 0, {}}) {
    const VeTable device = DeviceTable().values();
    EngineSetup setup;
    setup.trueVe = CellsOf(device);
    for (int cell = 0; cell < kCellCount; ++cell) {
        setup.trueVe[cell] *=
            1 + drive.veOff * std::sin(RpmIndexOf(cell) / 2.0 + PressureIndexOf(cell));
    }
    setup.target = DefaultTarget(device);
    setup.widebandLag = drive.truth;
    setup.warm = true;
    setup.drive = drive.choice;
    setup.sensors.responseS = drive.sensorS;
    EngineModel engine(setup, device, 11);
    TuningSession session(device, setup.target, TuneOptions{}, fallback);
    session.beginLog("drive", TableInForce(device, {}));
    OperatingPoint point;
    for (int k = 0; k < drive.seconds * 100; ++k) {
        const Reading r = engine.step(0.01, device, 1);
        point = FindOperatingPoint(device, static_cast<float>(r.rpm),
                                   static_cast<float>(r.pressureAbsPsi), point);
        const int cell = CellIndex(point.pressureIndex, point.rpmIndex);
        EXPECT_EQ(
            session.add({std::size_t(k), k * 0.01, r.rpm, r.pressureAbsPsi, r.tempF, r.wb1, r.wb2,
                         point.pressureIndex, point.rpmIndex, static_cast<double>(device[cell])}),
            std::nullopt);
    }
    return session.estimateLag();
}

bool Says(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

} // namespace

TEST(LagEstimate, theDelayOfADriveTheModelMadeIsFoundAtIdleCruiseAndBoost) {
    using K = DriveChoice::Kind;
    const TestDrive drives[] = {{{60, 250}, Kind(K::Sweep)},
                                {{60, 250}, Kind(K::Mixed)},
                                {{150, 0}, Kind(K::Mixed)},
                                {{400, 0}, Kind(K::Mixed)},
                                {{1300, 0}, Kind(K::Mixed)}};
    for (const TestDrive& drive : drives) {
        const WidebandLag& truth = drive.truth;
        const LagEstimate found = Estimate(drive);
        ASSERT_TRUE(found.found) << truth.ms << "," << truth.flowMs << ": " << found.why;
        for (const auto& [rpm, psi] : {std::pair{800.0, 5.0}, {3000.0, 14.7}, {6000.0, 35.0}}) {
            const double real = TransportDelayS(truth, rpm, psi);
            EXPECT_NEAR(TransportDelayS(found.lag, rpm, psi), real, 0.15 * real)
                << truth.ms << "," << truth.flowMs << " at " << rpm << " RPM, " << psi
                << " PSI: found " << found.lag.ms << "," << found.lag.flowMs;
        }
        EXPECT_GE(found.movements, kMinMovements);
        EXPECT_EQ(found.grid.size(), std::size_t(kLagGridSteps * kLagGridSteps));
        EXPECT_TRUE(Says(LagText(found), "estimated from")) << LagText(found);
    }
}

TEST(LagEstimate, whenTheDriveCannotTellTheFallbackServesAndTheSummarySaysWhy) {
    DriveChoice hold = Kind(DriveChoice::Kind::Hold);
    hold.holdRpm = 3000;
    hold.holdPsi = 20;
    const LagEstimate kept{{90, 120}, false, "", "as kept with drive.msl.table", 0, {}};
    const struct {
        TestDrive drive;
        const char* why;
    } cases[] = {
        {{{60, 250}, hold, 60}, "too little movement"},
        // On target everywhere, every delay pairs the records as well as any other.
        {{{60, 250}, Kind(DriveChoice::Kind::Mixed), 300, 0}, "cannot tell one lag from another"},
        // The model's longest delay, read by a sensor far slower than its own: longer still.
        {{{2000, 0}, Kind(DriveChoice::Kind::Mixed), 300, 0.1, 0.5},
         "longer than the range searched"},
    };
    for (const auto& c : cases) {
        const LagEstimate estimate = Estimate(c.drive, kept);
        EXPECT_FALSE(estimate.found) << c.why;
        EXPECT_TRUE(Says(estimate.why, c.why)) << estimate.why;
        EXPECT_EQ(estimate.lag, kept.lag) << c.why;
        EXPECT_TRUE(Says(LagText(estimate), "90 ms + 120 ms")) << LagText(estimate);
        EXPECT_TRUE(Says(LagText(estimate), "as kept with drive.msl.table")) << LagText(estimate);
    }
}
