// Table files through the File menu: .vet bytes as designed, our own .json and .csv through the
// table readers; what is written and sent, on every platform.
#include "FilesFixture.h"
#include "link/Protocol.h"
#include "table/TableFormats.h"

TEST_F(Files, saveWritesTheCellsAndLoadSendsEveryCellInOrderGivingTheSameBytesBack) {
    for (int i = 0; i < kCellCount; ++i) {
        h.form.veTable[i] = static_cast<std::int16_t>(i * 7 % 256);
    }
    h.form.veTable[1] = 255;
    const std::string file = Path("t.vet");
    Save(file);
    const std::string bytes = Bytes(file);
    ASSERT_EQ(bytes.size(), 400u);
    EXPECT_EQ(static_cast<unsigned char>(bytes[1]), 255);
    EXPECT_EQ(static_cast<unsigned char>(bytes[399]), 399 * 7 % 256);
    EXPECT_TRUE(h.serial.log.empty());

    Load(file);
    const auto sent = h.serial.sent();
    ASSERT_EQ(sent.size(), 400u);
    for (int k = 0; k < kCellCount; ++k) {
        ASSERT_EQ(sent[k], CellWriteMessage(k, static_cast<unsigned char>(bytes[k])));
    }
    EXPECT_EQ(h.form.veTable[kRpmBase], 1000 + kRpmBase); // breakpoints stay
    EXPECT_EQ(h.form.awaitingTable, 0);
    EXPECT_EQ(h.canvas.of(CanvasOp::Refresh).size(), 1u);
    EXPECT_EQ(h.status.last(), "Loaded " + file + " and sent it to the device");
    // A table reply arriving after the load is not taken for the table.
    h.Receive(TableReplyText([](int) { return 77; }));
    EXPECT_NE(h.form.veTable[5], 77);

    Save(Path("again.vet"));
    EXPECT_EQ(Bytes(Path("again.vet")), bytes);
}

TEST_F(Files, aTableAVetCannotHoldIsNotSavedAndTheOldFileStays) {
    Write(Path("old.vet"), std::string(400, '\x07'));
    std::fill(h.form.veTable.begin(), h.form.veTable.begin() + kCellCount, 9);
    for (const std::int16_t value : {256, -1}) {
        h.form.veTable[CellIndex(3, 7)] = value;
        Save(Path("old.vet"));
        ExpectStatus("Not saved, " + Path("old.vet") +
                     ": the cell at pressure index 3, RPM index 7 "
                     "holds " +
                     std::to_string(value) + "; a .vet holds 0 to 255");
        EXPECT_EQ(Bytes(Path("old.vet")), std::string(400, '\x07'));
    }
}

TEST_F(Files, aLongerFileKeepsItsTailOnSaveAndOnlyItsHeadIsLoaded) {
    const std::string file = Path("long.vet");
    Write(file, std::string(4 * 1024 * 1024, '\x07'));
    std::fill(h.form.veTable.begin(), h.form.veTable.begin() + kCellCount, 9);
    Save(file);
    const std::string bytes = Bytes(file);
    ASSERT_EQ(bytes.size(), 4u * 1024 * 1024);
    EXPECT_EQ(bytes[0], 9);
    EXPECT_EQ(bytes[400], 7);
    Load(file);
    EXPECT_EQ(h.serial.sent().size(), 400u);
    EXPECT_EQ(h.form.veTable[0], 9);
}

TEST_F(Files, aTransmitFailureEndsTheLoadAtThatCell) {
    Write(Path("t.vet"), std::string(400, '\x09'));
    h.serial.failTransmitAfter = 2;
    Load(Path("t.vet"));
    EXPECT_EQ(h.serial.sent().size(), 2u);
    EXPECT_EQ(h.form.veTable[2], 9); // the failing cell keeps its new value
    EXPECT_EQ(h.form.veTable[3], untouched[3]);
    EXPECT_EQ(h.form.awaitingTable, 1);
    ExpectStatus("<234,2:9>");
}

TEST_F(Files, dialogsCarryTheirTitlesFilterAndRememberedNameAndCancelDoesNothing) {
    h.form.mnuLoadVEfromfile_Click();
    h.form.mnuSaveVEtofile_Click();
    EXPECT_TRUE(h.serial.log.empty());
    EXPECT_TRUE(fs::is_empty(dir));
    Save(Path("a.vet"));
    h.form.mnuLoadVEfromfile_Click();
    EXPECT_EQ(h.dialogs.saveRequests.back().fileName, ""); // a save always starts afresh
    EXPECT_EQ(h.dialogs.openRequests.back().fileName, Path("a.vet"));
    EXPECT_EQ(h.dialogs.openRequests.back().title, "Open VE File");
    EXPECT_EQ(h.dialogs.saveRequests.back().title, "Save VE File");
    EXPECT_EQ(h.dialogs.saveRequests.back().filter,
              "VE Table Files (*.vet)|*.vet|All Files (*.*)|*.*");
}

TEST_F(Files, aJsonOrCsvThatDoesNotReadOrFitIsRefusedWithNothingSent) {
    TableFile fits{untouched, true, 1};
    fits.table.fill(100);
    ASSERT_TRUE(std::holds_alternative<std::monostate>(WriteTableFile(Path("early.json"), fits)));
    Write(Path("broken.json"), "{\"cells\": [1, 2");
    Load(Path("early.json"));
    ExpectStatus("the device's are not known until its table has come");
    h.ConnectWithTable(TableReplyText([](int) { return 77; }));
    const VeTable device = h.form.veTable;
    TableFile other{device, true, 1};
    other.table[kRpmBase] = 4;
    ASSERT_TRUE(std::holds_alternative<std::monostate>(WriteTableFile(Path("other.csv"), other)));
    const std::pair<std::string, const char*> cases[] = {
        {Path("broken.json"), "Not a table file"},
        {Path("other.csv"), "the file's RPM breakpoint 1 is 400 RPM, the device's is 500 RPM"},
    };
    for (const auto& [path, reason] : cases) {
        h.serial.log.clear();
        Load(path);
        EXPECT_TRUE(h.serial.log.empty()) << path;
        EXPECT_EQ(h.form.veTable, device) << path;
        ExpectStatus(reason);
    }
}
