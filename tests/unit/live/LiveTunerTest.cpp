// The live tuner: what it learns from records as they come and from the cells written meanwhile,
// what an apply may write, and when the hands-free apply may write at all.
#include "live/LiveTuner.h"
#include "datalog/LogFormat.h"
#include "tune/TuneLog.h"

#include <gtest/gtest.h>

namespace {

constexpr std::int64_t kEveryMs = 20;

// RPM breakpoints 400, 600 ... 4200; pressure 5, 7 ... 43 PSI absolute; every cell 100.
TableFile Table() {
    TableFile file;
    for (int k = 0; k < kLatticeSize; ++k) {
        file.table[kRpmBase + k] = static_cast<std::int16_t>(4 + 2 * k);
        file.table[kPressureBase + k] = static_cast<std::int16_t>(5 + 2 * k);
    }
    std::fill(file.table.begin(), file.table.begin() + kCellCount, 100);
    file.hasBreakpoints = true;
    return file;
}

// A warm record on the breakpoints of cell (p, r) reading `afr` on both widebands.
LoggedRecord At(int p, int r, double afr, double tempF = 180, std::int16_t ve = 100) {
    LoggedRecord entry;
    entry.record.rpm = static_cast<float>(400 + 200 * r);
    entry.record.pressure = 5.0 + 2 * p;
    entry.record.temperature = static_cast<float>(tempF);
    entry.record.wideband1 = entry.record.wideband2 = static_cast<float>(afr);
    entry.point = {static_cast<std::uint8_t>(p), static_cast<std::uint8_t>(r)};
    entry.ve = ve;
    return entry;
}

TuneOptions Fixed() {
    TuneOptions options;
    options.lagAuto = false;
    options.lag = {0, 0};
    options.minHits = 20;
    return options;
}

// Drives from cell to cell; the wideband reads each cell's exhaust the sensor's response later.
struct Driver {
    explicit Driver(LiveTuner& t) : tuner(t), held(t.table()) {}
    LiveTuner& tuner;
    VeTable held; // as the window holds it: each record carries its value at the point
    std::int64_t ms = 0;
    std::optional<double> lastAfr;
    // `n` records at cell (p, r).
    void hold(int n, int p, int r, double afr, double tempF = 180) {
        for (int k = 0; k < n; ++k, ms += kEveryMs) {
            const bool late = lastAfr && k * kEveryMs < kSensorResponseS * 1000;
            tuner.record(At(p, r, late ? *lastAfr : afr, tempF, held[CellIndex(p, r)]), ms);
        }
        lastAfr = afr;
    }
    void write(int cell, std::int16_t value) {
        held[cell] = value;
        tuner.cellWritten(cell, value, ms);
    }
};

} // namespace

TEST(LiveTuner, aRecordIsJudgedAsTheLogOfItReadsBack) {
    LoggedRecord entry = At(3, 4, 14.734567);
    entry.record.rpm = 1234.5678f;
    entry.record.pressure = 17.123456789;
    entry.record.temperature = 181.23456f;
    entry.record.wideband2 = 13.98765f;
    const std::int64_t ms = 98765;
    const std::string log = HeaderText(LogFormat::Msl, {"Torvex v1.7", "now", false}) +
                            RowText(LogFormat::Msl, ms, entry);
    TextLines lines = TextLines::Of(log);
    std::optional<TuneRow> read;
    ReadTuneRows(lines, LogFormat::Msl, [&](const TuneRow& row) {
        read = row;
        return std::nullopt;
    });
    ASSERT_TRUE(read);
    const TuneRow live = TuneRowOf(entry, ms);
    EXPECT_EQ(live.timeS, read->timeS);
    EXPECT_EQ(live.rpm, read->rpm);
    EXPECT_EQ(live.pressurePsi, read->pressurePsi);
    EXPECT_EQ(live.tempF, read->tempF);
    EXPECT_EQ(live.afr1, read->afr1);
    EXPECT_EQ(live.afr2, read->afr2);
    EXPECT_EQ(live.pressureIndex, read->pressureIndex);
    EXPECT_EQ(live.rpmIndex, read->rpmIndex);
    EXPECT_EQ(live.ve, read->ve);
}

TEST(LiveTuner, recordsAfterACellWriteAreJudgedUnderTheNewValue) {
    // The engine wants 110 at (5, 5): it reads 10% lean on 100, then on target once 110 is
    // written. Both halves agree on 110, and the suggestion, against 110, is no change.
    LiveTuner tuner(Fixed(), std::nullopt);
    tuner.reset(Table(), 0);
    Driver drive(tuner);
    drive.hold(100, 5, 5, 14.7 * 1.1);
    drive.write(CellIndex(5, 5), 110);
    drive.hold(100, 5, 5, 14.7);
    const Suggestion s = tuner.suggest();
    EXPECT_NEAR(s.solution[CellIndex(5, 5)].ve, 110, 0.5);
    EXPECT_EQ(s.table[CellIndex(5, 5)], 110);
    EXPECT_EQ(s.outcome[CellIndex(5, 5)], Outcome::Deadband);
}

