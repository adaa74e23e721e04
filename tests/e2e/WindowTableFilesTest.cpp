// The window's Load and Save of the .json and .csv files tvxctl writes, against tvxsim: our own
// tables load cell by cell in index order, and one that does not fit the device sends nothing.
#include "CtlRun.h"
#include "Rig.h"

#include <gtest/gtest.h>

using namespace e2e;

TEST(WindowTableFiles, theWindowLoadsTheTablesTvxctlWroteAndRefusesOnesThatDoNotFit) {
    Rig c;
    for (const char* name : {"dev.json", "dev.csv"}) {
        ASSERT_EQ(Ctl(c.sim, {"get", "-o", name, "--com", "3"}).exit, 0);
    }
    // The device's table with other cells, written by tvxctl, and one made for other breakpoints.
    TableFile changed = *Read(c.sim.file("dev.json"));
    for (int k = 0; k < kCellCount; ++k) {
        changed.table[k] = static_cast<std::int16_t>(changed.table[k] + 1);
    }
    ASSERT_TRUE(std::holds_alternative<std::monostate>(
        WriteTableFile(c.sim.file("changed.json"), changed)));
    ASSERT_EQ(Ctl(c.sim, {"convert", "changed.json", "changed.csv"}).exit, 0);
    TableFile other = changed;
    other.table[kRpmBase] = 3;
    ASSERT_TRUE(
        std::holds_alternative<std::monostate>(WriteTableFile(c.sim.file("other.json"), other)));
    std::ofstream(c.sim.file("broken.json")) << "{\"cells\": [1,";
    ASSERT_TRUE(c.connect()) << c.status();
    const VeTable device = c.form.veTable;

    const struct {
        const char* name;
        const char* status;
        bool sent;
    } cases[] = {
        {"broken.json", "Not a table file", false},
        {"other.json", "the file's RPM breakpoint 1 is 300 RPM, the device's is 400 RPM", false},
        {"changed.json", "and sent it to the device", true},
        {"dev.csv", "and sent it to the device", true},
        {"changed.csv", "and sent it to the device", true},
    };
    for (const auto& load : cases) {
        SCOPED_TRACE(load.name);
        const std::size_t before = c.sim.log("received").size();
        const VeTable held = c.form.veTable;
        c.form.LoadAndSendTable(c.sim.file(load.name));
        EXPECT_NE(c.status().find(load.status), std::string::npos) << c.status();
        // The window's writes leave as its event loop runs.
        const std::size_t expected = before + (load.sent ? kCellCount : 0);
        WaitFor([&] { return c.sim.log("received").size() >= expected; });
        QTest::qWait(load.sent ? 0 : 300);
        const auto received = c.sim.log("received");
        if (!load.sent) {
            EXPECT_EQ(received.size(), before);
            EXPECT_EQ(c.form.veTable, held);
            continue;
        }
        const TableFile file = *Read(c.sim.file(load.name));
        ASSERT_EQ(received.size(), before + kCellCount);
        for (int k = 0; k < kCellCount; ++k) {
            ASSERT_EQ(received[before + k], CellWriteMessage(k, file.table[k]));
        }
        EXPECT_EQ(c.form.veTable, file.table);
    }
    c.form.SaveVE(c.sim.file("saved.json"));
    const Result same = Ctl(c.sim, {"diff", "saved.json", "changed.csv"});
    EXPECT_EQ(same.exit, 0) << same.err;
    EXPECT_EQ(Read(c.sim.file("saved.json"))->table, changed.table);
    EXPECT_NE(device, c.form.veTable);
}
