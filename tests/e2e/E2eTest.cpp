// The real program logic and Qt serial adapter against tvxsim on a pseudo-terminal.
#include "Rig.h"
#include "edit/BlockOperation.h"
#include "edit/qt/TableWindow.h"
#include "link/Protocol.h"
#include "table/TableFormats.h"

#include <QApplication>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <set>
#include <sstream>
#include <tuple>

using namespace e2e;

TEST(E2e, theWindowShowsOnlyRecordsTheDeviceSentAndConnectDrainsARunningStream) {
    // Nothing on the line can tell garbage that happens to form a valid record (a digit put in
    // a number); with seed 7 at rate 100 none does within the first thousand records.
    const struct {
        std::vector<std::string> options;
        bool garbage;
    } cases[] = {{{"--rate", "max"}, false},
                 {{"--rate", "400", "--split", "byte"}, false},
                 {{"--rate", "100", "--terminator", "crlf", "--split", "random"}, false},
                 {{"--rate", "100", "--terminator", "none", "--split", "random"}, false},
                 {{"--rate", "100", "--split", "random", "--garbage", "0.3"}, true}};
    using Shown = std::tuple<float, float, float, float>; // rpm, temperature, both widebands
    for (const auto& row : cases) {
        SCOPED_TRACE(::testing::PrintToString(row.options));
        Rig c(row.options);
        ASSERT_TRUE(c.connect()) << c.status();
        std::set<Shown> shown;
        bool dropped = false;
        c.form.btnRT_Click();
        EXPECT_TRUE(WaitFor([&] {
            dropped = dropped || c.status().starts_with("Dropped");
            if (c.form.engineRpm > 0) {
                shown.insert({c.form.engineRpm, c.form.tempF, c.form.wb1, c.form.wb2});
            }
            return shown.size() >= 30 && dropped == row.garbage;
        })) << c.status();
        EXPECT_TRUE(c.window.boxText(TextBox::Rpm).endsWith(" RPM"));
        std::set<Shown> sent;
        for (const std::vector<float>& v : Sent(c.sim, 7)) {
            sent.insert({v[2], v[3], v[4], v[6]});
        }
        EXPECT_TRUE(std::ranges::includes(sent, shown)) << "a reading shown was never sent";
        // Connect with the stream still running: the table only once the line is quiet.
        c.form.veTable.fill(0);
        ASSERT_TRUE(c.connect()) << c.status();
        EXPECT_EQ(c.table(), c.deviceTable());
        EXPECT_EQ(c.sim.log("received"),
                  (std::vector<std::string>{"<201>", "<121>", "<255>", "<201>", "<121>"}));
    }
}

TEST(E2e, anEditAndALoadedFileReachTheDeviceInOrderAndTheTableSavesBack) {
    Rig c;
    ASSERT_TRUE(c.connect()) << c.status();
    c.form.Form_KeyDown(key::kRight, 0);
    c.form.Form_KeyDown(key::kDown, 0);
    const int cell = c.form.selectedCell;
    ASSERT_NE(cell, 0);
    const std::string edit = std::to_string(cell) + ":" + std::to_string(c.form.veTable[cell] + 1);
    std::vector<std::string> expected = {"<201>", "<121>", "<234," + edit + ">"};
    c.form.Form_KeyDown(key::kEquals, 0);
    std::string bytes(400, '\0');
    for (int k = 0; k < 400; ++k) {
        bytes[k] = static_cast<char>(k * 7 % 256);
        expected.push_back("<234," + std::to_string(k) + ":" + std::to_string(k * 7 % 256) + ">");
    }
    std::ofstream(c.sim.file("in.vet"), std::ios::binary) << bytes;
    c.form.LoadAndSendTable(c.sim.file("in.vet"));
    EXPECT_TRUE(WaitFor([&] { return c.sim.log("received").size() >= expected.size(); }));
    EXPECT_EQ(c.sim.log("received"), expected);

    c.form.veTable.fill(0);
    ASSERT_TRUE(c.connect()) << c.status();
    c.form.SaveVE(c.sim.file("out.vet"));
    std::ifstream saved(c.sim.file("out.vet"), std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(saved), {}), bytes);
}

// A block selected by Shift and the arrows, interpolated in the Table window: tvxsim receives
// exactly the cells the core computes, after which Undo puts every one back, as a new download
// of the device's table shows.
TEST(E2e, aBlockInterpolatedInTheTableWindowReachesTheDeviceAndUndoPutsItBack) {
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    Rig c;
    ASSERT_TRUE(c.connect()) << c.status();
    const std::vector<float> start = c.deviceTable();
    const TableFile held = c.form.HeldTable();
    for (const auto& [code, shift] : {std::pair{key::kRight, 0},
                                      {key::kDown, 0},
                                      {key::kRight, key::kShift},
                                      {key::kRight, key::kShift},
                                      {key::kDown, key::kShift},
                                      {key::kDown, key::kShift},
                                      {key::kDown, key::kShift}}) {
        c.form.Form_KeyDown(code, static_cast<std::int16_t>(shift));
    }
    const auto changes = std::get<CellChanges>(
        EditChanges(held, Block{1, 3, 1, 4}, EditOperation{EditKind::Interpolate}));
    ASSERT_FALSE(changes.empty());
    std::vector<std::string> expected = c.sim.log("received");
    for (const CellChange& change : changes) {
        expected.push_back(CellWriteMessage(change.cell, change.after));
    }
    TableWindow& window = c.window.tableWindow();
    window.findChild<QComboBox*>("operation")->setCurrentText("interpolate");
    QTest::mouseClick(window.button("Apply"), Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return c.sim.log("received").size() >= expected.size(); }));
    EXPECT_EQ(c.sim.log("received"), expected);

    QTest::mouseClick(window.button("Undo"), Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] {
        return c.sim.log("received").size() >= expected.size() + changes.size() &&
               !c.form.writingCells();
    }));
    ASSERT_TRUE(c.connect()) << c.status();
    EXPECT_EQ(c.deviceTable(), start);
}

