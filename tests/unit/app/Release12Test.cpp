#include "Fakes.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

int Zero(int) {
    return 0;
}

const char* kRecordAt14_7_0 = "255,14.7,0,180,14.7,2.5,14.9";

struct Release12 : ::testing::Test {
    void SetUp() override { h.ConnectWithTable(TableReplyText(Zero, 1)); }
    void StartRealTime() { h.form.btnRT_Click(); }
    std::pair<float, float> LastMarker() { return h.marker.moves.back(); }
    CoreHarness h{Release::V12};
};

} // namespace

TEST_F(Release12, markerUsesItsOwnFormulaAndOffsets) {
    EXPECT_EQ(h.form.markerTopOffset, -11.5f);
    EXPECT_EQ(h.form.markerLeftOffset, -4.0f);
    StartRealTime();
    h.Receive(kRecordAt14_7_0);
    EXPECT_NEAR(LastMarker().first, 4.526f, 1e-4);
    EXPECT_NEAR(LastMarker().second, -11.5f, 1e-4);
    h.Receive("255,29.4,4500,180,14.7,2.5,14.9");
    EXPECT_NEAR(LastMarker().first, 13.052f, 1e-4);
    EXPECT_NEAR(LastMarker().second, -21.5f, 1e-4);
}

TEST_F(Release12, shiftArrowsPanTheFrameAndTheMarkerOffsetsTogether) {
    h.canvas.ops.clear();
    h.form.Form_KeyDown(key::kLeft, key::kShift);
    h.form.Form_KeyDown(key::kLeft, key::kShift);
    EXPECT_EQ(h.form.frameLeft, -8.0f);
    EXPECT_EQ(h.form.markerLeftOffset, -2.0f);
    ASSERT_EQ(h.canvas.frames.size(), 2u);
    EXPECT_EQ(h.canvas.frames.back(), std::make_pair(-8.0f, 15.0f));
    EXPECT_EQ(h.canvas.of(CanvasOp::Refresh).size(), 2u); // each pan redraws everything
    EXPECT_EQ(h.form.selectedCell, 0);
    EXPECT_EQ(h.form.blockActive, 0);

    StartRealTime();
    h.Receive(kRecordAt14_7_0);
    EXPECT_NEAR(LastMarker().first, 6.526f, 1e-4);
    // Same place in the window: distance from the left edge is unchanged.
    EXPECT_NEAR(LastMarker().first - h.form.frameLeft, 4.526f + 10.0f, 1e-4);

    h.form.Form_KeyDown(key::kDown, key::kShift);
    h.form.Form_KeyDown(key::kUp, key::kShift);
    h.form.Form_KeyDown(key::kUp, key::kShift);
    EXPECT_EQ(h.form.frameTop, 14.0f);
    EXPECT_EQ(h.form.markerTopOffset, -12.5f);
    h.form.Form_KeyDown(key::kRight, key::kShift);
    EXPECT_EQ(h.form.frameLeft, -9.0f);
}

TEST_F(Release12, aPanSurvivesConnectWhileTheOffsetsReturn) {
    h.form.Form_KeyDown(key::kLeft, key::kShift);
    h.Connect();
    EXPECT_EQ(h.form.markerLeftOffset, -4.0f);
    EXPECT_EQ(h.form.markerTopOffset, -11.5f);
    EXPECT_EQ(h.form.frameLeft, -9.0f);
}

TEST_F(Release12, airflowIsAlwaysVoltsAndIntake3LeavesTheBox) {
    h.ConnectWithTable(TableReplyText(Zero, 2));
    EXPECT_EQ(h.boxes.texts[TextBox::IntakeType], "Dual POP");
    h.ConnectWithTable(TableReplyText(Zero, 3));
    EXPECT_EQ(h.boxes.texts[TextBox::IntakeType], "Dual POP");
    EXPECT_EQ(h.form.intakeType, 3);
    StartRealTime();
    h.Receive("255,14.7,800,180,14.7,2.5,14.9");
    EXPECT_EQ(h.boxes.texts[TextBox::MAFOut], "2.50V Out");

    CoreHarness fresh(Release::V12);
    fresh.ConnectWithTable(TableReplyText(Zero, 3));
    EXPECT_TRUE(fresh.boxes.texts.count(TextBox::IntakeType) == 0);
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
    EXPECT_EQ(h.form.veTable[0], 0x21);
    EXPECT_EQ(h.form.veTable[399], 0x21);
    EXPECT_TRUE(h.serial.log.empty());
    EXPECT_TRUE(h.canvas.ops.empty());
    EXPECT_EQ(h.grid.textWrites, gridWrites);
    EXPECT_EQ(h.grid.text(1, 1), "0");
    EXPECT_EQ(h.form.awaitingTable, 1);

    h.form.Form_KeyDown(key::kEquals, 0); // the edit starts from the loaded value
    EXPECT_EQ(h.serial.sent(), (std::vector<std::string>{"<234,0:34>"}));
    EXPECT_EQ(h.grid.text(1, 1), "34");
    std::filesystem::remove(path);
}

TEST(Release17, shiftArrowsDoNotPanTheFrame) {
    CoreHarness h;
    h.Connect();
    h.form.Form_KeyDown(key::kRight, key::kShift);
    EXPECT_EQ(h.form.frameLeft, -10.0f);
    EXPECT_TRUE(h.canvas.frames.empty());
    EXPECT_EQ(h.form.blockActive, -1);
}
