#include "Fakes.h"

#include <gtest/gtest.h>

TEST(GridView, setUpLeavesHeaderColumnWideAndEveryRowLow) {
    CoreHarness h;
    h.form.SetUpGrid();
    EXPECT_EQ(h.grid.colWidth[0], 900);
    for (int k = 1; k <= 20; ++k) {
        EXPECT_EQ(h.grid.colWidth[k], 450);
    }
    for (int k = 0; k <= 20; ++k) {
        EXPECT_EQ(h.grid.rowHeight[k], 180);
    }
    ASSERT_FALSE(h.grid.backgrounds.empty());
    EXPECT_EQ(h.grid.backgrounds.back(), (Rgb{0, 0, 80}));
}

TEST(GridView, fillPlacesCellsColumnByColumnUnderTheirHeaders) {
    CoreHarness h;
    for (int i = 0; i < 400; ++i) {
        h.form.veTable[i] = static_cast<std::int16_t>(i);
    }
    h.form.veTable[kRpmBase + 4] = 30;
    h.form.veTable[kPressureBase + 2] = 30;
    h.form.FillGrid();
    EXPECT_EQ(h.grid.text(2, 2), "21");
    EXPECT_EQ(h.grid.text(20, 20), "399");
    EXPECT_EQ(h.grid.text(20, 1), "19");
    EXPECT_EQ(h.grid.text(1, 2), "20");
    EXPECT_EQ(h.grid.text(5, 0), "3000");
    EXPECT_EQ(h.grid.text(0, 3), "15.4");
    EXPECT_EQ(h.grid.text(0, 0), "");
    EXPECT_EQ(h.grid.textWrites, 440);
    EXPECT_TRUE(h.grid.paintLog.empty());
}

TEST(GridView, zeroTableShowsZeroRpmAndMinus14Point6Pressure) {
    CoreHarness h;
    h.form.FillGrid();
    for (int k = 1; k <= 20; ++k) {
        EXPECT_EQ(h.grid.text(k, 0), "0");
        EXPECT_EQ(h.grid.text(0, k), "-14.6");
    }
}

TEST(GridView, blockWalkPaintsOnlyItsCellsAndEndsOnTheLast) {
    CoreHarness h;
    h.form.blockColLow = 3;
    h.form.blockColHigh = 5;
    h.form.blockRowLow = 7;
    h.form.blockRowHigh = 7;
    h.form.HighlightBlock();
    ASSERT_EQ(h.grid.paintLog.size(), 3u);
    EXPECT_EQ(h.grid.paintLog[0].first, std::make_pair(8, 4));
    EXPECT_EQ(h.grid.paintLog[1].first, std::make_pair(8, 5));
    EXPECT_EQ(h.grid.paintLog[2].first, std::make_pair(8, 6));
    EXPECT_EQ(h.grid.paintLog[2].second, (Rgb{20, 150, 20}));
    EXPECT_EQ(h.grid.row(), 8);
    EXPECT_EQ(h.grid.col(), 6);

    h.form.ClearBlock();
    EXPECT_EQ(h.grid.paint(8, 5), (Rgb{0, 0, 80}));
    EXPECT_EQ(h.grid.paintLog.size(), 6u);
}

TEST(GridView, invertedBlockPaintsNothing) {
    CoreHarness h;
    h.form.blockColLow = 5;
    h.form.blockColHigh = 3;
    h.form.HighlightBlock();
    EXPECT_TRUE(h.grid.paintLog.empty());
}

TEST(GridView, markReadsThePaintedCellBackAndUnmarkRepaintsIt) {
    CoreHarness h;
    h.form.selectedColumn = 2;
    h.form.selectedRow = 6;
    h.form.MarkSelectedCell();
    EXPECT_EQ(h.grid.paint(7, 3), (Rgb{20, 150, 20}));
    EXPECT_EQ(h.form.highlightGridCol, 3);
    EXPECT_EQ(h.form.highlightGridRow, 7);
    h.form.selectedColumn = 0;
    h.form.UnmarkLastCell();
    EXPECT_EQ(h.grid.paint(7, 3), (Rgb{0, 0, 80}));
}
