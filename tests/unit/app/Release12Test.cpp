// What release 1.2 does differently: Shift+arrows pan the frame, and a file load only reads.
#include "Fakes.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

struct Release12 : ::testing::Test {
    void SetUp() override {
        h.ConnectWithTable(TableReplyText([](int) { return 0; }, 1));
    }
    CoreHarness h{Release::V12};
};

} // namespace

TEST_F(Release12, shiftArrowsPanTheFrameAndTheMarkerOffsetsTogether) {
    h.canvas.ops.clear();
    const struct {
        std::int16_t arrow;
        float left, top;
    } steps[] = {{key::kLeft, -9, 15}, {key::kLeft, -8, 15}, {key::kDown, -8, 16},
                 {key::kUp, -8, 15},   {key::kUp, -8, 14},   {key::kRight, -9, 14}};
    for (const auto& step : steps) {
        h.form.Form_KeyDown(step.arrow, key::kShift);
        EXPECT_EQ(h.canvas.frames.back(), std::make_pair(step.left, step.top));
        EXPECT_EQ(h.form.markerLeftOffset - h.form.frameLeft, -4.0f + 10.0f);
        EXPECT_EQ(h.form.markerTopOffset - h.form.frameTop, -11.5f - 15.0f);
    }
    EXPECT_EQ(h.canvas.of(CanvasOp::Refresh).size(), 6u); // each pan redraws everything
    EXPECT_EQ(h.form.selectedCell, 0);
    EXPECT_EQ(h.form.blockActive, 0);

    h.Connect(); // the offsets return, the pan stays
    EXPECT_EQ(h.form.markerLeftOffset, -4.0f);
    EXPECT_EQ(h.form.frameLeft, -9.0f);
}

TEST_F(Release12, loadingAFileOnlyReadsTheCells) {
    const auto path = std::filesystem::temp_directory_path() / "tvx-release12.vet";
    std::ofstream(path, std::ios::binary) << std::string(400, '\x21');
    h.Connect();
    h.serial.log.clear();
    h.canvas.ops.clear();
    const int gridWrites = h.grid.textWrites;
    h.dialogs.answers.push_back(path.string());
    h.form.mnuLoadVEfromfile_Click();
    std::filesystem::remove(path);
    EXPECT_EQ(h.form.veTable[399], 0x21);
    EXPECT_TRUE(h.serial.log.empty());
    EXPECT_TRUE(h.canvas.ops.empty());
    EXPECT_EQ(h.grid.textWrites, gridWrites);
    EXPECT_EQ(h.form.awaitingTable, 1);
    h.form.Form_KeyDown(key::kEquals, 0); // the edit starts from the loaded value
    EXPECT_EQ(h.serial.sent(), (std::vector<std::string>{"<234,0:34>"}));
}

TEST(Release17, shiftArrowsGrowABlockInsteadOfPanning) {
    CoreHarness h;
    h.Connect();
    h.form.Form_KeyDown(key::kRight, key::kShift);
    EXPECT_EQ(h.form.frameLeft, -10.0f);
    EXPECT_TRUE(h.canvas.frames.empty());
    EXPECT_EQ(h.form.blockActive, -1);
}
