#include "Fakes.h"

#include <gtest/gtest.h>

namespace {

int CellValue(int i) {
    return i % 200;
}

} // namespace

TEST(Connect, runsTheSequenceInOrderAndResetsViewAndSelection) {
    CoreHarness h;
    h.form.mnuComPort_Click(3);
    h.form.selectedCell = 45;
    h.form.selectedColumn = 2;
    h.form.selectedRow = 5;
    h.form.realTimeOn = 1;
    h.serial.pending = "stale stream bytes";
    h.form.mnuConnectToTVX_Click();

    const std::vector<std::string> expected = {
        "port 3", "settings 115200,N,8,1", "threshold 1", "open", "tx <201>", "rx"};
    EXPECT_EQ(h.serial.log, expected);
    h.LineQuiet();
    EXPECT_EQ(h.serial.log.back(), "tx <121>");
    EXPECT_EQ(h.form.linkActive, 1);
    EXPECT_EQ(h.form.awaitingTable, 1);
    EXPECT_EQ(h.form.realTimeOn, 0);
    EXPECT_EQ(h.form.selectedCell, 0);
    EXPECT_EQ(h.form.selectedColumn, 0);
    EXPECT_EQ(h.form.selectedRow, 0);
    EXPECT_EQ(h.form.markerLeftOffset, -4.0f);
    EXPECT_EQ(h.form.markerTopOffset, -12.5f);
    EXPECT_EQ(h.form.eyeX, -40.0f);
    EXPECT_EQ(h.form.eyeY, 40.0f);
    EXPECT_EQ(h.form.eyeZ, 60.0f);
    // Grid laid out, then filled from the (still zero) table, and the surface fully drawn.
    EXPECT_EQ(h.grid.colWidth[0], 900);
    EXPECT_EQ(h.grid.text(1, 0), "0");
    EXPECT_EQ(h.grid.text(0, 1), "-14.6");
    EXPECT_EQ(h.canvas.of(CanvasOp::LineTo).size(), 760u);
    EXPECT_EQ(h.canvas.ops.front().kind, CanvasOp::BackColor);
    EXPECT_EQ(h.canvas.ops.front().colour, (Rgb{1, 1, 1}));
    EXPECT_EQ(h.status.last(), "Connected to COM 3 (/dev/ttyS2)");
    EXPECT_TRUE(h.boxes.texts.count(TextBox::IntakeType) == 0);
}

TEST(Connect, withoutAChosenPortUsesPortZero) {
    CoreHarness h;
    h.Connect();
    EXPECT_EQ(h.serial.log.front(), "port 0");
}

TEST(Connect, aPortThatWillNotOpenIsReportedAndNothingIsSent) {
    CoreHarness h;
    h.serial.failOpen = true;
    h.form.mnuComPort_Click(7);
    h.Connect();
    EXPECT_TRUE(h.serial.sent().empty());
    EXPECT_EQ(h.status.last(), "Could not open COM 7 (/dev/ttyS6): fake failure");
    EXPECT_TRUE(h.canvas.ops.empty());
    EXPECT_EQ(h.form.linkActive, 1); // a reconnect works once the device is back
    h.serial.failOpen = false;
    h.Connect();
    EXPECT_EQ(h.serial.sent(), (std::vector<std::string>{"<201>", "<121>"}));
}

TEST(Connect, aRunningStreamIsLetFallQuietBeforeTheTableIsAskedFor) {
    CoreHarness h;
    h.form.LetsGo();
    for (int i = 0; i < 5; ++i) {
        h.timer.now += 20; // records keep coming, closer together than the quiet time
        h.Feed("255,14.7,800,180,14.7,2.5,14.9,");
        EXPECT_EQ(h.serial.sent(), (std::vector<std::string>{"<201>"}));
    }
    h.LineQuiet();
    EXPECT_EQ(h.serial.sent(), (std::vector<std::string>{"<201>", "<121>"}));
    h.Receive(TableReplyText(CellValue));
    EXPECT_EQ(h.form.veTable[5], 5);
    EXPECT_EQ(h.form.veTable[kRpmBase], 5);
}

TEST(Connect, aDeviceThatNeverStopsStreamingIsReported) {
    CoreHarness h;
    h.form.LetsGo();
    h.timer.now += 1000;
    h.Feed("255,14.7,800,180,14.7,2.5,14.9,");
    EXPECT_EQ(h.form.awaitingTable, 0);
    EXPECT_NE(h.status.last().find("kept streaming"), std::string::npos);
    EXPECT_EQ(h.serial.sent(), (std::vector<std::string>{"<201>"}));
}

