// The report's heat maps as Chromium draws them: each cell in its colour where the layout says.
#include "report/Report.h"
#include "tune/Suggestion.h"

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

namespace {

// Cells rising across both axes, on rising breakpoints.
VeTable RisingTable() {
    VeTable table{};
    for (int cell = 0; cell < kCellCount; ++cell) {
        table[cell] = static_cast<std::int16_t>(40 + PressureIndexOf(cell) + 2 * RpmIndexOf(cell));
    }
    for (int i = 0; i < kLatticeSize; ++i) {
        table[kRpmBase + i] = static_cast<std::int16_t>(5 + 3 * i);
        table[kPressureBase + i] = static_cast<std::int16_t>(5 + 2 * i);
    }
    return table;
}

QImage Screenshot(const std::string& html, const QTemporaryDir& dir) {
    const QString page = dir.filePath("report.html"), shot = dir.filePath("shot.png");
    std::ofstream(page.toStdString()) << html;
    QProcess chromium;
    chromium.start(CHROMIUM_PATH,
                   {"--headless", "--no-sandbox", "--disable-gpu", "--hide-scrollbars",
                    "--force-device-scale-factor=1", "--user-data-dir=" + dir.filePath("profile"),
                    QString("--window-size=%1,%2")
                        .arg(kReportWidthPx)
                        .arg(kLagChartsTopPx + kLagGridTopPx + kLagGridSteps * kLagGridCellPx + 60),
                    "--screenshot=" + shot, "file://" + page});
    chromium.waitForFinished(90000);
    return QImage(shot);
}

bool Near(QRgb pixel, Rgb expected) {
    return std::abs(qRed(pixel) - expected.r) <= 2 && std::abs(qGreen(pixel) - expected.g) <= 2 &&
           std::abs(qBlue(pixel) - expected.b) <= 2;
}

// A pixel near the cell's corner, clear of its number.
QRgb CellPixel(const QImage& shot, HeatMap map, int p, int r) {
    const PagePoint corner = HeatCellCorner(map, p, r);
    return shot.pixel(corner.x + 3, corner.y + 3);
}

} // namespace

