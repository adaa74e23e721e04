#include "table/VeTable.h"

#include <gtest/gtest.h>

TEST(VeTableAddressing, cellIndexAndBackAgree) {
    EXPECT_EQ(CellIndex(0, 19), 19);
    EXPECT_EQ(CellIndex(1, 0), 20);
    EXPECT_EQ(CellIndex(19, 19), 399);
    EXPECT_EQ(PressureIndexOf(399), 19);
    EXPECT_EQ(RpmIndexOf(399), 19);
    EXPECT_EQ(PressureIndexOf(20), 1);
    EXPECT_EQ(RpmIndexOf(20), 0);
}

TEST(VeTableText, headersShowRpmAndGaugePressure) {
    VeTable t{};
    t[kRpmBase + 0] = 65;
    t[kRpmBase + 1] = 400; // beyond the 16-bit product: the true RPM is shown
    t[kRpmBase + 2] = -400;
    t[kPressureBase + 0] = 30;
    t[kPressureBase + 1] = 14;
    t[kPressureBase + 2] = 0;
    t[kPressureBase + 3] = 15;
    t[kPressureBase + 4] = 20;
    EXPECT_EQ(RpmHeaderText(t, 0), "6500");
    EXPECT_EQ(RpmHeaderText(t, 1), "40000");
    EXPECT_EQ(RpmHeaderText(t, 2), "-40000");
    EXPECT_EQ(RpmHeaderText(t, 3), "0");
    EXPECT_EQ(PressureHeaderText(t, 0), "15.4");
    EXPECT_EQ(PressureHeaderText(t, 1), "-0.6");
    EXPECT_EQ(PressureHeaderText(t, 2), "-14.6");
    EXPECT_EQ(PressureHeaderText(t, 3), "0.4");
    EXPECT_EQ(PressureHeaderText(t, 4), "5.4");
}

TEST(VeTableText, pressureHeadersStayPlainDecimalsAtTheRangeEnds) {
    VeTable t{};
    t[kPressureBase] = -32768;
    t[kPressureBase + 1] = 32767;
    EXPECT_EQ(PressureHeaderText(t, 0), "-32782.6");
    EXPECT_EQ(PressureHeaderText(t, 1), "32752.4");
}

TEST(VeTableText, cellTextAndHeight) {
    VeTable t{};
    t[0] = 123;
    t[1] = -50;
    t[2] = -32768;
    EXPECT_EQ(CellText(t, 0), "123");
    EXPECT_EQ(CellText(t, 1), "-50");
    EXPECT_EQ(CellText(t, 2), "-32768");
    EXPECT_FLOAT_EQ(SurfaceHeight(t, 0), 12.3f);
    EXPECT_FLOAT_EQ(SurfaceHeight(t, 1), -5.0f);
}
