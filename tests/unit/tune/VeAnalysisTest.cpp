// VE Analyze on drives made up row by row: the lag pairing, each filter at its threshold, the
// table in force at each record, and the refusals of a log that saw another table.
#include "tune/VeAnalysis.h"
#include "WindowPoint.h"
#include "datalog/LogFormat.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

constexpr double kDt = 0.02;
constexpr double kTarget = 14.7;

// RPM breakpoints 400, 600 ... 4200; pressure 5, 7 ... 43 PSI absolute; every cell 100.
VeTable Table() {
    VeTable table{};
    for (int k = 0; k < kLatticeSize; ++k) {
        table[kRpmBase + k] = static_cast<std::int16_t>(4 + 2 * k);
        table[kPressureBase + k] = static_cast<std::int16_t>(5 + 2 * k);
    }
    std::fill(table.begin(), table.begin() + kCellCount, 100);
    return table;
}

// A warm steady row on the breakpoints of cell (p, r), with the window's point and value.
TuneRow Row(int k, int p, int r, double afr) {
    return {static_cast<std::size_t>(k + 2),
            k * kDt,
            400.0 + 200 * r,
            5.0 + 2 * p,
            180,
            afr,
            afr,
            p,
            r,
            100};
}

// Rows 0 .. n-1, each made by `row`, at the point the window's breakpoint search gives it.
std::vector<TuneRow> Drive(int n, const std::function<TuneRow(int)>& row) {
    std::vector<TuneRow> rows;
    for (int k = 0; k < n; ++k) {
        rows.push_back(row(k));
        PlaceAsTheWindowDoes(rows.back(), Table());
    }
    return rows;
}

Analysis Analyze(const std::vector<TuneRow>& rows, const TuneOptions& options = {},
                 const VeTable& table = Table()) {
    CellValues target{};
    target.fill(kTarget);
    VeAnalyzer analyzer(table, target, options);
    analyzer.beginLog("drive.msl", TableInForce(table, {}));
    for (const TuneRow& row : rows) {
        EXPECT_EQ(analyzer.add(row), std::nullopt);
    }
    return analyzer.analysis();
}

} // namespace

TEST(VeAnalysis, aReadingCountsForThePointTheLagBeforeIt) {
    // The point moves from cell (8, 8) to (8, 18) at row 100; the exhaust of the new point
    // reaches the wideband, 10% lean, eight rows (0.16 s) later.
    const auto drive = Drive(200, [](int k) {
        TuneRow row = Row(k, 8, k < 100 ? 8 : 18, k < 108 ? kTarget : kTarget * 1.1);
        return row;
    });
    TuneOptions options;
    options.lag = {100, 0}; // and the sensor's 60 ms
    const Analysis paired = Analyze(drive, options);
    EXPECT_NEAR(paired.cells[CellIndex(8, 8)].meanRatio(), 1, 1e-9);
    EXPECT_NEAR(paired.cells[CellIndex(8, 18)].meanRatio(), 1.1, 1e-9);
    EXPECT_NEAR(paired.cells[CellIndex(8, 8)].hits + paired.cells[CellIndex(8, 18)].hits, 192,
                1e-9);
    EXPECT_EQ(paired.leftOut[int(LeftOut::NoPoint)], 8);

    options.lag = {0, 0}; // without it the new point gets five readings of the old
    EXPECT_LT(Analyze(drive, options).cells[CellIndex(8, 18)].meanRatio(), 1.1 - 0.005);
}

TEST(VeAnalysis, nothingIsPairedAcrossAGapOrWithTheMomentBeforeTheLogBegan) {
    auto drive = Drive(100, [](int k) { return Row(k, 8, 8, kTarget); });
    for (int k = 50; k < 100; ++k) {
        drive[k].timeS += 1.5; // a second and a half with no rows
    }
    // The 0.21 s of each start: 150 ms and the sensor's 60 ms.
    EXPECT_EQ(Analyze(drive).leftOut[int(LeftOut::NoPoint)], 2 * 11);
}

