// A live record's way to the window: readout texts, operating point, marker place, and the step.
#include "Fakes.h"
#include "link/Readouts.h"
#include "marker/MarkerPlacement.h"
#include "table/OperatingPoint.h"

#include <gtest/gtest.h>

namespace {

LiveReading Reading(double pressure, float rpm, float temp = 180, float wb1 = 14.7f,
                    double airflow = 2.5, float wb2 = 14.9f) {
    return ReadingOf(LiveRecord{pressure, rpm, temp, wb1, airflow, wb2});
}

} // namespace

TEST(Readouts, showGaugePressureTheRpmFloorAndEachFormat) {
    const struct {
        LiveReading reading;
        bool hertz;
        const char* texts; // pressure, RPM, temperature, WB1, WB2, airflow
    } cases[] = {
        {Reading(14.7, 800), false, "0.0 PSI|800 RPM|180 F|14.7 A/F|14.9 A/F|2.50V Out"},
        {Reading(14.7, 800), true, "0.0 PSI|800 RPM|180 F|14.7 A/F|14.9 A/F|2.5Hz"},
        {Reading(5.0, 149.9f, 72.5f), false, "-9.7 PSI|0 RPM|72.5 F|14.7 A/F|14.9 A/F|2.50V Out"},
        {Reading(14.67, 150, -40), false, "0.0 PSI|150 RPM|-40 F|14.7 A/F|14.9 A/F|2.50V Out"},
        // Exact halves round away from zero; 7 significant digits for the temperature.
        {Reading(14.7, 2250.5f, 98.6f, 14.25f, 0.125, -1), false,
         "0.0 PSI|2251 RPM|98.6 F|14.3 A/F|-1.0 A/F|0.13V Out"},
        {Reading(14.7, 800, 1234567.f, -14.25f, 0.25), true,
         "0.0 PSI|800 RPM|1234567 F|-14.3 A/F|14.9 A/F|0.3Hz"},
    };
    for (const auto& c : cases) {
        std::string shown;
        for (const auto& [box, text] : TextsOf(c.reading, c.hertz)) {
            shown += (shown.empty() ? "" : "|") + text;
        }
        EXPECT_EQ(shown, c.texts);
    }
    EXPECT_EQ(Reading(14.7, 149.9f).rpm, 0.0f);
}

TEST(OperatingPoint, isTheLastBreakpointStrictlyBelowAndKeptWhenNonePasses) {
    VeTable table{};
    for (int k = 0; k < kLatticeSize; ++k) {
        table[kRpmBase + k] = static_cast<std::int16_t>(5 * (k + 1));    // 500 to 10000 RPM
        table[kPressureBase + k] = static_cast<std::int16_t>(5 + 2 * k); // 5 to 43 PSI
    }
    const struct {
        float rpm, psi;
        int rpmIndex, pressureIndex;
    } cases[] = {{2250, 14.7f, 3, 4}, {2000, 15.0f, 2, 4}, {0, 4.0f, 9, 9}, {20000, 50.0f, 19, 19}};
    for (const auto& c : cases) {
        const OperatingPoint point = FindOperatingPoint(table, c.rpm, c.psi, {9, 9});
        EXPECT_EQ(point.rpmIndex, c.rpmIndex) << c.rpm;
        EXPECT_EQ(point.pressureIndex, c.pressureIndex) << c.psi;
    }
    EXPECT_EQ(AbsolutePsi(Reading(14.7, 0).gaugePsi), 14.7f);
}

TEST(MarkerPlacement, movesRightWithPressureAndDownWithRpmPerRelease) {
    const struct {
        Release release;
        float psi, rpm, topOffset, left, top;
    } cases[] = {
        {Release::V17, 14.7f, 0, -12.5f, 5.106f, -12.5f},
        {Release::V17, 14.7f, 800, -12.5f, 5.106f, -13.833f},
        {Release::V17, 29.4f, 6000, -12.5f, 13.632f, -22.5f},
        {Release::V17, 5.0f, 2250, -12.5f, -0.52f, -16.25f},
        {Release::V12, 14.7f, 0, -11.5f, 4.526f, -11.5f},
        {Release::V12, 29.4f, 4500, -11.5f, 13.052f, -21.5f},
    };
    for (const auto& c : cases) {
        const MarkerPlacement at = PlaceMarker(c.release, c.psi, c.rpm, -4.0f, c.topOffset);
        EXPECT_NEAR(at.left, c.left, 1e-3) << c.psi << " " << c.rpm;
        EXPECT_NEAR(at.top, c.top, 1e-3) << c.psi << " " << c.rpm;
    }
}

