// tvxview on drives of its own making: the channels and the cursor's readout of a known log, a
// marker drawn, the scatter's breakpoints, and on a drive of tvxsim's engine the hits map against
// the analysis's own tally (tvxctl analyze --cells) for the same filters.
#include "view/qt/ViewWindow.h"
#include "datalog/MlgLog.h"
#include "datalog/MlgWriter.h"
#include "table/TableFormats.h"
#include "tune/TuneOptions.h"
#include "view/DerivedChannels.h"
#include "view/qt/HitsMap.h"
#include "view/qt/ScatterPlot.h"
#include "view/qt/TimeGraphs.h"

#include <qcustomplot.h>

#include <QLabel>
#include <QProcess>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <fstream>
#include <sstream>

namespace {

std::string Run(const QString& program, const QStringList& args, const QString& folder) {
    QProcess process;
    process.setWorkingDirectory(folder);
    process.start(program, args);
    process.waitForFinished(120000);
    return process.readAllStandardError().toStdString();
}

// The hits column of tvxctl analyze --cells, by cell.
CellHits CsvHits(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    CellHits hits{};
    while (std::getline(in, line)) {
        std::stringstream fields(line);
        std::string p, r, h;
        std::getline(fields, p, ',');
        std::getline(fields, r, ',');
        std::getline(fields, h, ',');
        hits[static_cast<std::size_t>(CellIndex(std::stoi(p), std::stoi(r)))] = std::stod(h);
    }
    return hits;
}

// The median distance from the target, in percent, of the warm records a channel has a value
// for; the recorded readings' (their mean, as the analysis reads them) by default.
double MedianOffTarget(const ViewedLog& log, const std::string& channel = "") {
    const ViewedChannel* values = channel.empty() ? nullptr : log.channel(channel);
    const ViewedChannel* error = log.channel(kErrorChannel);
    const ViewedChannel* target = log.channel(kTargetChannel);
    const ViewedChannel* temp = log.channel("Temp");
    std::vector<double> off;
    for (std::size_t k = 0; k < log.records(); ++k) {
        const double percent =
            values ? (values->values[k] / target->values[k] - 1) * 100 : error->values[k];
        if (!std::isnan(percent) && temp->values[k] >= 160) {
            off.push_back(std::abs(percent));
        }
    }
    std::nth_element(off.begin(), off.begin() + static_cast<std::ptrdiff_t>(off.size() / 2),
                     off.end());
    return off[off.size() / 2];
}

} // namespace

class ViewWindowTest : public QObject {
    Q_OBJECT

private slots:
    void theCursorReadsEveryChannelOfTheRecordAtOrBeforeItAndMarkersAreDrawn() {
        QTemporaryDir dir;
        const std::string path = dir.filePath("known.mlg").toStdString();
        auto made = MlgWriter::Make(MlgLogHeader(2, 0, "test", RecordedSteps(false), false));
        MlgWriter& writer = std::get<MlgWriter>(made);
        for (int k = 0; k < 5; ++k) {
            const std::array<double, kLogChannels> row = {
                k * 0.5, 900.0 + 100 * k, 5.0 + k, k - 9.67, 180, 14.7, 14.6, 1, 0, 2, 37};
            writer.record(row[0], row);
            if (k == 2) {
                writer.marker(1.1, "stumble");
            }
        }
        std::ofstream(path, std::ios::binary) << writer.take();

        ViewWindow window;
        window.show();
        QVERIFY(window.open(path));
        QCOMPARE(window.log()->records(), 5u);
        QCOMPARE(window.log()->channels.size(), kLogChannels - 1);
        QCOMPARE(window.graphs()->pane(0), std::vector<std::string>{"RPM"});
        QCOMPARE(window.graphs()->pane(2), (std::vector<std::string>{"AFR1", "AFR2"}));

        // A click between the records at 1.0 and 1.5 s reads the one at 1.0 s.
        QCustomPlot* plot = window.graphs()->plot();
        QCPAxis* time = plot->axisRect(0)->axis(QCPAxis::atBottom);
        const QPoint at(static_cast<int>(time->coordToPixel(1.3)), plot->axisRect(0)->center().y());
        QTest::mouseClick(plot, Qt::LeftButton, {}, at);
        QCOMPARE(window.graphs()->cursorRecord(), std::optional<std::size_t>(2));
        const QString readout = window.graphs()->readout();
        QVERIFY2(readout.contains("Time  0:01.000"), qPrintable(readout));
        QVERIFY2(readout.contains(QRegularExpression("RPM +1100 RPM")), qPrintable(readout));
        QVERIFY2(readout.contains(QRegularExpression("MAP +7 PSI")), qPrintable(readout));
        QTest::keyClick(window.graphs(), Qt::Key_Right, Qt::ShiftModifier);
        QCOMPARE(window.graphs()->cursorRecord(), std::optional<std::size_t>(4));

        int labels = 0;
        for (int i = 0; i < plot->itemCount(); ++i) {
            const auto* text = qobject_cast<QCPItemText*>(plot->item(i));
            labels += text && text->text() == "stumble" ? 1 : 0;
        }
        QCOMPARE(labels, 1);
        window.tabs()->setCurrentWidget(window.hits());
        QVERIFY(
            window.hits()->findChild<QLabel*>("hitsNote")->text().startsWith("No table was kept"));

        QVERIFY(!window.open(dir.filePath("missing.msl").toStdString()));
        QCOMPARE(window.log()->records(), 5u); // the drive shown stays

        // A log whose time goes back is drawn in time order: the plot's searches by time need it.
        const std::string back = dir.filePath("back.csv").toStdString();
        std::ofstream(back) << "Time,RPM\n0,900\n1,950\n0.5,1000\n2,1100\n";
        QVERIFY(window.open(back));
        const auto line = plot->axisRect(0)->graphs().front()->data();
        QCOMPARE(line->size(), 4);
        for (auto it = line->constBegin(); it + 1 != line->constEnd(); ++it) {
            QVERIFY(it->key <= (it + 1)->key);
        }
    }