TEST(ReportScreenshot, eachHeatMapColoursItsCellsByTheirScale) {
    const VeTable before = RisingTable();
    TuneOptions options;
    Analysis analysis;
    Suggestion suggestion;
    suggestion.table = before;
    suggestion.outcome.fill(Outcome::FewHits);
    const auto cell = [&](int p, int r, double hits, double ratio, double solved,
                          double uncertainty, Outcome outcome) {
        const int c = CellIndex(p, r);
        analysis.cells[c].hits = hits;
        analysis.cells[c].ratioSum = hits * ratio;
        suggestion.solution[c] = {true, solved, uncertainty};
        suggestion.outcome[c] = outcome;
        suggestion.table[c] =
            outcome == Outcome::Changed ? static_cast<std::int16_t>(solved) : before[c];
    };
    cell(3, 4, 200, 1.1, 56.1, 0.3, Outcome::Changed);  // the most hits: 10% lean, 51 to 56
    cell(8, 2, 100, 0.95, 49.4, 2.5, Outcome::Changed); // 52 to 49
    cell(5, 5, 5, 1.2, 60, 9, Outcome::FewHits);        // too few hits to change
    // The records scatter least at 100 ms + 300 ms of the grid; 60 + 250 was taken.
    LagEstimate lag{{60, 250}, true, "", "", 42, {}};
    for (int m = 0; m < kLagGridSteps; ++m) {
        for (int f = 0; f < kLagGridSteps; ++f) {
            lag.grid.push_back(
                {{m * 100.0, f * 100.0}, 1.0 + (m - 1) * (m - 1) + (f - 3) * (f - 3)});
        }
    }
    QTemporaryDir dir;
    const QImage shot = Screenshot(
        ReportHtml(
            {before, suggestion, analysis, options, lag, "summary", {"drive.msl"}, {}, "14.7"}),
        dir);
    ASSERT_FALSE(shot.isNull()) << "no screenshot";

    // The VE scale runs over both tables: 40 .. 97.
    const auto ve = [](int value) { return ScaleColour((value - 40) / 57.0); };
    const struct {
        HeatMap map;
        int p, r;
        Rgb colour;
    } cases[] = {
        {HeatMap::Hits, 3, 4, ScaleColour(1)},
        {HeatMap::Hits, 8, 2, ScaleColour(0.5)},
        {HeatMap::Hits, 0, 0, ScaleColour(0)},
        {HeatMap::AfrError, 3, 4, ChangeColour(10, 15)},
        {HeatMap::AfrError, 8, 2, ChangeColour(-5, 15)},
        {HeatMap::Current, 0, 0, ve(40)},
        {HeatMap::Current, 19, 19, ve(97)},
        {HeatMap::Suggested, 3, 4, ve(56)},
        {HeatMap::Change, 3, 4, ChangeColour(5 * 100.0 / 51, 15)},
        {HeatMap::Change, 8, 2, ChangeColour(-3 * 100.0 / 52, 15)},
        {HeatMap::Uncertainty, 3, 4, ScaleColour(0.3 / kUncertaintyScalePercent)},
        {HeatMap::Uncertainty, 8, 2, ScaleColour(2.5 / kUncertaintyScalePercent)},
    };
    for (const auto& c : cases) {
        const QRgb pixel = CellPixel(shot, c.map, c.p, c.r);
        EXPECT_TRUE(Near(pixel, c.colour)) << static_cast<int>(c.map) << " at " << c.p << "," << c.r
                                           << ": " << QColor(pixel).name().toStdString();
    }

    // The cell below the minimum is hatched: somewhere in it, the hatching's colour.
    const PagePoint few = HeatCellCorner(HeatMap::Change, 5, 5);
    bool hatched = false;
    for (int dx = 0; dx < kMapCellPx; ++dx) {
        hatched = hatched || Near(shot.pixel(few.x + dx, few.y + dx / 2), kFewHitsHatch);
    }
    EXPECT_TRUE(hatched);
    EXPECT_FALSE(Near(CellPixel(shot, HeatMap::Change, 3, 4), kFewHitsHatch));

    // The lag's grid, darkest where the records scatter least (the worst, at the far corner, is
    // 1 + 19^2 + 17^2 = 651), on a logarithmic scale.
    const auto gridPixel = [&shot](int m, int f) {
        const PagePoint corner = LagGridCorner(m, f);
        return shot.pixel(corner.x + 3, corner.y + 3);
    };
    EXPECT_TRUE(Near(gridPixel(1, 3), ScaleColour(1)));
    const int last = kLagGridSteps - 1;
    static_assert(kLagGridSteps == 21, "the worst below is the far corner of 21 x 21");
    EXPECT_TRUE(Near(gridPixel(last, last), ScaleColour(0)));
    EXPECT_TRUE(Near(gridPixel(1, 4), ScaleColour(1 - std::log(2.0) / std::log(651.0))));
    // The lag over RPM: at atmosphere, 3000 RPM is 60 + 250 / 3 ms; in vacuum it is longer.
    const auto curveNear = [&shot](double rpm, double ms, Rgb colour) {
        const PagePoint at = LagCurvePoint(rpm, ms);
        for (int dx = -2; dx <= 2; ++dx) {
            for (int dy = -2; dy <= 2; ++dy) {
                if (std::abs(qRed(shot.pixel(at.x + dx, at.y + dy)) - colour.r) <= 40 &&
                    std::abs(qGreen(shot.pixel(at.x + dx, at.y + dy)) - colour.g) <= 40 &&
                    std::abs(qBlue(shot.pixel(at.x + dx, at.y + dy)) - colour.b) <= 40) {
                    return true;
                }
            }
        }
        return false;
    };
    EXPECT_TRUE(curveNear(3000, 60 + 250 / 3.0, {65, 182, 196}));
    EXPECT_TRUE(curveNear(3000, 60 + 250 / 3.0 * 14.7 / 5, {37, 52, 148}));
    shot.save(QString::fromStdString(testing::TempDir()) + "/report.png"); // to look at
}
