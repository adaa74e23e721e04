// Undo and redo of the window's changes to the device's table. Undo and redo move along the
// history rather than adding to it, as in any editor: Ctrl+Z twice goes back two steps, and
// redo is lost only when a new change is made after an undo.
#pragma once

#include "table/CellChange.h"

#include <cstddef>
#include <deque>
#include <optional>
#include <string>

struct HistoryStep {
    std::string label; // "interpolate 4 x 3 cells", "load base.json"
    CellChanges changes;
};

class TableHistory {
public:
    // Beyond this the oldest step is forgotten; a step of 400 cells is 3 KB.
    static constexpr std::size_t kMaxSteps = 1000;

    // A change the window made: a key step, a file load, a tune apply, an edit, a paste, a
    // restore. One with no changed cells is no step. Any steps undone are forgotten.
    void record(HistoryStep step);

    // What Undo and Redo would do, for their menu items; nothing when there is none.
    std::optional<std::string> undoLabel() const;
    std::optional<std::string> redoLabel() const;

    // The step to write: undo's changes run back (before and after swapped), so that writing
    // each change's after value restores what the step replaced; redo's as they were first made.
    std::optional<HistoryStep> undo();
    std::optional<HistoryStep> redo();

    // A new history, for a new table (Connect).
    void clear();

private:
    std::deque<HistoryStep> steps_;
    std::size_t done_ = 0; // steps_[0, done_) are in the table; the rest were undone
};