TEST(VeAnalysis, eachFilterTakesWhatLiesBeyondItsThresholdAndCountsIt) {
    const struct {
        const char* what;
        std::function<void(TuneRow&)> change;
        std::optional<LeftOut> leftOut;
    } cases[] = {
        {"warm", [](TuneRow& row) { row.tempF = 160; }, std::nullopt},
        {"cold", [](TuneRow& row) { row.tempF = 159.9; }, LeftOut::WarmUp},
        {"lean", [](TuneRow& row) { row.afr1 = row.afr2 = 19.45; }, std::nullopt},
        {"fuel cut", [](TuneRow& row) { row.afr1 = row.afr2 = 19.5; }, LeftOut::FuelCut},
        {"one bank at the limit", [](TuneRow& row) { row.afr2 = 20; }, std::nullopt}, // mean 17.35
        {"rich", [](TuneRow& row) { row.afr1 = row.afr2 = 9.55; }, std::nullopt},
        {"rich limit", [](TuneRow& row) { row.afr1 = row.afr2 = 9.5; }, LeftOut::RichLimit},
        {"slow", [](TuneRow& row) { row.rpm = 300; }, std::nullopt},
        {"stalling", [](TuneRow& row) { row.rpm = 299; }, LeftOut::LowRpm},
        {"pressure rising", [](TuneRow& row) { row.pressurePsi = 5 + 10.5 * row.timeS; },
         LeftOut::Transient},
        {"pressure rising slowly", [](TuneRow& row) { row.pressurePsi = 5 + 9.5 * row.timeS; },
         std::nullopt},
    };
    for (const auto& c : cases) {
        const auto drive = Drive(100, [&c](int k) {
            TuneRow row = Row(k, 8, 8, kTarget);
            c.change(row);
            return row;
        });
        const Analysis analysis = Analyze(drive);
        const std::int64_t judged = 100 - 11; // the first 0.21 s have no point before them
        if (c.leftOut) {
            EXPECT_EQ(analysis.leftOut[int(*c.leftOut)], judged) << c.what;
        } else {
            EXPECT_EQ(analysis.accepted, judged) << c.what;
        }
        // Turned off, nothing is left out but the start.
        TuneOptions off;
        off.minTempF = off.transientPsiPerS = off.maxAfr = off.minAfr = off.minRpm = std::nullopt;
        EXPECT_EQ(Analyze(drive, off).accepted, judged) << c.what;
    }
}

TEST(VeAnalysis, aTransientBeginsAMomentBeforeItShowsAndLastsASecondAfterThePressureSettles) {
    // Steady until row 50 (1 s), then 12 PSI/s for 0.5 s, then steady again.
    const auto drive = Drive(250, [](int k) {
        TuneRow row = Row(k, 8, 8, kTarget);
        row.pressurePsi = 15 + 12 * std::clamp(k * kDt - 1, 0.0, 0.5);
        return row;
    });
    TuneOptions options;
    options.lag = {300, 0}; // each reading paired with the moment 0.36 s (18 rows) before it
    const Analysis analysis = Analyze(drive, options);
    // The rate over its 100 ms window passes 10 PSI/s at 1.1 s and falls back at 1.52 s: moments
    // from 0.85 s (0.25 s before it showed) to 2.52 s (a second after), the readings from 1.21 s
    // to 2.88 s.
    EXPECT_NEAR(double(analysis.leftOut[int(LeftOut::Transient)]), 84, 1);
    EXPECT_NEAR(double(analysis.accepted), 250 - 18 - 84, 1);
}

TEST(VeAnalysis, afterEitherLimitTheSensorsRecoveryIsLeftOutForItsTime) {
    for (const double limit : {20.0, 9.0}) {
        // Row 50 at the limit, then 0.8 s of readings on their way back, the lean or rich side.
        const auto drive = Drive(120, [limit](int k) {
            return Row(k, 8, 8, k == 50 ? limit : k > 50 ? (limit + kTarget) / 2 : kTarget);
        });
        TuneOptions options;
        options.lag = {0, 0};
        VeAnalyzer analyzer(
            Table(),
            [] {
                CellValues target{};
                target.fill(kTarget);
                return target;
            }(),
            options);
        analyzer.beginLog("drive.msl", TableInForce(Table(), {}));
        const LeftOut kind = limit > kTarget ? LeftOut::FuelCut : LeftOut::RichLimit;
        std::vector<std::int64_t> leftOutBy;
        for (const TuneRow& row : drive) {
            analyzer.add(row);
            leftOutBy.push_back(analyzer.analysis().leftOut[int(kind)]);
        }
        EXPECT_EQ(leftOutBy[49], 0) << limit;
        EXPECT_EQ(leftOutBy[79], 30) << limit;  // rows 50 to 79: within 0.6 s
        EXPECT_EQ(leftOutBy[119], 30) << limit; // from row 80, 0.6 s on, it has recovered
    }
}

