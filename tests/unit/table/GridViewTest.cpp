// The table's texts and the grid view: headers, cells, layout, marks and blocks.
#include "Fakes.h"

#include <gtest/gtest.h>

TEST(TableTexts, headersShowTrueRpmAndGaugePressureWithoutExponents) {
    VeTable t{};
    const std::pair<int, const char*> rpm[] = {
        {65, "6500"}, {400, "40000"}, {-400, "-40000"}, {0, "0"}};
    const std::pair<int, const char*> pressure[] = {
        {30, "15.4"}, {14, "-0.6"}, {0, "-14.6"}, {-32768, "-32782.6"}, {32767, "32752.4"}};
    for (const auto& [value, text] : rpm) {
        t[kRpmBase] = static_cast<std::int16_t>(value);
        EXPECT_EQ(RpmHeaderText(t, 0), text);
    }
    for (const auto& [value, text] : pressure) {
        t[kPressureBase + 7] = static_cast<std::int16_t>(value);
        EXPECT_EQ(PressureHeaderText(t, 7), text);
    }
    t[3] = -32768;
    EXPECT_EQ(CellText(t, 3), "-32768");
    EXPECT_FLOAT_EQ(SurfaceHeight(t, 3), -3276.8f);
}

TEST(GridView, setUpAndFillPlaceCellsColumnByColumnUnderTheirHeaders) {
    CoreHarness h;
    for (int i = 0; i < kCellCount; ++i) {
        h.form.veTable[i] = static_cast<std::int16_t>(i);
    }
    h.form.veTable[kRpmBase + 4] = 30;
    h.form.SetUpGrid();
    h.form.FillGrid();
    EXPECT_EQ(h.grid.background, (Rgb{0, 0, 80}));
    const std::tuple<int, int, const char*> cells[] = {
        {2, 2, "21"},   {20, 20, "399"}, {20, 1, "19"}, {1, 2, "20"},
        {5, 0, "3000"}, {0, 3, "-14.6"}, {0, 0, ""}};
    for (const auto& [row, col, text] : cells) {
        EXPECT_EQ(h.grid.text(row, col), text) << row << "," << col;
    }
    EXPECT_EQ(h.grid.textWrites, 440);
}