TEST(E2e, theWindowKeepsEachNewDownloadAndTheTableALoadReplaces) {
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    qunsetenv("XDG_CONFIG_HOME");
    const QDir folder(home.path() + "/Documents/Torvex tables");
    const auto kept = [&folder](const char* pattern) {
        return folder.entryList({pattern}, QDir::Files).size();
    };
    Rig c;
    ASSERT_TRUE(c.connect()) << c.status();
    EXPECT_NE(c.status().find("; kept as " + folder.path().toStdString() + "/"), std::string::npos)
        << c.status();
    ASSERT_EQ(kept("*-downloaded.json"), 1);
    const auto first =
        ReadTableFile(folder.filePath(folder.entryList(QDir::Files)[0]).toStdString());
    ASSERT_TRUE(std::holds_alternative<TableFile>(first));
    EXPECT_EQ(std::get<TableFile>(first).table, c.form.veTable);

    ASSERT_TRUE(c.connect()) << c.status(); // the same table again
    EXPECT_EQ(c.status(), "Table received from the device");
    EXPECT_EQ(kept("*-downloaded.json"), 1);

    c.form.Form_KeyDown(key::kEquals, 0); // an edit the load will overwrite
    const VeTable edited = c.form.veTable;
    std::ofstream(c.sim.file("in.vet"), std::ios::binary) << std::string(400, '\1');
    c.form.LoadAndSendTable(c.sim.file("in.vet"));
    ASSERT_EQ(kept("*-before-load.json"), 1);
    const auto before =
        ReadTableFile(folder.filePath(folder.entryList({"*-before-load.json"})[0]).toStdString());
    EXPECT_EQ(std::get<TableFile>(before).table, edited);

    QDir().rename(folder.path(), home.path() + "/moved"); // a file where the folder goes
    std::ofstream(folder.path().toStdString()) << "not a folder";
    c.form.LoadAndSendTable(c.sim.file("in.vet"));
    EXPECT_TRUE(c.status().starts_with("Loaded " + c.sim.file("in.vet") +
                                       " and sent it to the device; the table could not be kept"))
        << c.status();
}

TEST(E2e, aCutReplyOrAHangUpMidReplyLeavesTheTableAndConnectWorksAgain) {
    const struct {
        std::vector<std::string> options;
        const char* status;
    } cases[] = {{{"--truncate-reply"}, "Table not loaded"},
                 {{"--hangup-after", "reply"}, "Port lost"}};
    Rig c;
    for (const auto& fault : cases) {
        c.form.veTable.fill(0); // so that any cell the cut reply reached would show
        const std::vector<float> before = c.table();
        ASSERT_TRUE(c.sim.start(fault.options));
        ASSERT_TRUE(c.connect(fault.status)) << c.status();
        EXPECT_EQ(c.table(), before) << fault.status;
        ASSERT_TRUE(c.sim.start({}));
        ASSERT_TRUE(c.connect()) << c.status();
        EXPECT_EQ(c.table(), c.deviceTable());
    }
}

// Run as e2e_soak for TVX_SOAK_SECONDS: tvxsim at the line rate (115200 baud: about 360 records
// of 32 characters a second) while keys are pressed and the table saved and loaded.
TEST(Soak, streamingWithKeysLoadsAndSavesStaysFlat) {
    const int seconds = std::max(4, qEnvironmentVariableIntValue("TVX_SOAK_SECONDS"));
    Rig c({"--rate", "360", "--terminator", "crlf"});
    ASSERT_TRUE(c.connect()) << c.status();
    c.form.btnRT_Click();
    const std::int16_t keys[] = {key::kLeft, key::kRight, key::kUp, key::kDown, key::kEquals};
    const std::int16_t shifts[] = {0, 0, key::kShift, key::kCtrl};
    std::vector<long> resident;
    std::size_t maxPending = 0;
    for (int second = 1, i = 0; second <= seconds; ++second) {
        for (QDeadlineTimer tick(1000); !tick.hasExpired(); ++i) {
            QTest::qWait(10);
            c.form.Form_KeyDown(keys[i % 5], shifts[i % 4]);
            maxPending = std::max(maxPending, c.form.framer().pendingSize());
        }
        if (second % 3 == 0) {
            c.form.SaveVE(c.sim.file("soak.vet"));
            c.form.LoadAndSendTable(c.sim.file("soak.vet"));
        }
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        resident.push_back(usage.ru_maxrss); // the peak so far, in kB
    }
    // After a warm-up of a quarter of the run, the resident peak grows by at most 2 MB.
    const auto [low, high] = std::minmax_element(resident.begin() + seconds / 4, resident.end());
    std::printf("soak: %d s, peak resident %ld..%ld kB after warm-up, pending at most %zu bytes\n",
                seconds, *low, *high, maxPending);
#ifndef __SANITIZE_ADDRESS__ // the sanitizer's quarantine holds freed memory on purpose
    EXPECT_LE(*high - *low, 2048);
#endif
    EXPECT_LE(maxPending, InputFramer::kMaxPending);
}

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen"); // a test never opens a window on the screen
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
