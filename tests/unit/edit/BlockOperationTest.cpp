// Edits of a block worked by hand: interpolation in the breakpoints' values, smoothing from the
// table as it was, rounding of halves, and refusals that change nothing.
#include "edit/BlockOperation.h"
#include "EditCases.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <utility>
#include <vector>

namespace {

struct Case {
    const char* what;
    EditOperation edit;
    Block block;
    std::vector<std::pair<int, std::int16_t>> entries; // over a table of 100s
    const char* outcome;
    bool breakpoints = true;
};

void Expect(std::initializer_list<Case> cases) {
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TableFile file = Uneven();
        file.hasBreakpoints = c.breakpoints;
        for (const auto& [entry, value] : c.entries) {
            file.table[entry] = value;
        }
        EXPECT_EQ(Outcome(EditChanges(file, c.block, c.edit)), c.outcome);
    }
}

constexpr EditOperation kInterpolate{EditKind::Interpolate}, kSmooth{EditKind::Smooth};

} // namespace

TEST(BlockOperation, interpolationFollowsTheBreakpointsNotThePositions) {
    // Across u = (12 - 10) / (20 - 10) = 0.2, down v = (30 - 10) / (40 - 10) = 2/3: (0, 1) is
    // 100 + 2/3 x 200 = 233.3, (1, 1) 0.8/3 x 100 + 0.2/3 x 200 + 1.6/3 x 300 + 0.4/3 x 500 =
    // 266.7. By position the five would be 200, 150, 275, 400 and 350.
    Expect({
        {"3 x 3",
         kInterpolate,
         {0, 2, 0, 2},
         {{C(0, 0), 100}, {C(2, 0), 200}, {C(0, 2), 300}, {C(2, 2), 500}},
         "0,1:100>233 1,0:100>120 1,1:100>267 1,2:100>340 2,1:100>400"},
        {"one row: 100 + 0.2 x 50", kInterpolate, {0, 2, 5, 5}, {{C(2, 5), 150}}, "1,5:100>110"},
        {"one column: 40 + 2/3 x 60", kInterpolate, {7, 7, 0, 2}, {{C(7, 0), 40}}, "7,1:100>80"},
        {"one cell", kInterpolate, {4, 4, 4, 4}, {{C(4, 4), 7}}, ""},
    });
}

TEST(BlockOperation, smoothingTakesAQuarterFromTheNeighboursAsTheTableWas) {
    // (0, 0) has 3 neighbours, mean 100; (0, 1) 5, mean 128; (1, 0) 5, mean 112 from the old
    // 200 at (0, 0), not 107 from the new 175; (1, 1) 8, mean 112.5.
    Expect({
        {"at 0, 0",
         kSmooth,
         {0, 1, 0, 1},
         {{C(0, 0), 200}, {C(1, 0), 140}, {C(0, 1), 60}},
         "0,0:200>175 0,1:60>77 1,0:140>133 1,1:100>103"},
        {"at 19, 19", kSmooth, {19, 19, 18, 19}, {{C(19, 19), 180}}, "19,18:100>104 19,19:180>160"},
    });
}

TEST(BlockOperation, resultsRoundHalvesAwayFromZero) {
    const Block one{10, 10, 10, 10};
    Expect({
        {"13 less 50% is 6.5", {EditKind::Scale, -50}, one, {{C(10, 10), 13}}, "10,10:13>7"},
        {"45 less 30% is 31.5", {EditKind::Scale, -30}, one, {{C(10, 10), 45}}, "10,10:45>32"},
        {"13 less 150% is -6.5",
         {EditKind::Scale, -150},
         one,
         {{C(10, 10), 13}},
         "the cell at pressure index 10, RPM index 10 would be -7; a VE is 1 to 32767"},
    });
}

TEST(BlockOperation, anEditIsMadeWholeOrRefusedWhole) {
    Expect({
        // By the grid's rows (3, 7) would come first; by index (2, 9) does.
        {"below 1",
         {EditKind::Add, -99},
         {2, 3, 7, 9},
         {{C(3, 7), 50}, {C(2, 9), 99}},
         "the cell at pressure index 2, RPM index 9 would be 0; a VE is 1 to 32767"},
        {"above 32767",
         {EditKind::Add, 1},
         {0, 0, 0, 0},
         {{C(0, 0), 32767}},
         "the cell at pressure index 0, RPM index 0 would be 32768; a VE is 1 to 32767"},
        {"no breakpoints",
         kInterpolate,
         {0, 2, 0, 2},
         {},
         "interpolation needs the table's breakpoints, and this one has none",
         false},
        {"two equal breakpoints",
         kInterpolate,
         {2, 6, 0, 0},
         {{kPressureBase + 4, 23}},
         "interpolation needs breakpoints that rise across the block; the pressure breakpoints at "
         "indices 3 and 4 are 8.4 and 8.4"},
    });
}

TEST(BlockOperation, editsAndBlocksInWords) {
    const struct {
        const char* name;
        const char* value;
        std::variant<EditOperation, std::string> edit;
    } edits[] = {
        {"scale", " -12.5 ", EditOperation{EditKind::Scale, -12.5}},
        {"smooth", " ", EditOperation{EditKind::Smooth}},
        {"set", "0", "set takes a VE, 1 to 32767, not '0'"},
        {"add", "2.5", "add takes a whole number, not '2.5'"},
        {"scale", "x", "scale takes a percentage, not 'x'"},
        {"scale", "", "scale needs a percentage"},
        {"interpolate", "5", "interpolate takes no value, not '5'"},
        {"blur", "", "'blur' is no edit: set, add, scale, interpolate or smooth"},
    };
    for (const auto& e : edits) {
        SCOPED_TRACE(std::string(e.name) + " " + e.value);
        EXPECT_EQ(ParseEdit(e.name, e.value), e.edit);
    }
    const struct {
        const char* text;
        std::variant<Block, std::string> block;
    } blocks[] = {
        {"5:2,0:19", Block{2, 5, 0, 19}},
        {"3,7", Block{3, 3, 7, 7}},
        {"0:20,0:1", "'0:20,0:1' is no block: give P0:P1,R0:R1, pressure then RPM indices 0 to 19"},
        {"1:2", "'1:2' is no block: give P0:P1,R0:R1, pressure then RPM indices 0 to 19"},
    };
    for (const auto& b : blocks) {
        SCOPED_TRACE(b.text);
        EXPECT_EQ(ParseBlock(b.text), b.block);
    }
    EXPECT_TRUE(TakesValue(EditKind::Scale) && !TakesValue(EditKind::Smooth));
    EXPECT_EQ(EditLabel({EditKind::Add, -5}, {0, 3, 7, 9}), "add -5 to 4 x 3 cells");
    EXPECT_EQ(EditLabel(kInterpolate, {0, 3, 7, 9}), "interpolate 4 x 3 cells");
}
