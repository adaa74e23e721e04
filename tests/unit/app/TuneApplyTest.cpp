// Live tuning's apply: the table kept before the first write, or nothing written; each cell sent
// as a key edit sends it, as many a frame as the line carries; what was done, said.
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
        for (int frame = 0; frame < 100 && h.form.applyingTune(); ++frame) {
            h.timer.now += 16;
            h.form.ApplyTune_Tick();
        }
    }
    CoreHarness h;
    FakeArchive archive{h.serial};
    std::size_t sentBefore = 0;
};

} // namespace

TEST(TuneApply, keepsTheTableThenWritesEachCellAsAKeyEdit) {
    Rig rig;
    std::vector<TuneWrite> told;
    ASSERT_TRUE(rig.h.form.ApplyTune({{CellIndex(2, 3), 108}, {CellIndex(4, 1), 95}},
                                     [&](const std::vector<TuneWrite>& w) { told = w; }));
    rig.runToEnd();
    EXPECT_EQ(rig.archive.kinds, std::vector<BackupKind>{BackupKind::BeforeTune});
    EXPECT_EQ(rig.archive.sentWhenKept, rig.sentBefore); // kept before anything went out
    EXPECT_EQ(rig.archive.kept.table[CellIndex(2, 3)], 100);
    EXPECT_EQ(rig.sentSince(), (std::vector<std::string>{CellWriteMessage(CellIndex(2, 3), 108),
                                                         CellWriteMessage(CellIndex(4, 1), 95)}));
    EXPECT_EQ(rig.h.form.veTable[CellIndex(2, 3)], 108);
    EXPECT_EQ(rig.h.grid.text(3 + 1, 2 + 1), "108");
    EXPECT_EQ(told, (std::vector<TuneWrite>{{CellIndex(2, 3), 108}, {CellIndex(4, 1), 95}}));
    EXPECT_EQ(rig.h.status.last(),
              "Applied 2 cells, -5% to +8%; kept as /docs/Torvex tables/t-before-tune.json");
}

TEST(TuneApply, aTableThatCannotBeKeptStopsTheApplyBeforeAnyWrite) {
    Rig rig;
    rig.archive.fail = true;
    EXPECT_FALSE(rig.h.form.ApplyTune({{CellIndex(2, 3), 108}}, nullptr));
    EXPECT_FALSE(rig.h.form.applyingTune());
    EXPECT_TRUE(rig.sentSince().empty());
    EXPECT_EQ(rig.h.form.veTable[CellIndex(2, 3)], 100);
    EXPECT_EQ(rig.h.status.last(),
              "Nothing applied: the table could not be kept first: the disk is full");
}

TEST(TuneApply, aFrameSendsNoMoreThanTheLineCarriesMeanwhile) {
    Rig rig;
    std::vector<TuneWrite> all;
    for (int cell = 0; cell < kCellCount; ++cell) {
        all.push_back({cell, 104});
    }
    ASSERT_TRUE(rig.h.form.ApplyTune(all, nullptr));
    const double bytes = static_cast<double>(CellWriteMessage(0, 104).size());
    std::size_t sent = rig.sentSince().size();
    rig.h.form.ApplyTune_Tick(); // no time has passed: half a frame pair's worth
    EXPECT_GT(rig.sentSince().size(), sent);
    EXPECT_LE(static_cast<double>(rig.sentSince().size() - sent), 17 * kLineBytesPerMs / bytes + 1);
    sent = rig.sentSince().size();
    rig.h.timer.now += 5000; // a stall: the frame still sends no more than two frames' worth
    rig.h.form.ApplyTune_Tick();
    EXPECT_LE(static_cast<double>(rig.sentSince().size() - sent), 34 * kLineBytesPerMs / bytes + 1);
    rig.runToEnd();
    EXPECT_EQ(rig.sentSince().size(), static_cast<std::size_t>(kCellCount));
    EXPECT_EQ(rig.h.status.last().rfind("Applied 400 cells, +4% to +4%", 0), 0u);
}

TEST(TuneApply, aLostLineStopsTheApplyAndSaysHowFarItGot) {
    Rig rig;
    rig.h.serial.failTransmitAfter = 1;
    std::vector<TuneWrite> told;
    rig.h.form.ApplyTune({{CellIndex(0, 1), 110}, {CellIndex(0, 2), 110}, {CellIndex(0, 3), 110}},
                         [&](const std::vector<TuneWrite>& w) { told = w; });
    rig.runToEnd();
    EXPECT_EQ(told, (std::vector<TuneWrite>{{CellIndex(0, 1), 110}}));
    EXPECT_EQ(rig.h.form.veTable[CellIndex(0, 2)], 100); // not sent: the device still has it
    EXPECT_EQ(
        rig.h.status.last().rfind("The apply stopped, the line lost: 1 of 3 cells written", 0), 0u);
}