TEST(LinkHealth, givesTheRateOverTheIntervalAndTotalsSinceStart) {
    const LinkHealth before{100, 2, 1, 0};
    // 60 shown and 120 passed over for newer ones in the same reads: 180 received in 0.5 s.
    EXPECT_EQ(LinkHealthText({160, 122, 1, 0}, before, 0.5), "360 rec/s · 1 rejected");
    EXPECT_EQ(LinkHealthText({100, 2, 1, 512}, before, 0.5),
              "0 rec/s · 1 rejected · 512 bytes dropped");
}

namespace {

struct Live : ::testing::Test {
    void SetUp() override {
        h.ConnectWithTable(TableReplyText([](int) { return 0; }, 3));
        h.form.btnRT_Click();
        h.canvas.ops.clear();
    }
    CoreHarness h;
};

} // namespace

TEST_F(Live, aRecordSetsTheReadoutsMovesAndShapesTheMarkerThenDrawsTheMarks) {
    h.Receive("255,14.7,2250,180,14.7,2.5,14.9");
    EXPECT_EQ(h.boxes.texts[TextBox::Rpm], "2250 RPM");
    EXPECT_EQ(h.boxes.texts[TextBox::MAFOut], "2.5Hz");
    EXPECT_FLOAT_EQ(h.form.mapPsi, 14.7f); // absolute again after the search
    EXPECT_EQ(h.form.opRpmIndex, 3);
    EXPECT_EQ(h.form.opPressureIndex, 4);
    ASSERT_EQ(h.marker.moves.size(), 1u);
    EXPECT_NEAR(h.marker.moves[0].second, -16.25f, 1e-3);
    EXPECT_EQ(h.marker.shapes.size(), 1u);
    const auto circles = h.canvas.of(CanvasOp::Circle);
    ASSERT_EQ(circles.size(), 3u); // cursor, the old point erased, the new point
    EXPECT_EQ(circles[2].colour, (Rgb{255, 0, 0}));
    EXPECT_TRUE(h.canvas.of(CanvasOp::Refresh).empty());
}

TEST_F(Live, aBrokenRecordChangesNothingAndSaysSo) {
    h.Receive("255,14.7,2250,180,14.7,2.5,14.9");
    EXPECT_EQ(h.form.linkHealth().records, 1u);
    const auto texts = h.boxes.texts;
    h.Receive("255,20,3000,abc,14.7,2.5,14.9");
    EXPECT_EQ(h.boxes.texts, texts);
    EXPECT_EQ(h.marker.moves.size(), 1u);
    EXPECT_EQ(h.form.opRpmIndex, 3);
    EXPECT_NE(h.status.last().find("Dropped"), std::string::npos);
    EXPECT_EQ(h.form.linkHealth().rejected, 1u);
}

TEST_F(Live, nothingIsDecodedWithRealTimeOff) {
    h.form.btnCMDOFF_Click();
    const int writes = h.boxes.writes;
    h.Receive("255,14.7,800,180,14.7,2.5,14.9");
    EXPECT_EQ(h.boxes.writes, writes);
    EXPECT_TRUE(h.marker.moves.empty());
}

TEST_F(Live, everyWholeRecordOfABurstIsLoggedWithItsPointAndOnlyTheNewestShown) {
    struct : LiveLog {
        void add(const LoggedRecord& entry) override { entries.push_back(entry); }
        bool listening() const override { return true; }
        void cellWritten(int, std::int16_t) override {}
        std::vector<LoggedRecord> entries;
    } log;
    h.form.setLiveLog(&log);
    h.form.veTable[CellIndex(7, 4)] = 144;
    h.Receive("255,20,3000,180,14.7,2.5,14.9,255,1,2,x,4,5,6,255,14.7,2250,181,13.2,3.1,12.8,");
    ASSERT_EQ(log.entries.size(), 2u); // the broken one is no row
    const LoggedRecord& skipped = log.entries[0];
    EXPECT_EQ(skipped.record.rpm, 3000.f);
    EXPECT_EQ(skipped.point.pressureIndex, 7);
    EXPECT_EQ(skipped.point.rpmIndex, 4);
    EXPECT_EQ(skipped.ve, 144);
    EXPECT_TRUE(skipped.airflowInHertz);
    const LoggedRecord& shown = log.entries[1];
    EXPECT_EQ(shown.record.temperature, 181.f);
    EXPECT_EQ(shown.boostPsi, static_cast<float>(14.7 - 14.67)); // gauge, as shown
    EXPECT_EQ((std::pair{shown.point.pressureIndex, shown.point.rpmIndex}),
              (std::pair{h.form.opPressureIndex, h.form.opRpmIndex}));
    EXPECT_EQ(h.marker.moves.size(), 1u);
}
