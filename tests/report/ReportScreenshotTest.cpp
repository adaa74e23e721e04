// The report's heat maps as Chromium draws them: each cell in its colour where the layout says.
#include "tune/Report.h"
#include "tune/Suggestion.h"

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fstream>

namespace {

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
                        .arg(2 * kMapWidthPx)
                        .arg(kReportHeaderPx + 2 * kMapHeightPx),
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
    analysis.cells[CellIndex(3, 4)] = {200, 200 * 1.1, 0}; // the most hits: 10% lean
    analysis.cells[CellIndex(8, 2)] = {100, 100 * 0.95, 0};
    analysis.cells[CellIndex(5, 5)] = {5, 5 * 1.2, 0}; // too few hits to change
    const VeTable after = SuggestTable(before, analysis, options);
    ASSERT_EQ(after[CellIndex(3, 4)], 56); // 51 x 1.1
    ASSERT_EQ(after[CellIndex(8, 2)], 49); // 52 x 0.95
    QTemporaryDir dir;
    const QImage shot =
        Screenshot(ReportHtml({before, after, analysis, options, "summary", {"drive.msl"}}), dir);
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
        {HeatMap::Current, 0, 0, ve(40)},
        {HeatMap::Current, 19, 19, ve(97)},
        {HeatMap::Suggested, 3, 4, ve(56)},
        {HeatMap::Change, 3, 4, ChangeColour(5 * 100.0 / 51, 15)},
        {HeatMap::Change, 8, 2, ChangeColour(-3 * 100.0 / 52, 15)},
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
}
