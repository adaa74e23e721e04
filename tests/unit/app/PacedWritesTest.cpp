// A change of many cells: the table kept before the first write, or nothing written; each cell
// sent as a key edit sends it, as many a frame as the line carries; what was written, told.
#include "Fakes.h"
#include "link/Protocol.h"

#include <gtest/gtest.h>

namespace {

int Hundred(int) {
    return 100;
}

struct Rig {
    Rig() {
        h.ConnectWithTable(TableReplyText(Hundred));
        h.form.setTableArchive(&archive);
        sentBefore = h.serial.sent().size();
    }
    std::vector<std::string> sentSince() const {
        const auto all = h.serial.sent();
        return {all.begin() + static_cast<std::ptrdiff_t>(sentBefore), all.end()};
    }
    void runToEnd() {
        for (int frame = 0; frame < 100 && h.form.writingCells(); ++frame) {
            h.timer.now += 16;
            h.form.WriteCells_Tick();
        }
    }
    CoreHarness h;
    FakeArchive archive{h.serial};
    std::size_t sentBefore = 0;
};

} // namespace

TEST(PacedWrites, keepTheTableThenWriteEachCellAsAKeyEdit) {
    Rig rig;
    CellsWritten told;
    ASSERT_EQ(rig.h.form.WriteCells({{CellIndex(2, 3), 108}, {CellIndex(4, 1), 95}},
                                    BackupKind::BeforeTune,
                                    [&](const CellsWritten& w) { told = w; }),
              std::nullopt);
    rig.runToEnd();
    EXPECT_EQ(rig.archive.kinds, std::vector<BackupKind>{BackupKind::BeforeTune});
    EXPECT_EQ(rig.archive.sentWhenKept, rig.sentBefore); // kept before anything went out
    EXPECT_EQ(rig.archive.kept.table[CellIndex(2, 3)], 100);
    EXPECT_EQ(rig.sentSince(), (std::vector<std::string>{CellWriteMessage(CellIndex(2, 3), 108),
                                                         CellWriteMessage(CellIndex(4, 1), 95)}));
    EXPECT_EQ(rig.h.form.veTable[CellIndex(2, 3)], 108);
    EXPECT_EQ(rig.h.grid.text(3 + 1, 2 + 1), "108");
    EXPECT_EQ(told.written, (CellChanges{{CellIndex(2, 3), 100, 108}, {CellIndex(4, 1), 100, 95}}));
    EXPECT_FALSE(told.lost);
    EXPECT_EQ(told.keptAs, "/docs/Torvex tables/t-before-tune.json");
}

TEST(PacedWrites, aTableThatCannotBeKeptStopsTheChangeBeforeAnyWrite) {
    Rig rig;
    rig.archive.fail = true;
    EXPECT_EQ(rig.h.form.WriteCells({{CellIndex(2, 3), 108}}, BackupKind::BeforeTune, nullptr),
              "the table could not be kept first: the disk is full");
    EXPECT_FALSE(rig.h.form.writingCells());
    EXPECT_TRUE(rig.sentSince().empty());
    EXPECT_EQ(rig.h.form.veTable[CellIndex(2, 3)], 100);
}

TEST(PacedWrites, aFrameSendsNoMoreThanTheLineCarriesMeanwhile) {
    Rig rig;
    std::vector<CellValue> all;
    for (int cell = 0; cell < kCellCount; ++cell) {
        all.push_back({cell, 104});
    }
    ASSERT_EQ(rig.h.form.WriteCells(all, BackupKind::BeforeTune, nullptr), std::nullopt);
    EXPECT_EQ(rig.h.form.WriteCells(all, BackupKind::BeforeTune, nullptr),
              "a change of the table is under way");
    const double bytes = static_cast<double>(CellWriteMessage(0, 104).size());
    std::size_t sent = rig.sentSince().size();
    rig.h.form.WriteCells_Tick(); // no time has passed: half a frame pair's worth
    EXPECT_GT(rig.sentSince().size(), sent);
    EXPECT_LE(static_cast<double>(rig.sentSince().size() - sent), 17 * kLineBytesPerMs / bytes + 1);
    sent = rig.sentSince().size();
    rig.h.timer.now += 5000; // a stall: the frame still sends no more than two frames' worth
    rig.h.form.WriteCells_Tick();
    EXPECT_LE(static_cast<double>(rig.sentSince().size() - sent), 34 * kLineBytesPerMs / bytes + 1);
    rig.runToEnd();
    EXPECT_EQ(rig.sentSince().size(), static_cast<std::size_t>(kCellCount));
}

TEST(PacedWrites, aLostLineStopsTheChangeAndSaysHowFarItGot) {
    Rig rig;
    rig.h.serial.failTransmitAfter = 1;
    CellsWritten told;
    rig.h.form.WriteCells({{CellIndex(0, 1), 110}, {CellIndex(0, 2), 110}, {CellIndex(0, 3), 110}},
                          BackupKind::BeforeTune, [&](const CellsWritten& w) { told = w; });
    rig.runToEnd();
    EXPECT_EQ(told.written, (CellChanges{{CellIndex(0, 1), 100, 110}}));
    EXPECT_TRUE(told.lost);
    EXPECT_EQ(told.asked, 3u);
    EXPECT_EQ(rig.h.form.veTable[CellIndex(0, 2)], 100); // not sent: the device still has it
}
