// The clipboard's text: a block copied with its breakpoints, and pastes as spreadsheets give
// them, landing where they should or refused whole.
#include "edit/BlockText.h"
#include "EditCases.h"

#include <gtest/gtest.h>

namespace {

// "17:19,16:19 17,16:100>1 ...": where it landed and what changed; or why not.
std::string PasteOutcome(int corner, std::string_view text) {
    const auto pasted = PasteChanges(Uneven().table, corner, text);
    if (const auto* why = std::get_if<std::string>(&pasted)) {
        return *why;
    }
    const auto& [b, changes] = std::get<Pasted>(pasted);
    return std::to_string(b.p0) + ":" + std::to_string(b.p1) + "," + std::to_string(b.r0) + ":" +
           std::to_string(b.r1) + " " + ChangesText(changes);
}

} // namespace

TEST(BlockText, aCopyIsTheBlockAsTheGridShowsIt) {
    TableFile file = Uneven();
    file.table[C(4, 7)] = 57;
    EXPECT_EQ(CopyText(file, {3, 4, 7, 8}), "\t8.4\t9.4\n7500\t100\t57\n8000\t100\t100\n");
    file.hasBreakpoints = false;
    EXPECT_EQ(CopyText(file, {3, 4, 7, 7}), "\t\t\n\t100\t57\n");
}

TEST(BlockText, aPasteLandsWhereItShouldOrIsRefusedWhole) {
    const char* const kTwelve = "1\t2\t3\n4\t5\t6\n7\t8\t9\n10\t11\t12\n";
    const struct {
        const char* what;
        int corner;
        const char* text;
        const char* outcome;
    } cases[] = {
        {"3 x 4 into the far corner, as Excel copies", C(17, 16),
         "1\t2\t3\r\n4\t5\t6\r\n7\t8\t9\r\n10\t11\t12\r\n",
         "17:19,16:19 17,16:100>1 17,17:100>4 17,18:100>7 17,19:100>10 18,16:100>2 18,17:100>5 "
         "18,18:100>8 18,19:100>11 19,16:100>3 19,17:100>6 19,18:100>9 19,19:100>12"},
        {"a trailing tab on every row", C(0, 0), "7\t\r\n100\t\r\n", "0:0,0:1 0,0:100>7"},
        {"our own headers", C(5, 5), "\t8.4\t9.4\n7500\t1\t2\n", "5:6,5:5 5,5:100>1 6,5:100>2"},
        {"one column too many", C(18, 16), kTwelve,
         "the text's 3 x 4 cells reach past the table from the cell at pressure index 18, RPM "
         "index 16"},
        {"ragged", C(0, 0), "1\t2\n3\t4\t5\n", "row 2 of the text has 3 fields, row 1 has 2"},
        {"a zero under headers", C(0, 0), "\t8.4\n7500\t0\n",
         "row 2, column 2 of the text holds 0; a VE is 1 to 32767"},
        {"a word", C(0, 0), "5\tx\n", "row 1, column 2 of the text is not a number"},
        {"line ends only", C(0, 0), "\r\n", "there are no cells in the text to paste"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(PasteOutcome(c.corner, c.text), c.outcome);
    }
}

TEST(BlockText, ourCopyPastesBackAsItWas) {
    TableFile source = Uneven();
    for (int cell = 0; cell < kCellCount; ++cell) {
        source.table[cell] = static_cast<std::int16_t>(1 + cell);
    }
    const auto pasted = PasteChanges(Uneven().table, C(2, 3), CopyText(source, {2, 5, 3, 7}));
    ASSERT_TRUE(std::holds_alternative<Pasted>(pasted)) << std::get<std::string>(pasted);
    VeTable table = Uneven().table;
    ApplyChanges(table, std::get<Pasted>(pasted).changes);
    for (int cell = 0; cell < kCellCount; ++cell) {
        const int p = PressureIndexOf(cell), r = RpmIndexOf(cell);
        const bool inside = p >= 2 && p <= 5 && r >= 3 && r <= 7;
        EXPECT_EQ(table[cell], inside ? source.table[cell] : 100) << p << ", " << r;
    }
}
