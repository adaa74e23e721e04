// Hostile input from the device: after every fault no crash, no hang, the table untouched or
// exactly the device's, the status line saying what happened, and Connect working again.
#include "SimProcess.h"

#include <QFile>
#include <QRandomGenerator>

#include <gtest/gtest.h>

#include <cmath>

namespace {

std::string GoodReply() {
    std::string text;
    for (int k = 0; k < 441; ++k) {
        text += (k ? "," : "") + std::to_string(k < 400   ? 40 + k % 50
                                                : k < 420 ? 5 * (k - 399)
                                                : k < 440 ? 2 * (k - 417)
                                                          : 1);
    }
    return text;
}

QString WriteFile(const SimProcess& sim, const QString& name, const QByteArray& bytes) {
    QFile file(sim.file(name));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return file.fileName();
}

// The device comes back healthy: Connect brings its exact table.
void ExpectConnectWorksAgain(SimProcess& sim, Connected& c) {
    sim.restart();
    ASSERT_TRUE(c.connectAndDownload()) << c.window.statusText().toStdString();
    EXPECT_EQ(c.table(), sim.lastReply());
}

bool ReadoutsFinite(const MainWindow& window) {
    for (TextBox box : {TextBox::Pressure, TextBox::Rpm, TextBox::Temp, TextBox::WB1, TextBox::WB2,
                        TextBox::MAFOut}) {
        const QString text = window.boxText(box).toLower();
        if (text.contains("nan") || text.contains("inf")) {
            return false;
        }
    }
    return true;
}

// Streams for a while with real time on, checking what is shown and what is held pending.
void StreamAndWatch(Connected& c, int ms) {
    c.form.btnRT_Click();
    WaitFor(
        [&] {
            EXPECT_LE(c.form.framer().pendingSize(), InputFramer::kMaxPending);
            EXPECT_TRUE(ReadoutsFinite(c.window));
            return false;
        },
        ms);
    c.form.btnCMDOFF_Click();
}

} // namespace

TEST(FaultE2e, hostileTableRepliesNeverTouchTheTable) {
    SimProcess sim;
    Connected c(sim);
    ASSERT_TRUE(c.connectAndDownload());
    const std::vector<int> good = c.table();
    const std::string reply = GoodReply();
    const std::string tail = reply.substr(reply.find(','));
    const struct {
        const char* name;
        std::string text;
    } cases[] = {{"huge", "1e308" + tail},
                 {"nan", "NaN" + tail},
                 {"out of range", "32768" + tail},
                 {"10,000 digits", std::string(10000, '9') + tail},
                 {"nul", std::string("4\0", 2) + tail},
                 {"truncated", reply.substr(0, reply.size() / 2)},
                 {"garbage", "\x01\x7f<>;" + reply}};
    for (const auto& hostile : cases) {
        sim.restart(
            {"--reply-file", WriteFile(sim, "reply.txt", QByteArray::fromStdString(hostile.text))});
        c.connect();
        ASSERT_TRUE(WaitFor([&] { return c.form.awaitingTable == 0; })) << hostile.name;
        EXPECT_EQ(c.table(), good) << hostile.name;
        EXPECT_TRUE(c.window.statusText().startsWith("Table not loaded")) << hostile.name;
    }
    // "-0" is a number: that reply is whole and valid.
    sim.restart(
        {"--reply-file", WriteFile(sim, "reply.txt", QByteArray::fromStdString("-0" + tail))});
    ASSERT_TRUE(c.connectAndDownload());
    EXPECT_EQ(c.form.veTable[0], 0);
    EXPECT_EQ(c.form.veTable[1], 41);
    ExpectConnectWorksAgain(sim, c);
}

TEST(FaultE2e, aTruncatedReplyFromTheDeviceIsRefused) {
    SimProcess sim;
    Connected c(sim);
    ASSERT_TRUE(c.connectAndDownload());
    const std::vector<int> good = c.table();
    sim.restart({"--truncate-reply"});
    c.connect();
    ASSERT_TRUE(WaitFor([&] { return c.form.awaitingTable == 0; }));
    EXPECT_EQ(c.table(), good);
    EXPECT_TRUE(c.window.statusText().contains("too short")) << c.window.statusText().toStdString();
    ExpectConnectWorksAgain(sim, c);
}

TEST(FaultE2e, corruptedStreamsKeepReadoutsFiniteAndInputBounded) {
    const QStringList faults[] = {{"--garbage", "0.5", "--split", "random"},
                                  {"--nul", "--terminator", "crlf"},
                                  {"--long-field", "10000", "--terminator", "none"}};
    for (const QStringList& options : faults) {
        SimProcess sim(options + QStringList{"--rate", "200"});
        Connected c(sim);
        ASSERT_TRUE(c.connectAndDownload()) << options.join(' ').toStdString();
        EXPECT_EQ(c.table(), sim.lastReply());
        StreamAndWatch(c, 1000);
        EXPECT_TRUE(c.window.boxText(TextBox::Rpm).endsWith(" RPM"))
            << options.join(' ').toStdString();
        ExpectConnectWorksAgain(sim, c);
    }
}

TEST(FaultE2e, hostileLiveValuesAreDroppedWhole) {
    SimProcess sim;
    Connected c(sim);
    const struct {
        const char* record;
        const char* rpmShown; // empty: the record is dropped and the readout keeps its text
    } cases[] = {{"255,1e308,800,180,14.7,2.5,14.9,", ""},
                 {"255,14.7,NaN,180,14.7,2.5,14.9,", ""},
                 {"255,14.7,1e39,180,14.7,2.5,14.9,", ""},
                 {"255,14.7,-0,180,14.7,2.5,14.9,", "0 RPM"},
                 {"255,14.7,32768,180,14.7,2.5,14.9,", "32768 RPM"}};
    for (const auto& hostile : cases) {
        sim.restart(
            {"--stream-file", WriteFile(sim, "stream.txt", hostile.record), "--rate", "50"});
        ASSERT_TRUE(c.connectAndDownload()) << hostile.record;
        const QString before = c.window.boxText(TextBox::Rpm);
        StreamAndWatch(c, 300);
        const QString expected = *hostile.rpmShown ? QString(hostile.rpmShown) : before;
        EXPECT_EQ(c.window.boxText(TextBox::Rpm), expected) << hostile.record;
    }
}

TEST(FaultE2e, aStreamWithNoCommaOrAtTheWrongBaudRateStaysBounded) {
    SimProcess sim;
    QByteArray noise(64 * 1024, '\0');
    for (char& byte : noise) {
        byte = static_cast<char>(QRandomGenerator::global()->bounded(256));
    }
    const QByteArray cases[] = {QByteArray(1024 * 1024, '7'), noise};
    for (const QByteArray& stream : cases) {
        sim.restart({"--stream-file", WriteFile(sim, "stream.bin", stream), "--rate", "4"});
        Connected c(sim);
        ASSERT_TRUE(c.connectAndDownload());
        StreamAndWatch(c, 1500);
        ExpectConnectWorksAgain(sim, c);
    }
}
