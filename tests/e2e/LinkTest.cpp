// Connect, download, edits and file loads through a real pseudo-terminal.
#include "SimProcess.h"

#include <QFile>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

long Count(const std::vector<std::string>& lines, const std::string& prefix) {
    return std::count_if(lines.begin(), lines.end(),
                         [&](const std::string& l) { return l.rfind(prefix, 0) == 0; });
}

} // namespace

TEST(LinkE2e, connectDownloadsTheDevicesTableExactly) {
    SimProcess sim({"--terminator", "none"});
    Connected c(sim);
    ASSERT_TRUE(c.connectAndDownload()) << c.window.statusText().toStdString();
    EXPECT_EQ(c.table(), sim.lastReply());
    EXPECT_EQ(c.window.boxText(TextBox::IntakeType), "Single POP");
    const auto received = sim.received();
    ASSERT_GE(received.size(), 2u);
    EXPECT_EQ(received[0], "<201>");
    EXPECT_EQ(received[1], "<121>");
}

TEST(LinkE2e, cellEditsReachTheDeviceAndComeBackInItsTable) {
    SimProcess sim({"--terminator", "crlf"});
    Connected c(sim);
    ASSERT_TRUE(c.connectAndDownload());
    const int before = c.form.veTable[45];
    c.form.Form_KeyDown(key::kRight, 0);
    c.form.Form_KeyDown(key::kRight, 0);
    for (int i = 0; i < 5; ++i) {
        c.form.Form_KeyDown(key::kDown, 0);
    }
    c.form.Form_KeyDown(key::kEquals, 0);
    c.form.Form_KeyDown(key::kEquals, 0);
    c.form.Form_KeyDown(key::kMinus, 0);
    ASSERT_EQ(c.form.selectedCell, 45);
    ASSERT_TRUE(WaitFor([&] { return Count(sim.received(), "<234,45:") == 3; }));
    EXPECT_EQ(sim.received().back(), "<234,45:" + std::to_string(before + 1) + ">");

    ASSERT_TRUE(c.connectAndDownload());
    EXPECT_EQ(c.form.veTable[45], before + 1);
    EXPECT_EQ(c.table(), sim.lastReply());
}

TEST(LinkE2e, aFileLoadArrivesAsFourHundredWritesInOrder) {
    SimProcess sim;
    Connected c(sim);
    ASSERT_TRUE(c.connectAndDownload());
    QFile file(sim.file("table.vet"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    QByteArray bytes(400, '\0');
    for (int i = 0; i < 400; ++i) {
        bytes[i] = static_cast<char>((i * 7) % 256);
    }
    file.write(bytes);
    file.close();

    c.form.LoadAndSendTable(file.fileName().toStdString());
    ASSERT_TRUE(WaitFor([&] { return Count(sim.received(), "<234,") == 400; }));
    std::vector<std::string> writes;
    for (const std::string& line : sim.received()) {
        if (line.rfind("<234,", 0) == 0) {
            writes.push_back(line);
        }
    }
    EXPECT_EQ(writes.front(), "<234,0:0>");
    EXPECT_EQ(writes[1], "<234,1:7>");
    EXPECT_EQ(writes.back(), "<234,399:" + std::to_string((399 * 7) % 256) + ">");

    ASSERT_TRUE(c.connectAndDownload());
    for (int i = 0; i < 400; ++i) {
        ASSERT_EQ(c.form.veTable[i], (i * 7) % 256) << i;
    }
}

TEST(LinkE2e, connectWhileTheDeviceStreamsFlatOutAlwaysGetsTheExactTable) {
    SimProcess sim({"--rate", "max"});
    Connected c(sim);
    ASSERT_TRUE(c.connectAndDownload());
    for (int round = 0; round < 8; ++round) {
        c.form.btnRT_Click();
        ASSERT_TRUE(WaitFor([&] { return c.window.boxText(TextBox::Rpm).endsWith(" RPM"); }));
        Pump(50);
        c.form.veTable.fill(0);
        ASSERT_TRUE(c.connectAndDownload()) << round << c.window.statusText().toStdString();
        EXPECT_EQ(c.table(), sim.lastReply()) << "round " << round;
        EXPECT_TRUE(c.window.statusText().contains("Table received")) << round;
    }
}

TEST(LinkE2e, aHangUpIsReportedAndConnectWorksOnceTheDeviceIsBack) {
    SimProcess sim({"--hangup-after", "20"});
    Connected c(sim);
    ASSERT_TRUE(c.connectAndDownload());
    c.form.btnRT_Click();
    ASSERT_TRUE(WaitFor([&] { return c.window.statusText().startsWith("Port lost"); }))
        << c.window.statusText().toStdString();
    EXPECT_FALSE(c.window.serial().isOpen());

    sim.restart({"--intake", "2"});
    ASSERT_TRUE(c.connectAndDownload()) << c.window.statusText().toStdString();
    EXPECT_EQ(c.table(), sim.lastReply());
    EXPECT_EQ(c.window.boxText(TextBox::IntakeType), "Dual POP");
}

TEST(LinkE2e, aHangUpInTheMiddleOfTheReplyLeavesTheTableUntouched) {
    SimProcess sim;
    Connected c(sim);
    ASSERT_TRUE(c.connectAndDownload());
    const std::vector<int> good = c.table();
    sim.restart({"--hangup-after", "reply"});
    c.connect();
    ASSERT_TRUE(WaitFor([&] { return c.window.statusText().startsWith("Port lost"); }));
    Pump(300);
    EXPECT_EQ(c.table(), good);
}
