// RealTime, RT OFF and the intake items.
#include "Fakes.h"

#include <gtest/gtest.h>

namespace {

using Sent = std::vector<std::string>;

struct Switching : ::testing::Test {
    void SetUp() override {
        h.form.mnuComPort_Click(2);
        h.Connect();
        h.serial.log.clear();
    }
    CoreHarness h;
};

} // namespace

TEST_F(Switching, realTimeReopensThePortThenAsksForTheStreamAndRtOffStopsIt) {
    EXPECT_EQ(h.boxes.texts[TextBox::RTState], "RT OFF"); // since start-up
    h.form.btnRT_Click();
    EXPECT_EQ(h.serial.log, (Sent{"close", "threshold 1", "open", "tx <255>"}));
    EXPECT_EQ(h.form.realTimeOn, 1);
    EXPECT_EQ(h.boxes.texts[TextBox::RTState], "RT ON");
    EXPECT_EQ(h.boxes.colours[TextBox::RTState], (Rgb{0, 255, 0}));
    h.serial.log.clear();
    h.form.btnCMDOFF_Click();
    EXPECT_EQ(h.serial.log, (Sent{"tx <201>"}));
    EXPECT_EQ(h.form.realTimeOn, 0);
    EXPECT_EQ(h.boxes.texts[TextBox::RTState], "RT OFF");
    EXPECT_EQ(h.boxes.colours[TextBox::RTState], (Rgb{255, 0, 0}));
}

TEST_F(Switching, everyIntakeItemStopsTheStreamFirstAndLeavesTheAirflowFormat) {
    const struct {
        void (Form3D::*click)();
        const char* command;
        const char* shown;
    } items[] = {{&Form3D::mnuSingleIntake_Click, "<241>", "Single POP"},
                 {&Form3D::mnuDualIntake_Click, "<242>", "Dual POP"},
                 {&Form3D::mnu3KGTKV_Click, "<243>", "3KGTKV"}};
    for (const auto& item : items) {
        h.form.btnRT_Click();
        h.serial.log.clear();
        (h.form.*item.click)();
        EXPECT_EQ(h.serial.sent(), (Sent{"<201>", item.command}));
        EXPECT_EQ(h.form.realTimeOn, 0);
        EXPECT_EQ(h.boxes.texts[TextBox::IntakeType], item.shown);
    }
    h.form.btnRT_Click();
    h.Receive("255,14.7,800,180,14.7,2.5,14.9");
    EXPECT_EQ(h.boxes.texts[TextBox::MAFOut], "2.50V Out"); // the table's type still rules
}

TEST_F(Switching, realTimeStartsAFreshStream) {
    h.Receive(TableReplyText([](int) { return 0; }));
    h.form.btnRT_Click();
    h.Feed("255,14.7,80"); // cut off by the port closing for the next RealTime
    h.form.btnRT_Click();
    const int writes = h.boxes.writes;
    h.Feed("255,14.7,900,180,14.7,2.5,14.9,");
    EXPECT_EQ(h.boxes.texts[TextBox::Rpm], "900 RPM");
    EXPECT_EQ(h.boxes.writes, writes + 6); // one record: the fresh one
}

TEST_F(Switching, failuresAreToldInTheStatusLine) {
    h.serial.failOpen = true;
    h.form.btnRT_Click();
    EXPECT_TRUE(h.serial.sent().empty());
    EXPECT_EQ(h.status.last(), "Could not open the port for real time: fake failure");
    h.serial.failOpen = false;
    h.serial.failTransmitAfter = 0;
    h.form.btnCMDOFF_Click();
    EXPECT_EQ(h.status.last(), "Could not send <201> to the device: fake failure");
}
