// Undo and redo: every kind of step written back exactly, redo lost to a new step, and the
// oldest steps forgotten beyond a thousand.
#include "edit/TableHistory.h"
#include "EditCases.h"

#include <gtest/gtest.h>

#include <functional>

TEST(TableHistory, undoAndRedoWriteBackEveryKindOfStep) {
    const struct {
        const char* label;
        std::function<void(VeTable&)> change;
    } steps[] = {
        {"key step", [](VeTable& t) { t[C(3, 4)] += 1; }},
        {"load base.json",
         [](VeTable& t) {
             for (int c = 0; c < kCellCount; ++c)
                 t[c] = 50 + c % 7;
         }},
        {"tune apply", [](VeTable& t) { t[C(3, 4)] = 90, t[C(3, 5)] = 91; }},
        {"nothing changed", [](VeTable&) {}},
        {"interpolate 4 x 3 cells", [](VeTable& t) { t[C(0, 0)] = 7, t[C(3, 4)] = 8; }},
        {"paste 3 x 4 cells", [](VeTable& t) { t[C(19, 19)] = 32767; }},
        {"restore 2026-06-01 10.00.00 downloaded", [](VeTable& t) { t.fill(100); }},
    };
    TableHistory history;
    VeTable table{};
    table.fill(100);
    std::vector<VeTable> seen{table};
    for (const auto& step : steps) {
        VeTable changed = table;
        step.change(changed);
        history.record({step.label, ChangedCells(table, changed)});
        if (changed != table) {
            seen.push_back(table = changed);
        }
    }
    for (std::size_t k = seen.size() - 1; k > 0; --k) {
        SCOPED_TRACE(k);
        const auto back = history.undo();
        ASSERT_TRUE(back);
        ApplyChanges(table, back->changes);
        EXPECT_EQ(table, seen[k - 1]);
    }
    EXPECT_FALSE(history.undo());
    EXPECT_EQ(history.redoLabel(), "key step");
    for (std::size_t k = 1; k < seen.size(); ++k) {
        SCOPED_TRACE(k);
        const auto again = history.redo();
        ASSERT_TRUE(again);
        ApplyChanges(table, again->changes);
        EXPECT_EQ(table, seen[k]);
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
    EXPECT_FALSE(history.undoLabel());
    EXPECT_FALSE(history.redoLabel());
}

TEST(TableHistory, theNewestThousandStepsAreKept) {
    TableHistory history;
    for (int k = 1; k <= 1003; ++k) {
        history.record({"step " + std::to_string(k),
                        {{0, static_cast<std::int16_t>(k - 1), static_cast<std::int16_t>(k)}}});
    }
    for (int k = 0; k < 1000; ++k) {
        ASSERT_TRUE(history.undo()) << k;
    }
    EXPECT_FALSE(history.undoLabel());
    EXPECT_EQ(history.redoLabel(), "step 4");
}
