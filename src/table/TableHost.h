// What live tuning and the Table window need of the main window, and nothing more: the table it
// holds, a paced write of many cells, and where the engine runs.
#pragma once

#include "table/CellChange.h"
#include "table/TableBackup.h"
#include "table/TableFormats.h"

#include <optional>
#include <string>
#include <vector>

class TableHost {
public:
    virtual ~TableHost() = default;
    // With its breakpoints and intake type once the device gave them.
    virtual TableFile heldTable() const = 0;
    // The table kept first as `kind`, then each cell written as a key edit writes it, paced by
    // writeCellsTick; why nothing was begun, or nothing.
    virtual std::optional<std::string> writeCells(std::vector<CellValue> cells, BackupKind kind,
                                                  CellsDone done) = 0;
    virtual void writeCellsTick() = 0;
    virtual bool writingCells() const = 0;
    // While a Connect waits for the device's table.
    virtual bool awaitingTable() const = 0;
    // The cell the engine runs in, while live data flows.
    virtual std::optional<int> engineCell() const = 0;
};
