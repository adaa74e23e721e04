// The wideband's delay found from drives tvxsim's engine makes: each known delay, fixed or
// following the flow, recovered from the records; a drive without movement left to the fallback.
#include "DeviceTable.h"
#include "EngineModel.h"
#include "model/AfrTarget.h"
#include "session/TuningSession.h"
#include "table/OperatingPoint.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace tvxsim;

namespace {

// The estimate from `seconds` of the engine's records at 100 a second, its true VE 10% off the
// device's in a band across the lattice, so the air/fuel moves as the engine does.
LagEstimate Estimate(const WidebandLag& truth, DriveChoice drive, double seconds) {
    const VeTable device = DeviceTable().values();
    EngineSetup setup;
    setup.trueVe = CellsOf(device);
    for (int cell = 0; cell < kCellCount; ++cell) {
        setup.trueVe[cell] *= 1 + 0.1 * std::sin(RpmIndexOf(cell) / 2.0 + PressureIndexOf(cell));
    }
    setup.target = DefaultTarget(device);
    setup.widebandLag = truth;
    setup.warm = true;
    setup.drive = drive;
    EngineModel engine(setup, device, 11);
    TuningSession session(device, setup.target, TuneOptions{},
                          {{150, 0}, false, "", "150 ms", 0, {}});
    session.beginLog("drive", TableInForce(device, {}));
    OperatingPoint point;
    for (int k = 0; k < seconds * 100; ++k) {
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

} // namespace

TEST(LagEstimate, theDelayOfADriveTheModelMadeIsFoundAtIdleCruiseAndBoost) {
    DriveChoice sweep, mixed;
    sweep.kind = DriveChoice::Kind::Sweep;
    const struct {
        WidebandLag truth;
        DriveChoice drive;
    } cases[] = {{{60, 250}, sweep}, {{60, 250}, mixed}, {{150, 0}, mixed}, {{400, 0}, mixed}};
    for (const auto& [truth, drive] : cases) {
        const LagEstimate found = Estimate(truth, drive, 300);
        ASSERT_TRUE(found.found) << truth.ms << "," << truth.flowMs << ": " << found.why;
        for (const auto& [rpm, psi] : {std::pair{800.0, 5.0}, {3000.0, 14.7}, {6000.0, 35.0}}) {
            const double real = TransportDelayS(truth, rpm, psi);
            EXPECT_NEAR(TransportDelayS(found.lag, rpm, psi), real, 0.15 * real)
                << truth.ms << "," << truth.flowMs << " at " << rpm << " RPM, " << psi
                << " PSI: found " << found.lag.ms << "," << found.lag.flowMs;
        }
        EXPECT_GE(found.movements, kMinMovements);
        EXPECT_EQ(found.grid.size(), std::size_t(kLagGridSteps * kLagGridSteps));
    }
}

TEST(LagEstimate, aDriveWithoutMovementKeepsTheFallbackAndSaysWhy) {
    DriveChoice hold;
    hold.kind = DriveChoice::Kind::Hold;
    hold.holdRpm = 3000;
    hold.holdPsi = 20;
    const LagEstimate held = Estimate({60, 250}, hold, 60);
    EXPECT_FALSE(held.found);
    EXPECT_EQ(held.lag, (WidebandLag{150, 0}));
    EXPECT_NE(held.why.find("too little movement"), std::string::npos) << held.why;
    EXPECT_NE(LagText(held).find("150 ms"), std::string::npos) << LagText(held);
}
