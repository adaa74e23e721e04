#include "Fakes.h"

#include <gtest/gtest.h>

namespace {

int Zero(int) {
    return 0;
}

// Connected, table received (RPM breakpoints 5..100, pressure 5..43), real time on.
struct Live : ::testing::Test {
    void SetUp() override { Start(1); }
    void Start(int intake) {
        h.ConnectWithTable(TableReplyText(Zero, intake));
        h.form.btnRT_Click();
    }
    std::string Box(TextBox b) { return h.boxes.texts[b]; }
    CoreHarness h;
};

} // namespace

TEST_F(Live, sampleRecordShowsEveryReadout) {
    h.Receive("255,14.7,800,180,14.7,2.5,14.9");
    EXPECT_EQ(Box(TextBox::Pressure), "0.0 PSI");
    EXPECT_EQ(Box(TextBox::Rpm), "800 RPM");
    EXPECT_EQ(Box(TextBox::Temp), "180 F");
    EXPECT_EQ(Box(TextBox::WB1), "14.7 A/F");
    EXPECT_EQ(Box(TextBox::WB2), "14.9 A/F");
    EXPECT_EQ(Box(TextBox::MAFOut), "2.50V Out");
}

TEST_F(Live, intakeType3ShowsAirflowInHertz) {
    Start(3);
    h.Receive("255,14.7,800,180,14.7,2.5,14.9");
    EXPECT_EQ(Box(TextBox::MAFOut), "2.5Hz");
    EXPECT_EQ(Box(TextBox::Rpm), "800 RPM");
}

TEST_F(Live, gaugePressureRpmFloorAndTemperatureForms) {
    h.Receive("255,5.0,149.9,72.5,14.7,2.5,14.9");
    EXPECT_EQ(Box(TextBox::Pressure), "-9.7 PSI");
    EXPECT_EQ(Box(TextBox::Rpm), "0 RPM");
    EXPECT_EQ(h.form.engineRpm, 0.0f);
    EXPECT_EQ(Box(TextBox::Temp), "72.5 F");
    h.Receive("255,14.67,150,-40,14.7,2.5,14.9");
    EXPECT_EQ(Box(TextBox::Pressure), "0.0 PSI");
    EXPECT_EQ(Box(TextBox::Rpm), "150 RPM");
    EXPECT_EQ(Box(TextBox::Temp), "-40 F");
    h.Receive("255,14.7,2250.5,98.6,14.25,0.125,-1");
    EXPECT_EQ(Box(TextBox::Rpm), "2251 RPM"); // an exact half rounds away from zero
    EXPECT_EQ(Box(TextBox::Temp), "98.6 F");
    EXPECT_EQ(Box(TextBox::WB1), "14.3 A/F");
    EXPECT_EQ(Box(TextBox::MAFOut), "0.13V Out");
    EXPECT_EQ(Box(TextBox::WB2), "-1.0 A/F");
}

TEST_F(Live, rpmSearchTakesTheLastBreakpointStrictlyBelow) {
    h.Receive("255,14.7,2250,180,14.7,2.5,14.9");
    EXPECT_EQ(h.form.opRpmIndex, 3);
    h.Receive("255,14.7,2000,180,14.7,2.5,14.9");
    EXPECT_EQ(h.form.opRpmIndex, 2); // equal to breakpoint 20 does not pass it
    h.Receive("255,14.7,0,180,14.7,2.5,14.9");
    EXPECT_EQ(h.form.opRpmIndex, 2); // passes none: kept
}

TEST_F(Live, pressureSearchUsesAbsolutePressure) {
    h.Receive("255,14.7,800,180,14.7,2.5,14.9");
    EXPECT_EQ(h.form.opPressureIndex, 4); // 13 < 14.7 < 15
    EXPECT_FLOAT_EQ(h.form.mapPsi, 14.7f);
    h.Receive("255,4,800,180,14.7,2.5,14.9");
    EXPECT_EQ(h.form.opPressureIndex, 4);
}

TEST_F(Live, markerMovesByPressureAndRpm) {
    const struct {
        const char* pressure;
        const char* rpm;
        float left, top;
    } cases[] = {{"14.7", "0", 5.106f, -12.5f},
                 {"14.7", "800", 5.106f, -13.833f},
                 {"29.4", "6000", 13.632f, -22.5f},
                 {"5.0", "2250", -0.52f, -16.25f}};
    for (const auto& c : cases) {
        h.Receive(std::string("255,") + c.pressure + "," + c.rpm + ",180,14.7,2.5,14.9");
        ASSERT_FALSE(h.marker.moves.empty());
        EXPECT_NEAR(h.marker.moves.back().first, c.left, 1e-3) << c.pressure << " " << c.rpm;
        EXPECT_NEAR(h.marker.moves.back().second, c.top, 1e-3) << c.pressure << " " << c.rpm;
    }
}

TEST_F(Live, eachRecordReshapesTheMarkerThenDrawsTheMarks) {
    h.canvas.ops.clear();
    h.Receive("255,14.7,2250,180,14.7,2.5,14.9");
    EXPECT_EQ(h.marker.shapes.size(), 1u);
    EXPECT_TRUE(h.form.markerRegion.has_value());
    const auto circles = h.canvas.of(CanvasOp::Circle);
    ASSERT_EQ(circles.size(), 3u); // cursor, erase at (0,0), operating point
    EXPECT_EQ(circles[2].colour, (Rgb{255, 0, 0}));
    EXPECT_TRUE(h.canvas.of(CanvasOp::Refresh).empty());
}

TEST_F(Live, aBrokenRecordChangesNothing) {
    h.Receive("255,14.7,2250,180,14.7,2.5,14.9");
    const auto texts = h.boxes.texts;
    const auto moves = h.marker.moves.size();
    for (const char* bad : {"255,14.7,2250,180,14.7,2.5", "255,20,3000,abc,14.7,2.5,14.9",
                            "255,20,3000,180,14.7,2.5,nan", "", "\r\n"}) {
        h.Receive(bad);
        EXPECT_EQ(h.boxes.texts, texts) << bad;
        EXPECT_EQ(h.marker.moves.size(), moves) << bad;
        EXPECT_EQ(h.form.opRpmIndex, 3) << bad;
    }
    EXPECT_NE(h.status.last().find("Dropped"), std::string::npos);
}

TEST_F(Live, lineEndsOnTheLastFieldAreAccepted) {
    h.Receive("255,14.7,800,180,14.7,2.5,14.9\r\n");
    EXPECT_EQ(Box(TextBox::WB2), "14.9 A/F");
}

TEST_F(Live, nothingIsDecodedWithRealTimeOff) {
    h.form.btnCMDOFF_Click();
    const int writes = h.boxes.writes;
    h.Receive("255,14.7,800,180,14.7,2.5,14.9");
    EXPECT_EQ(h.boxes.writes, writes);
    EXPECT_TRUE(h.marker.moves.empty());
}