TEST(VeAnalysis, eachRecordIsJudgedUnderTheTableInForceWhenItsFuelWentIn) {
    // The engine's true VE is 105 at cell (8, 8). The device held 100 there until 1.01 s into
    // the drive, then 110: the readings, the sensor's 60 ms later, go from 5% lean to 4.5% rich,
    // and both say 105.
    CellValues target{};
    target.fill(kTarget);
    const std::vector<CellWrite> writes = {{1.01, CellIndex(8, 8), 110}};
    const auto drive = Drive(100, [](int k) {
        TuneRow row = Row(k, 8, 8, kTarget * 105 / ((k - 3) * kDt < 1.01 ? 100.0 : 110.0));
        row.ve = k * kDt < 1.01 ? 100 : 110;
        return row;
    });
    TuneOptions options;
    options.lag = {0, 0};
    VeAnalyzer analyzer(Table(), target, options);
    analyzer.beginLog("drive.msl", TableInForce(Table(), writes));
    for (const TuneRow& row : drive) {
        ASSERT_EQ(analyzer.add(row), std::nullopt);
    }
    // A second log, recorded against the table as the first one ended, says the same.
    VeTable later = Table();
    later[CellIndex(8, 8)] = 110;
    analyzer.beginLog("later.msl", TableInForce(later, {}));
    for (TuneRow row : Drive(50, [](int k) { return Row(k, 8, 8, kTarget * 105 / 110.0); })) {
        row.ve = 110;
        ASSERT_EQ(analyzer.add(row), std::nullopt);
    }
    const CellTally& cell = analyzer.analysis().cells[CellIndex(8, 8)];
    EXPECT_NEAR(cell.hits, 150 - 2 * 3, 1e-9); // each log's first 60 ms has no point
    EXPECT_NEAR(cell.meanCorrected(), 105, 1e-9);
    // Without the write kept, the same drive is a table changed during the drive.
    VeAnalyzer unkept(Table(), target, options);
    unkept.beginLog("drive.msl", TableInForce(Table(), {}));
    std::optional<std::string> refused;
    for (std::size_t k = 0; k < drive.size() && !refused; ++k) {
        refused = unkept.add(drive[k]);
    }
    EXPECT_TRUE(refused &&
                refused->find("the table changed during the drive") != std::string::npos);
}

TEST(VeAnalysis, aLogOfAnotherTableIsRefusedAndOnlyACellSeenWithTwoValuesIsAChange) {
    CellValues target{};
    target.fill(kTarget);
    const struct {
        int firstDifferent; // rows from here are in cell (8, later) with 101
        int later;
        std::string says;
    } cases[] = {
        {0, 8,
         "drive.msl: recorded against another table (line 2: the cell at pressure index 8, RPM "
         "index 8 held 101, the table holds 100)"},
        {30, 8,
         "drive.msl: the table changed during the drive at line 32: the cell at pressure index "
         "8, RPM index 8 held 100, then 101"},
        // The first rows agree, but the cell that differs was never seen before.
        {30, 9,
         "drive.msl: recorded against another table (line 32: the cell at pressure index 8, RPM "
         "index 9 held 101, the table holds 100)"},
    };
    for (const auto& c : cases) {
        VeAnalyzer analyzer(Table(), target, {});
        analyzer.beginLog("drive.msl", TableInForce(Table(), {}));
        std::optional<std::string> refused;
        for (int k = 0; k < 50 && !refused; ++k) {
            TuneRow row = Row(k, 8, k >= c.firstDifferent ? c.later : 8, kTarget);
            row.ve = k >= c.firstDifferent ? 101 : 100;
            refused = analyzer.add(row);
        }
        EXPECT_EQ(refused.value_or("accepted"), c.says);
    }
}

