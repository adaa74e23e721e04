// The clipboard's text: a block copied with its breakpoints, and pastes as spreadsheets give
// them, landing where they should or refused whole.
#include "edit/BlockText.h"
#include "EditCases.h"

#include <gtest/gtest.h>

namespace {

TableFile Hundreds() {
    TableFile file{{}, true, std::nullopt};
    file.table.fill(100);
    for (int k = 0; k < kLatticeSize; ++k) {
        file.table[kPressureBase + k] = static_cast<std::int16_t>(20 + 5 * (k - 3)); // 3: 20 PSI
        file.table[kRpmBase + k] = static_cast<std::int16_t>(30 + 5 * (k - 7));      // 7: 3000
    }
    return file;
}

} // namespace

void PrintTo(const Pasted& p, std::ostream* out) {
    *out << "block " << p.block.p0 << ":" << p.block.p1 << "," << p.block.r0 << ":" << p.block.r1
         << " " << ::testing::PrintToString(p.changes);
}

TEST(BlockText, aCopyIsTheBlockAsTheGridShowsIt) {
    TableFile file = Hundreds();
    file.table[C(4, 7)] = 57;
    EXPECT_EQ(CopyText(file, {3, 4, 7, 8}), "\t5.4\t10.4\n3000\t100\t57\n3500\t100\t100\n");
    file.hasBreakpoints = false;
    EXPECT_EQ(CopyText(file, {3, 4, 7, 7}), "\t\t\n\t100\t57\n");
}

TEST(BlockText, aPasteLandsWhereItShouldOrIsRefusedWhole) {
    const struct {
        const char* what;
        int corner;
        const char* text;
        std::variant<Pasted, std::string> result;
    } cases[] = {
        {"3 x 4 into the far corner, from Excel", C(17, 16),
         "1\t2\t3\r\n4\t5\t6\r\n7\t8\t9\r\n10\t11\t12\r\n",
         Pasted{{17, 19, 16, 19},
                {{C(17, 16), 100, 1},
                 {C(17, 17), 100, 4},
                 {C(17, 18), 100, 7},
                 {C(17, 19), 100, 10},
                 {C(18, 16), 100, 2},
                 {C(18, 17), 100, 5},
                 {C(18, 18), 100, 8},
                 {C(18, 19), 100, 11},
                 {C(19, 16), 100, 3},
                 {C(19, 17), 100, 6},
                 {C(19, 18), 100, 9},
                 {C(19, 19), 100, 12}}}},
        {"a trailing tab on every row, \\r\\n line ends", C(0, 0), "7\t\r\n100\t\r\n",
         Pasted{{0, 0, 0, 1}, {{C(0, 0), 100, 7}}}},
        {"our own headers", C(5, 5), "\t5.4\t10.4\n3000\t1\t2\n",
         Pasted{{5, 6, 5, 5}, {{C(5, 5), 100, 1}, {C(6, 5), 100, 2}}}},
        {"one column too wide", C(18, 16), "1\t2\t3\n4\t5\t6\n7\t8\t9\n10\t11\t12\n",
         "the text's 3 x 4 cells reach past the table from the cell at pressure index 18, RPM "
         "index 16"},
        {"ragged", C(0, 0), "1\t2\n3\t4\t5\n", "row 2 of the text has 3 fields, row 1 has 2"},
        {"a zero under headers", C(0, 0), "\t5.4\n3000\t0\n",
         "row 2, column 2 of the text holds 0; a VE is 1 to 32767"},
        {"a word", C(0, 0), "5\tx\n", "row 1, column 2 of the text is not a number"},
        {"line ends only", C(0, 0), "\r\n", "there are no cells in the text to paste"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(PasteChanges(Hundreds().table, c.corner, c.text), c.result);
    }
}

TEST(BlockText, ourCopyPastesBackAsItWas) {
    TableFile source = Hundreds();
    for (int cell = 0; cell < kCellCount; ++cell) {
        source.table[cell] = static_cast<std::int16_t>(1 + cell);
    }
    const Block block{2, 5, 3, 7};
    const auto pasted = PasteChanges(Hundreds().table, C(2, 3), CopyText(source, block));
    ASSERT_TRUE(std::holds_alternative<Pasted>(pasted)) << std::get<std::string>(pasted);
    VeTable table = Hundreds().table;
    ApplyChanges(table, std::get<Pasted>(pasted).changes);
    for (int cell = 0; cell < kCellCount; ++cell) {
        const int p = PressureIndexOf(cell), r = RpmIndexOf(cell);
        const bool inside = p >= 2 && p <= 5 && r >= 3 && r <= 7;
        EXPECT_EQ(table[cell], inside ? source.table[cell] : 100) << p << ", " << r;
    }
}