TEST(Download, storesTheReplyShowsIntakeAndRebuilds) {
    CoreHarness h;
    h.Connect();
    h.canvas.ops.clear();
    h.Receive(TableReplyText(CellValue, 2) + ",77,88");
    EXPECT_EQ(h.form.awaitingTable, 0);
    EXPECT_EQ(h.form.veTable[21], 21);
    EXPECT_EQ(h.form.veTable[399], 199);
    EXPECT_EQ(h.form.veTable[kRpmBase + 19], 100);
    EXPECT_EQ(h.form.veTable[kPressureBase], 5);
    EXPECT_EQ(h.form.intakeType, 2);
    EXPECT_EQ(h.boxes.texts[TextBox::IntakeType], "Dual POP");
    EXPECT_EQ(h.grid.text(2, 2), "21");
    EXPECT_EQ(h.grid.text(20, 0), "10000");
    EXPECT_EQ(h.canvas.of(CanvasOp::Refresh).size(), 1u);
}

TEST(Download, intakeCodesShowTheirTextsAndUnknownCodesLeaveTheBox) {
    CoreHarness h;
    h.ConnectWithTable(TableReplyText(CellValue, 3));
    EXPECT_EQ(h.boxes.texts[TextBox::IntakeType], "KV FREQ");
    h.ConnectWithTable(TableReplyText(CellValue, 5));
    EXPECT_EQ(h.boxes.texts[TextBox::IntakeType], "KV FREQ");
    EXPECT_EQ(h.form.intakeType, 5);
    h.ConnectWithTable(TableReplyText(CellValue, 1));
    EXPECT_EQ(h.boxes.texts[TextBox::IntakeType], "Single POP");
}

TEST(Download, aMalformedReplyChangesNoCellAndSaysWhy) {
    CoreHarness h;
    h.ConnectWithTable(TableReplyText(CellValue));
    const VeTable before = h.form.veTable;
    h.Connect();
    h.canvas.ops.clear();
    h.Receive("1,2,3");
    EXPECT_EQ(h.form.veTable, before);
    EXPECT_EQ(h.form.awaitingTable, 0);
    EXPECT_NE(h.status.last().find("3 of 441"), std::string::npos);
    EXPECT_TRUE(h.canvas.ops.empty());

    h.Connect();
    std::string reply = TableReplyText(CellValue);
    reply.replace(0, 1, "99999");
    h.Receive(reply);
    EXPECT_EQ(h.form.veTable, before);
    EXPECT_NE(h.status.last().find("field 0"), std::string::npos);
}

TEST(Download, inputIsIgnoredBeforeConnectAndDroppedWhenNothingIsPending) {
    CoreHarness h;
    h.serial.pending = TableReplyText(CellValue);
    h.form.ProcessSerialInput();
    EXPECT_TRUE(h.serial.log.empty()); // not read at all
    EXPECT_EQ(h.form.veTable[1], 0);

    h.ConnectWithTable(TableReplyText(CellValue));
    h.Receive(TableReplyText([](int) { return 7; }));
    EXPECT_EQ(h.form.veTable[1], 1);
    EXPECT_TRUE(h.serial.pending.empty());
}

TEST(Download, realTimeBeforeTheReplyDecodesTheSameReadAsALiveRecord) {
    CoreHarness h;
    h.Connect();
    h.form.btnRT_Click();
    h.Receive(TableReplyText([](int i) { return i < 7 ? 10 * (i + 1) : 0; }));
    EXPECT_EQ(h.form.awaitingTable, 0);
    EXPECT_EQ(h.form.veTable[0], 10);
    EXPECT_EQ(h.form.veTable[6], 70);
    // No marker among the first six fields: fields 1 to 6 are the record.
    EXPECT_EQ(h.boxes.texts[TextBox::Pressure], "5.3 PSI");
    EXPECT_EQ(h.boxes.texts[TextBox::Rpm], "0 RPM");
    EXPECT_EQ(h.boxes.texts[TextBox::Temp], "40 F");
    EXPECT_EQ(h.boxes.texts[TextBox::WB1], "50.0 A/F");
    EXPECT_EQ(h.boxes.texts[TextBox::MAFOut], "60.00V Out");
    EXPECT_EQ(h.boxes.texts[TextBox::WB2], "70.0 A/F");
}