TEST(LiveTuner, anApplyTakesReadyCellsOnceUntilTheyLearnAnew) {
    TuneOptions options = Fixed();
    options.locks.push_back({5, 9, 5, 9});
    LiveTuner tuner(options, std::nullopt);
    tuner.reset(Table(), 0);
    // One pressure throughout: no transient between the cells.
    Driver drive(tuner);
    drive.hold(40, 5, 3, 14.7 * 1.08);   // ready: +8%
    drive.hold(5, 5, 6, 14.7 * 1.08);    // too few hits
    drive.hold(40, 5, 9, 14.7 * 1.08);   // locked
    drive.hold(40, 5, 12, 14.7 * 1.004); // inside the deadband
    drive.hold(40, 5, 15, 14.7 * 1.3);   // beyond the step limit
    const auto plan = tuner.applyPlan(tuner.suggest(), {});
    ASSERT_EQ(plan.size(), 2u);
    EXPECT_EQ(plan[0], std::make_pair(CellIndex(5, 3), std::int16_t{108}));
    EXPECT_EQ(plan[1], std::make_pair(CellIndex(5, 15), std::int16_t{115})); // 15% at most
    EXPECT_TRUE(tuner.applyPlan(tuner.suggest(), {CellIndex(5, 6)}).empty());

    // Written, the cells are not applied again on what was gathered before...
    tuner.applied(plan);
    for (const auto& [cell, value] : plan) {
        drive.write(cell, value);
    }
    drive.hold(19, 5, 15, 14.7 * 1.13); // still lean on 115: 19 new hits of 20
    EXPECT_TRUE(tuner.applyPlan(tuner.suggest(), {}).empty());
    // ... only once the hit minimum has been gathered under the new value.
    drive.hold(1, 5, 15, 14.7 * 1.13);
    const auto again = tuner.applyPlan(tuner.suggest(), {});
    ASSERT_EQ(again.size(), 1u);
    EXPECT_EQ(again[0].first, CellIndex(5, 15));
    EXPECT_GT(again[0].second, 115);
    EXPECT_LE(again[0].second, 132); // 115 + 15%
}

TEST(LiveTuner, theHandsFreeApplyWaitsForAWarmSteadyEngine) {
    struct Case {
        const char* what;
        double tempF;
        double jumpAtS; // a transient: the pressure steps (0: none)
        double endS;
        bool steady;
    };
    const Case cases[] = {
        {"warm and still for 3 s", 180, 0, 3, true},    {"cold", 120, 0, 3, false},
        {"1 s after a transient", 180, 1.5, 3, false},  {"2.5 s after one", 180, 0.5, 4, true},
        {"not yet 2 s of records", 180, 0, 1.5, false},
    };
    for (const Case& c : cases) {
        LiveTuner tuner(Fixed(), std::nullopt);
        tuner.reset(Table(), 0);
        for (std::int64_t ms = 0; ms <= c.endS * 1000; ms += kEveryMs) {
            const bool after = c.jumpAtS > 0 && ms >= c.jumpAtS * 1000;
            tuner.record(At(after ? 9 : 5, 5, 14.7, c.tempF), ms);
        }
        EXPECT_EQ(tuner.warmAndSteady(), c.steady) << c.what;
    }
}

TEST(LiveTuner, countsTellReadyCellsFromLearningOnes) {
    LiveTuner tuner(Fixed(), std::nullopt);
    tuner.reset(Table(), 0);
    Driver drive(tuner);
    drive.hold(40, 5, 3, 14.7 * 1.08);
    drive.hold(5, 5, 6, 14.7 * 1.08);
    drive.hold(40, 5, 12, 14.7);
    const TuneCounts counts = CountsOf(tuner.suggest(), tuner.analysis());

    EXPECT_EQ(counts.ready, 1);
    // The few hits, and the one on target; not a neighbour grazed by a rounding's weight.
    EXPECT_EQ(counts.learning, 2);
}

TEST(LiveTuner, anApplySaysWhatItWroteOrHowFarItGot) {
    const struct {
        CellsWritten result;
        const char* said;
    } cases[] = {
        {{{{CellIndex(2, 3), 100, 108}, {CellIndex(4, 1), 100, 95}}, 2, false, "/t.json"},
         "Applied 2 cells, -5% to +8%; kept as /t.json"},
        {{{{CellIndex(0, 1), 100, 110}}, 3, true, ""},
         "The apply stopped, the line lost: 1 of 3 cells written (in index order, through the cell "
         "at pressure index 0, RPM index 1); the rest were not sent and will not be"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ApplyText(c.result), c.said);
    }
}
