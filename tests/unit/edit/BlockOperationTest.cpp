// Edits of a block worked by hand: interpolation in the breakpoints' values, smoothing from the
// table as it was, rounding of halves, and refusals that change nothing.
#include "edit/BlockOperation.h"
#include "EditCases.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

struct Case {
    const char* what;
    EditOperation edit;
    Block block;
    std::vector<std::pair<int, std::int16_t>> entries; // over a table of 100s
    std::variant<CellChanges, std::string> result;
    bool breakpoints = true;
};

// Uneven on purpose: pressure 10, 12, 20 then 23, 24, 25 ...; RPM 10, 30, 40 then 55, 60 ...
TableFile Uneven() {
    constexpr int kPressure[] = {10, 12, 20}, kRpm[] = {10, 30, 40};
    TableFile file{{}, true, std::nullopt};
    file.table.fill(100);
    for (int k = 0; k < kLatticeSize; ++k) {
        file.table[kPressureBase + k] = static_cast<std::int16_t>(k < 3 ? kPressure[k] : 20 + k);
        file.table[kRpmBase + k] = static_cast<std::int16_t>(k < 3 ? kRpm[k] : 40 + 5 * k);
    }
    return file;
}

void Expect(const Case& c) {
    SCOPED_TRACE(c.what);
    TableFile file = Uneven();
    file.hasBreakpoints = c.breakpoints;
    for (const auto& [entry, value] : c.entries) {
        file.table[entry] = value;
    }
    EXPECT_EQ(EditChanges(file, c.block, c.edit), c.result);
}

constexpr EditOperation kInterpolate{EditKind::Interpolate};
constexpr EditOperation kSmooth{EditKind::Smooth};

} // namespace

TEST(BlockOperation, interpolationFollowsTheBreakpointsNotThePositions) {
    const Case cases[] = {
        // u = (12 - 10) / (20 - 10) = 0.2 across, v = (30 - 10) / (40 - 10) = 2/3 down; by
        // position the middle would be 150, 200, 275, 350, 400.
        {"3 x 3",
         kInterpolate,
         {0, 2, 0, 2},
         {{C(0, 0), 100}, {C(2, 0), 200}, {C(0, 2), 300}, {C(2, 2), 500}},
         CellChanges{{C(0, 1), 100, 233},   // 100 + 2/3 x 200 = 233.3
                     {C(1, 0), 100, 120},   // 100 + 0.2 x 100
                     {C(1, 1), 100, 267},   // 0.8/3 x 100 + 0.2/3 x 200 + 1.6/3 x 300 + 0.4/3 x 500
                     {C(1, 2), 100, 340},   // 300 + 0.2 x 200
                     {C(2, 1), 100, 400}}}, // 200 + 2/3 x 300
        {"one row", kInterpolate, {0, 2, 5, 5}, {{C(2, 5), 150}}, CellChanges{{C(1, 5), 100, 110}}},
        {"one column",
         kInterpolate,
         {7, 7, 0, 2},
         {{C(7, 0), 40}},
         CellChanges{{C(7, 1), 100, 80}}}, // 40 + 2/3 x 60
        {"one cell", kInterpolate, {4, 4, 4, 4}, {{C(4, 4), 7}}, CellChanges{}},
    };
    for (const Case& c : cases) {
        Expect(c);
    }
}

TEST(BlockOperation, smoothingTakesAQuarterFromTheNeighboursAsTheTableWas) {
    const Case cases[] = {
        // (1, 0) from the old 200 at (0, 0): (140 x 3 + 112) / 4, not 131.75 from the new 175.
        {"the corner at 0, 0",
         kSmooth,
         {0, 1, 0, 1},
         {{C(0, 0), 200}, {C(1, 0), 140}, {C(0, 1), 60}},
         CellChanges{{C(0, 0), 200, 175},   // 3 neighbours, mean 100
                     {C(0, 1), 60, 77},     // 5, mean 128
                     {C(1, 0), 140, 133},   // 5, mean 112
                     {C(1, 1), 100, 103}}}, // 8, mean 112.5
        {"the corner at 19, 19",
         kSmooth,
         {19, 19, 18, 19},
         {{C(19, 19), 180}},
         CellChanges{{C(19, 18), 100, 104}, {C(19, 19), 180, 160}}},
    };
    for (const Case& c : cases) {
        Expect(c);
    }
}

TEST(BlockOperation, resultsRoundHalvesAwayFromZero) {
    const Block one{10, 10, 10, 10};
    const Case cases[] = {
        {"13 less 50%",
         {EditKind::Scale, -50},
         one,
         {{C(10, 10), 13}},
         CellChanges{{C(10, 10), 13, 7}}},
        {"45 less 30%",
         {EditKind::Scale, -30},
         one,
         {{C(10, 10), 45}},
         CellChanges{{C(10, 10), 45, 32}}},
        {"halfway from 10 to 15",
         kInterpolate,
         {3, 5, 10, 10},
         {{C(3, 10), 10}, {C(5, 10), 15}},
         CellChanges{{C(4, 10), 100, 13}}},
        {"100 by a mean of 102",
         kSmooth,
         one,
         {{C(11, 10), 116}},
         CellChanges{{C(10, 10), 100, 101}}},
        {"13 less 150%",
         {EditKind::Scale, -150},
         one,
         {{C(10, 10), 13}},
         "the cell at pressure index 10, RPM index 10 would be -7; a VE is 1 to 32767"},
    };
    for (const Case& c : cases) {
        Expect(c);
    }
}

TEST(BlockOperation, anEditIsMadeWholeOrRefusedWhole) {
    const Case cases[] = {
        {"cells already at the value are left out",
         {EditKind::Set, 100},
         {0, 1, 0, 1},
         {{C(1, 1), 90}},
         CellChanges{{C(1, 1), 90, 100}}},
        // By the grid's rows (3, 7) would come first; by index (2, 9) does.
        {"the first cell below 1 by index",
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
    };
    for (const Case& c : cases) {
        Expect(c);
    }
}

TEST(BlockOperation, editsAndBlocksReadFromText) {
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
}
