// Undo and redo: every kind of step written back exactly, redo lost to a new step, and the
// oldest steps forgotten beyond a thousand.
#include "edit/TableHistory.h"
#include "EditCases.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

void Fill(VeTable& t, std::int16_t value) {
    std::fill_n(t.begin(), kCellCount, value);
}

} // namespace

TEST(TableHistory, undoAndRedoWriteBackEveryKindOfStep) {
    const struct {
        const char* label;
        void (*change)(VeTable&);
    } steps[] = {
        {"key step", [](VeTable& t) { t[C(3, 4)] += 1; }},
        {"load base.json", [](VeTable& t) { Fill(t, 60); }},
        {"tune apply", [](VeTable& t) { t[C(3, 4)] = 90, t[C(3, 5)] = 91; }},
        {"nothing changed", [](VeTable&) {}},
        {"interpolate 4 x 3 cells", [](VeTable& t) { t[C(0, 0)] = 7, t[C(3, 4)] = 8; }},
        {"paste 3 x 4 cells", [](VeTable& t) { t[C(19, 19)] = 32767; }},
        {"restore 2026-06-01 10.20.30 downloaded", [](VeTable& t) { Fill(t, 100); }},
    };
    TableHistory history;
    std::vector<VeTable> seen(1);
    Fill(seen[0], 100);
    for (const auto& step : steps) {
        VeTable next = seen.back();
        step.change(next);
        history.record({step.label, ChangedCells(seen.back(), next)});
        if (next != seen.back()) {
            seen.push_back(next);
        }
    }
    VeTable table = seen.back();
    for (std::size_t k = seen.size() - 1; k > 0; --k) {
        ApplyChanges(table, history.undo().value().changes);
        EXPECT_EQ(table, seen[k - 1]) << "undo to " << k - 1;
    }
    EXPECT_FALSE(history.undo());
    for (std::size_t k = 1; k < seen.size(); ++k) {
        ApplyChanges(table, history.redo().value().changes);
        EXPECT_EQ(table, seen[k]) << "redo to " << k;
    }
    EXPECT_FALSE(history.redo());
}

TEST(TableHistory, aNewStepAfterUndoLosesRedo) {
    TableHistory history;
    history.record({"a", {{0, 1, 2}}});
    history.record({"b", {{0, 2, 3}}});
    history.undo();
    EXPECT_EQ(history.redoLabel(), "b");
    history.record({"c", {{1, 1, 5}}});
    EXPECT_FALSE(history.redoLabel());
    EXPECT_EQ(history.undo()->label, "c");
    EXPECT_EQ(history.undoLabel(), "a");
    history.clear();
    EXPECT_FALSE(history.undoLabel() || history.redoLabel());
}

TEST(TableHistory, theNewestThousandStepsAreKept) {
    TableHistory history;
    for (int k = 1; k <= 1003; ++k) {
        history.record({"step " + std::to_string(k), {{0, 0, static_cast<std::int16_t>(k)}}});
    }
    for (int k = 0; k < 1000; ++k) {
        ASSERT_TRUE(history.undo()) << k;
    }
    EXPECT_FALSE(history.undoLabel());
    EXPECT_EQ(history.redoLabel(), "step 4");
}