TEST(VeAnalysis, impossibleRowsAreLeftOutUnderTheirOwnReasonAndNothingOfThemIsUsed) {
    const struct {
        const char* what;
        std::function<void(TuneRow&)> spoil;
    } cases[] = {
        {"MAP at 0", [](TuneRow& r) { r.pressurePsi = 0; }},
        {"MAP below 0", [](TuneRow& r) { r.pressurePsi = -5; }},
        {"MAP above 100", [](TuneRow& r) { r.pressurePsi = 100.5; }},
        {"RPM below 0", [](TuneRow& r) { r.rpm = -1; }},
        {"RPM beyond any engine", [](TuneRow& r) { r.rpm = 1e308; }},
        {"AFR1 below 5", [](TuneRow& r) { r.afr1 = 4.9; }},
        {"AFR2 above 30", [](TuneRow& r) { r.afr2 = 30.1; }},
        {"VE of 0", [](TuneRow& r) { r.ve = 0; }},
        {"VE beyond 16 bits", [](TuneRow& r) { r.ve = 1e308; }},
    };
    for (const auto& c : cases) {
        const Analysis analysis = Analyze(Drive(100, [&c](int k) {
            TuneRow row = Row(k, 8, 8, kTarget);
            if (k % 2 == 1) {
                c.spoil(row);
            }
            return row;
        }));
        EXPECT_EQ(analysis.leftOut[static_cast<int>(LeftOut::Impossible)], 50) << c.what;
        EXPECT_EQ(analysis.accepted + analysis.leftOutTotal(), 100) << c.what;
    }
    // Time running backwards costs that row only; the rows after it are judged from it.
    const Analysis backwards = Analyze(Drive(100, [](int k) {
        TuneRow row = Row(k, 8, 8, kTarget);
        row.timeS = k == 50 ? 0.5 : row.timeS;
        return row;
    }));
    EXPECT_EQ(backwards.leftOut[static_cast<int>(LeftOut::Impossible)], 1);
}

TEST(VeAnalysis, theDatalogsRowsReadBackAsTheTuningSeesThem) {
    LoggedRecord entry;
    entry.record = {20.5, 3456, 181, 13.2, 2.5, 13.4};
    entry.point = {9, 13};
    entry.ve = 77;
    const std::string text =
        HeaderText(LogFormat::Csv, {}) + RowText(LogFormat::Csv, 1234, entry) + "cut sh";
    std::vector<TuneRow> rows;
    const auto take = [&rows](const TuneRow& row) {
        rows.push_back(row);
        return std::optional<std::string>();
    };
    TextLines lines = TextLines::Of(text);
    const TuneRowsEnd end = ReadTuneRows(lines, LogFormat::Csv, take);
    EXPECT_EQ(end.refusal, std::nullopt);
    EXPECT_TRUE(end.cutShort);
    ASSERT_EQ(rows.size(), 1u);
    const TuneRow& row = rows[0];
    EXPECT_EQ(row.line, 2u);
    EXPECT_DOUBLE_EQ(row.timeS, 1.234);
    EXPECT_EQ(row.rpm, 3456);
    EXPECT_FLOAT_EQ(float(row.pressurePsi), 20.5f);
    EXPECT_EQ(row.tempF, 181);
    EXPECT_FLOAT_EQ(float(row.afr1), 13.2f);
    EXPECT_FLOAT_EQ(float(row.afr2), 13.4f);
    EXPECT_EQ(row.pressureIndex, 9);
    EXPECT_EQ(row.rpmIndex, 13);
    EXPECT_EQ(row.ve, 77);

    entry.point = {20, 13};
    const std::string outside = HeaderText(LogFormat::Csv, {}) + RowText(LogFormat::Csv, 0, entry);
    TextLines more = TextLines::Of(outside);
    EXPECT_EQ(ReadTuneRows(more, LogFormat::Csv, take).refusal.value_or("accepted"),
              "log line 2: PressureIndex and RpmIndex are 0 to 19");
}

TEST(VeAnalysis, aDriveOfAnyLengthKeepsAtMostABoundOfPointBinsAndCountsEveryRecord) {
    PointBins bins;
    const LatticeWeights a = WeightsAt(LatticeOf(Table()), 2000, 10);
    const LatticeWeights b = WeightsAt(LatticeOf(Table()), 4000, 20);
    const std::uint64_t stretches = kMostPointBins; // two places a stretch: past the bound
    for (std::uint64_t stretch = 1; stretch <= stretches; ++stretch) {
        bins.add(a, 1.0, stretch, 0);
        bins.add(b, 2.0, stretch, 0);
        bins.add(b, 2.0, stretch, 0);
    }
    EXPECT_LT(bins.bins().size(), kMostPointBins);
    EXPECT_GT(bins.bins().size(), kMostPointBins / 4);
    double records = 0;
    for (const PointBin& bin : bins.bins()) {
        records += bin.records;
        // Merged only with its own place, over time that lies together.
        EXPECT_EQ(bin.ySum / bin.records, bin.place == bins.bins()[0].place ? 1.0 : 2.0);
    }
    EXPECT_EQ(records, 3.0 * stretches);
    for (std::size_t k = 2; k < bins.bins().size(); ++k) {
        EXPECT_GT(bins.bins()[k].stretch, bins.bins()[k - 2].stretch) << k;
    }
}
