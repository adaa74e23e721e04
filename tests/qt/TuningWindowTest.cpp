// The Tuning window on a core wired to fakes: the map's colours, Apply and Lock as a tuner uses
// them; and, on the real main window, keys still reaching the table with the window open.
#include "live/qt/TuningWindow.h"
#include "Fakes.h"
#include "app/qt/FormTableHost.h"
#include "app/qt/MainWindow.h"
#include "datalog/LogFile.h"
#include "link/Protocol.h"
#include "live/qt/TuneField.h"
#include "live/qt/TuneSettingsStore.h"

#include <QComboBox>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>

namespace {

class StillClock : public LogClock {
public:
    std::int64_t nowMs() const override { return now; }
    std::string localDateTime() const override { return "2026-12-08 12:00:00"; }
    std::int64_t now = 0;
};

int Hundred(int) {
    return 100;
}

// The reply's breakpoints: RPM 500, 1000 ... 10000; pressure 5, 7 ... 43 PSI absolute.
LoggedRecord At(int p, int r, double afr) {
    LoggedRecord entry;
    entry.record.rpm = static_cast<float>(500 * (r + 1));
    entry.record.pressure = 5.0 + 2 * p;
    entry.record.temperature = 180;
    entry.record.wideband1 = entry.record.wideband2 = static_cast<float>(afr);
    entry.point = {static_cast<std::uint8_t>(p), static_cast<std::uint8_t>(r)};
    entry.ve = 100;
    return entry;
}

struct Tuner {
    Tuner() {
        QSettings("Torvex", "Tuning").clear();
        h.ConnectWithTable(TableReplyText(Hundred));
        h.form.setTableArchive(&archive);
        TuneSettings settings;
        settings.options.lagAuto = false;
        settings.options.lag = {0, 0};
        tuning.setSettings(settings);
        tuning.setOn(true);
    }
    // `n` records at (p, r), 20 ms apart, at one pressure so no transient comes between; the
    // wideband reads each cell's exhaust the sensor's response later.
    void hold(int n, int p, int r, double afr) {
        for (int k = 0; k < n; ++k, clock.now += 20) {
            const bool late = lastAfr && k * 20 < kSensorResponseS * 1000;
            tuning.add(At(p, r, late ? *lastAfr : afr));
        }
        lastAfr = afr;
    }
    std::optional<double> lastAfr;
    void settle() {
        QVERIFY(tuning.settle());
        QCoreApplication::processEvents(); // the snapshot's news reaches the window
    }
    std::vector<std::string> cellWrites() const {
        std::vector<std::string> writes;
        for (const std::string& text : h.serial.sent()) {
            if (text.starts_with("<234,")) {
                writes.push_back(text);
            }
        }
        return writes;
    }
    void applyAndWait() {
        QTest::mouseClick(window.button("Apply"), Qt::LeftButton);
        QTRY_VERIFY(!h.form.writingCells());
    }
    void click(int cell) {
        QTest::mouseClick(&window.map(), Qt::LeftButton, {},
                          TuneMapWidget::cellRect(cell).center());
    }
    // Clear of the cell's text, or on its lock's frame.
    QColor pixel(int cell, QPoint at = {4, 4}) {
        const QImage image = window.map().grab().toImage();
        return image.pixelColor(TuneMapWidget::cellRect(cell).topLeft() + at);
    }

    CoreHarness h;
    FakeArchive archive{h.serial};
    StillClock clock;
    StdioLogFile file;
    Recorder recorder{file, clock, h.status, "Torvex v1.7"};
    FormTableHost host{h.form};
    TuningThread tuning{host, recorder, clock, h.status};
    TuningWindow window{tuning, host, h.status};
};

QColor Colour(Rgb c) {
    return QColor(c.r, c.g, c.b);
}

} // namespace

class TuningWindowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true); // the settings kept stay the tests' own
    }

    void theMapShowsEachCellInTheReportsColours() {
        Tuner t;
        t.hold(60, 5, 3, 14.7 * 1.08);
        t.hold(40, 5, 9, 14.7);
        t.settle();
        const int lean = CellIndex(5, 3), onTarget = CellIndex(5, 9);
        QCOMPARE(t.pixel(lean), Colour(ChangeColour(8, 15)));
        QCOMPARE(t.pixel(onTarget), Colour(ChangeColour(0, 15)));
        t.window.findChild<QComboBox*>()->setCurrentIndex(1); // Hits
        QCOMPARE(t.pixel(lean), Colour(ScaleColour(1)));
    }

    void applySendsTheReadyCellsInIndexOrderAfterABackup() {
        Tuner t;
        t.hold(40, 5, 9, 14.7 * 1.10);
        t.hold(40, 5, 3, 14.7 * 0.95);
        t.hold(5, 5, 15, 14.7 * 1.10); // too few hits
        t.settle();
        t.applyAndWait();
        QCOMPARE(t.archive.kinds, std::vector<BackupKind>{BackupKind::BeforeTune});
        QCOMPARE(t.archive.sentWhenKept, t.h.serial.sent().size() - 2);
        QCOMPARE(t.cellWrites(),
                 (std::vector<std::string>{CellWriteMessage(CellIndex(5, 3), 95),
                                           CellWriteMessage(CellIndex(5, 9), 110)}));
        QVERIFY(
            QString::fromStdString(t.h.status.last()).startsWith("Applied 2 cells, -5% to +10%"));
    }

    void aLockedCellStaysAsItIsAcrossApplyAndRuns() {
        Tuner t;
        t.hold(40, 5, 3, 14.7 * 1.10);
        t.hold(40, 5, 9, 14.7 * 1.10);
        t.click(CellIndex(5, 3));
        QTest::mouseClick(t.window.button("Lock"), Qt::LeftButton);
        t.window.map().clearSelection(); // Apply takes every ready cell but the locked
        t.settle();
        t.applyAndWait();
        QCOMPARE(t.cellWrites(),
                 (std::vector<std::string>{CellWriteMessage(CellIndex(5, 9), 110)}));
        QVERIFY(LoadTuning().stored.locked[CellIndex(5, 3)]);
        QCOMPARE(t.pixel(CellIndex(5, 3), {2, 12}), QColor(40, 40, 40));
    }

    void keysStillReachTheTableWithTheTuningWindowOpen() {
        MainWindow window(Release::V17);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTest::mouseClick(window.tuneField().findChild<QToolButton*>("tuningWindow"),
                          Qt::LeftButton);
        QVERIFY(window.tuningWindow().isVisible());
        QCOMPARE(QApplication::activeWindow(), &window);
        const auto before = window.form().selectedCell;
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
        QVERIFY(window.form().selectedCell != before);
    }
};

QTEST_MAIN(TuningWindowTest)
#include "TuningWindowTest.moc"
