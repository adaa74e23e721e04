// The Table window's work, without the window: edits of the block, pastes and restores written
// through the host's paced write, every change to the held table kept as a step of the undo
// history (its own, and those made elsewhere: a key, a file load, a tune apply), and undo and
// redo as writes of a step's cells.
#pragma once

#include "common/StatusLine.h"
#include "edit/Block.h"
#include "edit/BlockOperation.h"
#include "edit/TableHistory.h"
#include "table/TableHost.h"

#include <optional>
#include <string>

class TableEditor {
public:
    TableEditor(TableHost& host, StatusLine& status) : host_(host), status_(status) {}

    // The block's cells changed by `operation`, written; whether a write began.
    bool edit(const Block& block, const EditOperation& operation);
    // Spreadsheet text into the block from its top-left cell.
    bool paste(const Block& block, const std::string& text);
    // The block's cells (every cell, for the whole table) that differ in `from`.
    bool restore(const Block& block, const VeTable& from, const std::string& name);
    bool undo();
    bool redo();

    // Takes in changes made elsewhere as steps of their own; called as the window refreshes.
    void watch();
    // After Connect: the next table the device gives starts a new history.
    void startOver();

    const TableHistory& history() const { return history_; }

private:
    enum class Step { New, Undo, Redo };
    bool write(const CellChanges& changes, const std::string& label, Step step);

    TableHost& host_;
    StatusLine& status_;
    TableHistory history_;
    std::optional<VeTable> known_; // the held table as the history last saw it
};

// "Block: pressure 2 to 5, RPM 3 to 7 · 4 x 5 cells · min 40 · mean 45.3 · max 52".
std::string BlockSummary(const VeTable& table, const Block& block);