    void theHitsAreTheAnalysissTallyForTheSameFilters() {
        QTemporaryDir dir;
        Run(TVXSIM_PATH, {"--write-log", "drive.msl", "--seconds", "120", "--seed", "7"},
            dir.path());
        ViewWindow window;
        QVERIFY(window.open(dir.filePath("drive.msl").toStdString()));
        QVERIFY(window.log()->kept);
        const WidebandLag lag = window.log()->kept->lag.value_or(TuneOptions{}.lag);
        const QString lagText = QString("%1,%2").arg(lag.ms).arg(lag.flowMs);
        const struct {
            HitFilters filters;
            QStringList options;
        } cases[] = {
            {HitFilters{}, {}},
            {HitFilters{false, false, false, 20},
             {"--min-temp", "off", "--transient", "off", "--max-afr", "off", "--min-afr", "off"}},
        };
        QVERIFY(!window.hits()->hits()); // counted when the tab is first shown
        window.tabs()->setCurrentWidget(window.hits());
        for (const auto& c : cases) {
            window.hits()->setFilters(c.filters);
            QVERIFY(window.hits()->hits());
            Run(TVXCTL_PATH,
                QStringList{"analyze", "drive.msl", "--lag", lagText, "--cells", "cells.csv"} +
                    c.options,
                dir.path());
            const CellHits tally = CsvHits(dir.filePath("cells.csv").toStdString());
            double total = 0;
            for (int cell = 0; cell < kCellCount; ++cell) {
                const auto k = static_cast<std::size_t>(cell);
                QVERIFY2(std::abs((*window.hits()->hits())[k] - tally[k]) <= 0.05,
                         qPrintable(QString("cell %1").arg(cell)));
                total += tally[k];
            }
            QVERIFY(total > 1000);
        }

        // The scatter's default is RPM against pressure: both axes get the table's breakpoints.
        int lines = 0;
        window.tabs()->setCurrentWidget(window.scatter());
        QCustomPlot* scatter = window.scatter()->plot();
        for (int i = 0; i < scatter->itemCount(); ++i) {
            lines += qobject_cast<QCPItemStraightLine*>(scatter->item(i)) ? 1 : 0;
        }
        QCOMPARE(lines, 2 * kLatticeSize);
    }

    void underASuggestionTheDriveReadsNearerItsTargetAndUnderTheTrueVeOnIt() {
        QTemporaryDir dir;
        // The engine breathes 8 % better than the device's table says.
        Run(TVXSIM_PATH, {"--write-log", "device.msl", "--seconds", "1"}, dir.path());
        const auto kept = ReadDriveTable(dir.filePath("device.msl").toStdString());
        TableFile truth = std::get<DriveTable>(kept).table;
        for (int cell = 0; cell < kCellCount; ++cell) {
            truth.table[static_cast<std::size_t>(cell)] = static_cast<std::int16_t>(
                std::lround(truth.table[static_cast<std::size_t>(cell)] * 1.08));
        }
        QVERIFY(std::holds_alternative<std::monostate>(
            WriteTableFile(dir.filePath("true.json").toStdString(), truth)));
        const QStringList drive = {"--seconds", "900", "--seed", "4", "--warm"};
        Run(TVXSIM_PATH, QStringList{"--write-log", "drive.msl", "--true-ve", "true.json"} + drive,
            dir.path());
        // The same drive on an engine the table is right for: how near the target a right
        // table reads, with the widebands' noise and the banks' difference.
        Run(TVXSIM_PATH, QStringList{"--write-log", "right.msl"} + drive, dir.path());
        ViewWindow right;
        QVERIFY(right.open(dir.filePath("right.msl").toStdString()));
        const double noise = MedianOffTarget(*right.log());
        Run(TVXCTL_PATH, {"analyze", "drive.msl", "-o", "suggested.vet"}, dir.path());

        ViewWindow window;
        QVERIFY(window.open(dir.filePath("drive.msl").toStdString()));
        const double recorded = MedianOffTarget(*window.log());
        QVERIFY(window.compareWith(dir.filePath("suggested.vet").toStdString()));
        QCOMPARE(window.graphs()->pane(2).back(), std::string(kPredictedChannel));
        const double suggested = MedianOffTarget(*window.log(), kPredictedChannel);
        QVERIFY(window.compareWith(dir.filePath("true.json").toStdString()));
        const double underTruth = MedianOffTarget(*window.log(), kPredictedChannel);
        qInfo("median %% off target: recorded %.2f, under the suggestion %.2f, under the true VE "
              "%.2f, a right table %.2f",
              recorded, suggested, underTruth, noise);
        QVERIFY(suggested < recorded / 2);
        QVERIFY(underTruth <= noise * 1.1);

        QVERIFY(!window.compareWith(dir.filePath("missing.vet").toStdString()));
    }
};

QTEST_MAIN(ViewWindowTest)
#include "ViewWindowTest.moc"
