// Tuning while driving, end to end: the window against tvxsim's engine, Tune on and applying on
// its own, recording; the table closes on the engine's, the table kept beside the recording holds
// every cell the device was sent, the delay search finds tvxsim's lag while it drives, and
// tvxctl analyze of the recording, by the lag the window found, suggests what the window did.
#include "Rig.h"
#include "datalog/DriveTable.h"
#include "datalog/qt/RecordField.h"
#include "live/qt/TuneField.h"
#include "live/qt/TuningThread.h"
#include "table/TableFormats.h"

#include <QEventLoop>
#include <QProcess>
#include <QSettings>
#include <QTimer>

#include <gtest/gtest.h>

#include <cmath>

using namespace e2e;

namespace {

// The engine breathes 8% more than the table says at low RPM, 5% less above.
TableFile TrueVe(const Rig& c) {
    TableFile truth{c.form.veTable, true, c.form.intakeType};
    for (int cell = 0; cell < kCellCount; ++cell) {
        const double factor = RpmIndexOf(cell) < 10 ? 1.08 : 0.95;
        truth.table[cell] = static_cast<std::int16_t>(std::lround(truth.table[cell] * factor));
    }
    return truth;
}

double RmsPercent(const VeTable& table, const TableFile& truth, const std::vector<int>& cells) {
    double squares = 0;
    for (const int cell : cells) {
        const double e = (table[cell] - truth.table[cell]) * 100.0 / truth.table[cell];
        squares += e * e;
    }
    return std::sqrt(squares / static_cast<double>(cells.size()));
}

// The cell writes tvxsim received, in order.
std::vector<CellWrite> Received(const TvxSim& sim) {
    std::vector<CellWrite> writes;
    for (const std::string& line : sim.log("received")) {
        int cell = 0, value = 0;
        if (std::sscanf(line.c_str(), "<234,%d:%d>", &cell, &value) == 2) {
            writes.push_back({0, cell, static_cast<std::int16_t>(value)});
        }
    }
    return writes;
}

} // namespace

TEST(LiveTune, aMinuteOfDrivingWithTuneOnClosesOnTheEngineAndKeepsEveryWrite) {
    QSettings("Torvex", "Tuning").clear(); // the defaults, as a first run has them
    Rig c({"--rate", "50"});
    ASSERT_TRUE(c.connect()) << c.status();
    const TableFile truth = TrueVe(c);
    const std::string truthPath = c.sim.file("true.json");
    ASSERT_TRUE(std::holds_alternative<std::monostate>(WriteTableFile(truthPath, truth)));
    ASSERT_TRUE(c.sim.start({"--rate", "50", "--warm", "--drive", "sweep", "--true-ve", truthPath,
                             "--wideband-lag", "60,250"}));

    TuningThread& tuning = c.window.tuning();
    TuneSettings settings = tuning.settings();
    settings.options.lagAuto = true; // from the default, 150 ms, to tvxsim's flow-dependent lag
    settings.applyEveryS = kLeastApplyEveryS;
    tuning.setSettings(settings);
    c.window.tuneField().setOn(true);
    const std::string log = c.sim.file("drive.msl");
    c.window.recordField().recordFromFirstRecord(log, false);
    ASSERT_TRUE(c.connect()) << c.status();
    const VeTable before = c.form.veTable;
    c.form.btnRT_Click();
    QEventLoop driving; // the program's own loop, as a tuner's drive runs it
    QTimer::singleShot(60000, &driving, &QEventLoop::quit);
    driving.exec();
    c.form.btnCMDOFF_Click();
    ASSERT_TRUE(WaitFor([&] { return !c.form.writingCells(); }));
    QTest::qWait(300);
    c.window.recordField().recorder().stop();
    ASSERT_TRUE(tuning.settle()) << "every record analysed, as the log holds them";
    const auto end = tuning.snapshot();

    // Every cell the device was sent is in the table kept beside the recording, in order.
    const auto kept = ReadDriveTable(log);
    ASSERT_TRUE(std::holds_alternative<DriveTable>(kept));
    const DriveTable& drive = std::get<DriveTable>(kept);
    const std::vector<CellWrite> received = Received(c.sim);
    ASSERT_GE(received.size(), 20u) << c.status();
    ASSERT_EQ(drive.writes.size(), received.size());
    std::vector<int> written;
    for (std::size_t k = 0; k < received.size(); ++k) {
        EXPECT_EQ(drive.writes[k].cell, received[k].cell) << k;
        EXPECT_EQ(drive.writes[k].value, received[k].value) << k;
        written.push_back(received[k].cell);
    }
    // The delay search ran while it drove, and found tvxsim's.
    ASSERT_TRUE(end->lag.found) << end->lag.why;
    for (const auto& [rpm, psi] : {std::pair{1000.0, 14.7}, {3000.0, 14.7}}) {
        const double real = TransportDelayS({60, 250}, rpm, psi);
        EXPECT_NEAR(TransportDelayS(end->lag.lag, rpm, psi), real, 0.15 * real)
            << rpm << " RPM: " << end->lag.lag.ms << " + " << end->lag.lag.flowMs;
    }
    // The error falls where the window wrote.
    EXPECT_GT(RmsPercent(before, truth, written), 4.0);
    EXPECT_LT(RmsPercent(c.form.veTable, truth, written), 1.5);

    // And the recording, analysed offline, suggests what the window would apply now.
    const std::string offline = c.sim.file("offline.json");
    QProcess analyze;
    const QString lag =
        QString("%1,%2").arg(end->lag.lag.ms, 0, 'g', 17).arg(end->lag.lag.flowMs, 0, 'g', 17);
    analyze.start(TVXCTL_PATH, {"analyze", QString::fromStdString(log), "--lag", lag, "-o",
                                QString::fromStdString(offline)});
    ASSERT_TRUE(analyze.waitForFinished(60000));
    ASSERT_EQ(analyze.exitCode(), 0) << analyze.readAllStandardError().toStdString();
    const auto suggested = ReadTableFile(offline);
    ASSERT_TRUE(std::holds_alternative<TableFile>(suggested));
    int differ = 0;
    for (int cell = 0; cell < kCellCount; ++cell) {
        differ += std::get<TableFile>(suggested).table[cell] != end->suggestion.table[cell];
    }
    EXPECT_EQ(differ, 0);
}
