// Connect, the table download and the receive handler around them.
#include "Fakes.h"

#include <gtest/gtest.h>

namespace {

int SomeValue(int i) {
    return i % 200;
}

const std::string kRecord = "255,14.7,800,180,14.7,2.5,14.9,";
using Sent = std::vector<std::string>;

// Connected once with a table, so a later refusal can be seen to change nothing.
struct Downloaded : ::testing::Test {
    void SetUp() override {
        h.ConnectWithTable(TableReplyText(SomeValue));
        before = h.form.veTable;
        h.Connect();
        h.canvas.ops.clear();
    }
    CoreHarness h;
    VeTable before{};
};

} // namespace

TEST(Connect, drainsTheLineThenAsksForTheTableAndResetsTheView) {
    CoreHarness h;
    h.form.mnuComPort_Click(3);
    h.form.selectedCell = 45;
    h.form.realTimeOn = 1;
    h.serial.pending = "stale stream bytes";
    h.form.mnuConnectToTVX_Click();
    EXPECT_EQ(h.serial.log,
              (Sent{"port 3", "settings 115200,N,8,1", "threshold 1", "open", "tx <201>", "rx"}));
    h.LineQuiet();
    EXPECT_EQ(h.serial.log.back(), "tx <121>");
    EXPECT_EQ(h.form.awaitingTable, 1);
    EXPECT_EQ(h.form.realTimeOn, 0);
    EXPECT_EQ(h.form.selectedCell, 0);
    EXPECT_EQ(h.form.markerTopOffset, -12.5f);
    EXPECT_EQ(h.form.eyeZ, 60.0f);
    EXPECT_EQ(h.canvas.of(CanvasOp::LineTo).size(), 760u);
    EXPECT_EQ(h.status.last(), "Connected to COM 3 (fake)");
}

TEST(Connect, aPortThatWillNotOpenIsReportedAndNothingIsSent) {
    CoreHarness h;
    h.serial.failOpen = true;
    h.form.mnuComPort_Click(7);
    h.Connect();
    EXPECT_TRUE(h.serial.sent().empty());
    EXPECT_TRUE(h.canvas.ops.empty());
    EXPECT_EQ(h.status.last(), "Could not open COM 7 (fake): fake failure");
    h.serial.failOpen = false;
    h.Connect();
    EXPECT_EQ(h.serial.sent(), (Sent{"<201>", "<121>"}));
}

TEST(Connect, aRunningStreamMustFallQuietBeforeTheTableIsAskedFor) {
    CoreHarness h;
    h.form.LetsGo();
    for (int i = 0; i < 5; ++i) {
        h.timer.now += 20; // records keep coming, closer together than the quiet time
        h.Feed(kRecord);
        EXPECT_EQ(h.serial.sent(), (Sent{"<201>"}));
    }
    h.LineQuiet();
    EXPECT_EQ(h.serial.sent(), (Sent{"<201>", "<121>"}));
    h.Receive(TableReplyText(SomeValue));
    EXPECT_EQ(h.form.veTable[5], 5);
}

TEST(Connect, aDeviceThatNeverStopsStreamingIsReported) {
    CoreHarness h;
    h.form.LetsGo();
    h.timer.now += 1000;
    h.Feed(kRecord);
    EXPECT_EQ(h.form.awaitingTable, 0);
    EXPECT_NE(h.status.last().find("kept streaming"), std::string::npos);
    EXPECT_EQ(h.serial.sent(), (Sent{"<201>"}));
}

TEST(Download, storesTheReplyInPiecesShowsTheIntakeAndRebuilds) {
    const struct {
        Release release;
        int intake;
        const char* shown; // nullptr: the box keeps its text
    } cases[] = {{Release::V17, 1, "Single POP"}, {Release::V17, 2, "Dual POP"},
                 {Release::V17, 3, "KV FREQ"},    {Release::V17, 5, nullptr},
                 {Release::V12, 2, "Dual POP"},   {Release::V12, 3, nullptr}};
    for (const auto& c : cases) {
        CoreHarness h(c.release);
        h.Connect();
        const std::string reply = TableReplyText(SomeValue, c.intake) + "\r\n";
        h.Feed(reply.substr(0, 1000));
        EXPECT_EQ(h.form.awaitingTable, 1);
        h.Feed(reply.substr(1000));
        EXPECT_EQ(h.form.awaitingTable, 0);
        EXPECT_EQ(h.form.veTable[399], 199);
        EXPECT_EQ(h.form.veTable[kPressureBase], 5);
        EXPECT_EQ(h.form.intakeType, c.intake);
        EXPECT_EQ(h.grid.text(2, 2), "21");
        EXPECT_EQ(h.canvas.of(CanvasOp::Refresh).size(), 2u); // at Connect and at the reply
        const auto box = h.boxes.texts.find(TextBox::IntakeType);
        const std::string shown = box == h.boxes.texts.end() ? "(none)" : box->second;
        EXPECT_EQ(shown, c.shown ? c.shown : "(none)") << c.intake;
    }
}

TEST_F(Downloaded, aMalformedReplyChangesNoCellAndSaysWhy) {
    h.Receive("1,2,3");
    EXPECT_EQ(h.form.veTable, before);
    EXPECT_EQ(h.form.awaitingTable, 0);
    EXPECT_NE(h.status.last().find("3 of 441"), std::string::npos);
    EXPECT_TRUE(h.canvas.ops.empty());
}

TEST_F(Downloaded, aHangUpMidReplyLeavesTheTableAndConnectWorksAgain) {
    h.Feed(TableReplyText(SomeValue).substr(0, 500));
    h.form.SerialPortLost("COM 1 (/dev/x): gone");
    h.LineQuiet();
    EXPECT_EQ(h.timer.runningMs, 0);
    EXPECT_EQ(h.form.framer().pendingSize(), 0u); // nothing half-read survives the loss
    EXPECT_EQ(h.form.veTable, before);
    EXPECT_EQ(h.status.last(),
              "Port lost: COM 1 (/dev/x): gone; choose Connect once the device is back");
    h.ConnectWithTable(TableReplyText([](int) { return 3; }));
    EXPECT_EQ(h.form.veTable[0], 3);
}

TEST_F(Downloaded, repliesNobodyAskedForAreIgnored) {
    h.Receive(TableReplyText(SomeValue));
    h.Receive(TableReplyText([](int) { return 7; })); // a second, unsolicited reply
    EXPECT_EQ(h.form.veTable, before);

    CoreHarness fresh; // before any Connect nothing is even read
    fresh.serial.pending = TableReplyText(SomeValue);
    fresh.form.ProcessSerialInput();
    EXPECT_TRUE(fresh.serial.log.empty());
    EXPECT_EQ(fresh.form.veTable[1], 0);
}

TEST(Download, realTimeBeforeTheReplyDecodesTheSameReadAsALiveRecord) {
    CoreHarness h;
    h.Connect();
    h.form.btnRT_Click();
    h.Receive(TableReplyText([](int i) { return i < 7 ? 10 * (i + 1) : 0; }));
    EXPECT_EQ(h.form.veTable[6], 70);
    // No marker among the first six fields: fields 1 to 6 are the record.
    EXPECT_EQ(h.boxes.texts[TextBox::Pressure], "5.3 PSI");
    EXPECT_EQ(h.boxes.texts[TextBox::WB2], "70.0 A/F");
}
