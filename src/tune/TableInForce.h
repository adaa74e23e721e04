// The device's table as it stood at any moment of a drive: the table the recording began with,
// and every cell write made since, each from its time on.
#pragma once

#include "datalog/DriveTable.h"

#include <vector>

class TableInForce {
public:
    TableInForce(const VeTable& start, std::vector<CellWrite> writes);

    // The table at `timeS`. Asked in rising time it costs only the writes passed; an earlier time
    // than the last write applied starts again from the beginning.
    const VeTable& at(double timeS);
    // With every write applied: the table the drive ended with.
    VeTable last() const;
    // How many writes the table last asked for has taken.
    std::size_t applied() const { return applied_; }
    // Whether the cell held `value` at `timeS` or within `slackS` before it: a record and a
    // write in the same millisecond of the log's clock may come in either order.
    bool held(int cell, double value, double timeS, double slackS);
    // A write made since, later than every one before it.
    void add(const CellWrite& write) { writes_.push_back(write); }

private:
    VeTable start_;
    std::vector<CellWrite> writes_;
    VeTable now_;
    std::size_t applied_ = 0;
    std::vector<std::int16_t> before_; // each applied write's cell before it
};
