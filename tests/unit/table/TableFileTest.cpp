#include "Fakes.h"
#include "table/VetFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

namespace {

struct Files : ::testing::Test {
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("tvx-files-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
               "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir);
        h.Connect();
        h.serial.log.clear();
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string Path(const char* name) { return (dir / name).string(); }
    static std::string Bytes(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    static void Write(const std::string& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }
    void SaveVia(const std::string& path) {
        h.dialogs.answers.push_back(path);
        h.form.mnuSaveVEtofile_Click();
    }
    void LoadVia(const std::string& path) {
        h.dialogs.answers.push_back(path);
        h.form.mnuLoadVEfromfile_Click();
    }

    fs::path dir;
    CoreHarness h;
};

} // namespace

TEST_F(Files, saveWritesLowBytesAndLoadSendsEveryCellInOrder) {
    for (int i = 0; i < 400; ++i) {
        h.form.veTable[i] = static_cast<std::int16_t>(i % 256);
    }
    h.form.veTable[1] = -1;
    h.form.veTable[2] = 300;
    const std::string file = Path("t.vet");
    SaveVia(file);
    const std::string bytes = Bytes(file);
    ASSERT_EQ(bytes.size(), 400u);
    EXPECT_EQ(static_cast<unsigned char>(bytes[1]), 255);
    EXPECT_EQ(static_cast<unsigned char>(bytes[2]), 44);
    EXPECT_EQ(static_cast<unsigned char>(bytes[399]), 399 % 256);
    EXPECT_EQ(h.form.tableFileName, file);
    EXPECT_TRUE(h.serial.log.empty());

    h.form.veTable.fill(0);
    h.canvas.ops.clear();
    LoadVia(file);
    EXPECT_EQ(h.form.veTable[1], 255);
    EXPECT_EQ(h.form.veTable[2], 44);
    EXPECT_EQ(h.form.veTable[300], 300 % 256);
    const auto sent = h.serial.sent();
    ASSERT_EQ(sent.size(), 400u);
    EXPECT_EQ(sent[0], "<234,0:0>");
    EXPECT_EQ(sent[1], "<234,1:255>");
    EXPECT_EQ(sent[399], "<234,399:143>");
    EXPECT_EQ(h.form.awaitingTable, 0);
    EXPECT_EQ(h.grid.text(3, 1), "44");
    EXPECT_EQ(h.canvas.of(CanvasOp::Refresh).size(), 1u);
}

TEST_F(Files, savingOverALongerFileKeepsItsTailAndLoadingReadsOnlyTheHead) {
    const std::string file = Path("long.vet");
    Write(file, std::string(1000, '\x07'));
    h.form.veTable[0] = 9;
    SaveVia(file);
    const std::string bytes = Bytes(file);
    ASSERT_EQ(bytes.size(), 1000u);
    EXPECT_EQ(bytes[0], 9);
    EXPECT_EQ(bytes[1], 0);
    EXPECT_EQ(bytes.substr(400), std::string(600, '\x07'));
    LoadVia(file);
    EXPECT_EQ(h.serial.sent().size(), 400u);
    EXPECT_EQ(h.form.veTable[0], 9);
}

TEST_F(Files, loadingKeepsBreakpointsSelectionAndStopsTheDownload) {
    h.form.veTable[kRpmBase] = 12;
    h.form.selectedCell = 3;
    h.form.selectedRow = 3;
    const std::string file = Path("first.vet");
    Write(file, std::string("\x0A\xFF\x00", 3) + std::string(397, '\x01'));
    LoadVia(file);
    const auto sent = h.serial.sent();
    ASSERT_GE(sent.size(), 3u);
    EXPECT_EQ(sent[0], "<234,0:10>");
    EXPECT_EQ(sent[1], "<234,1:255>");
    EXPECT_EQ(sent[2], "<234,2:0>");
    EXPECT_EQ(h.form.veTable[kRpmBase], 12);
    EXPECT_EQ(h.form.selectedCell, 3);
    // A table reply arriving after the load is not taken as the table.
    h.Receive(TableReplyText([](int) { return 77; }));
    EXPECT_EQ(h.form.veTable[0], 10);
}

TEST_F(Files, refusedLoadsChangeNothingSendNothingAndSaySo) {
    Write(Path("short.vet"), std::string(399, '\x05'));
    fs::create_directories(dir / "folder");
    for (const std::string& path :
         {Path("missing.vet"), Path("short.vet"), (dir / "folder").string()}) {
        h.canvas.ops.clear();
        h.status.lines.clear();
        LoadVia(path);
        EXPECT_EQ(h.form.veTable, VeTable{}) << path;
        EXPECT_TRUE(h.serial.log.empty()) << path;
        EXPECT_EQ(h.form.awaitingTable, 1) << path;
        EXPECT_TRUE(h.canvas.ops.empty()) << path;
        EXPECT_NE(h.status.last().find(path), std::string::npos) << h.status.last();
    }
    EXPECT_FALSE(fs::exists(Path("missing.vet")));
    EXPECT_NE(h.status.last().find("Is a directory"), std::string::npos) << h.status.last();
}

TEST_F(Files, aTransmitFailureEndsTheLoadAtThatCell) {
    const std::string file = Path("t.vet");
    Write(file, std::string(400, '\x09'));
    h.serial.failTransmitAfter = 2;
    LoadVia(file);
    EXPECT_EQ(h.serial.sent().size(), 2u);
    EXPECT_EQ(h.form.veTable[2], 9); // the failing cell keeps its new value
    EXPECT_EQ(h.form.veTable[3], 0);
    EXPECT_EQ(h.form.awaitingTable, 1);
    EXPECT_NE(h.status.last().find("<234,2:9>"), std::string::npos);
}

TEST_F(Files, cancelledDialogsChangeNothing) {
    h.form.mnuLoadVEfromfile_Click();
    h.form.mnuSaveVEtofile_Click();
    EXPECT_TRUE(h.serial.log.empty());
    EXPECT_TRUE(h.form.tableFileName.empty());
    EXPECT_TRUE(fs::is_empty(dir));
}

TEST_F(Files, dialogsCarryTheirTitlesFilterAndRememberedName) {
    SaveVia(Path("a.vet"));
    h.form.mnuLoadVEfromfile_Click();
    ASSERT_EQ(h.dialogs.saveRequests.size(), 1u);
    EXPECT_EQ(h.dialogs.saveRequests[0].title, "Save VE File");
    EXPECT_EQ(h.dialogs.saveRequests[0].fileName, "");
    EXPECT_EQ(h.dialogs.saveRequests[0].filter, "VE Table Files (*.vet)|*.vet|All Files (*.*)|*.*");
    ASSERT_EQ(h.dialogs.openRequests.size(), 1u);
    EXPECT_EQ(h.dialogs.openRequests[0].title, "Open VE File");
    EXPECT_EQ(h.dialogs.openRequests[0].fileName, Path("a.vet"));
}

TEST_F(Files, failedSavesAreReported) {
    SaveVia((dir / "no-such-folder" / "t.vet").string());
    EXPECT_NE(h.status.last().find("No such file"), std::string::npos) << h.status.last();
    if (fs::exists("/dev/full")) {
        SaveVia("/dev/full");
        EXPECT_NE(h.status.last().find("No space"), std::string::npos) << h.status.last();
    }
}
