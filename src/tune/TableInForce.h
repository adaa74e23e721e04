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

private:
    VeTable start_;
    std::vector<CellWrite> writes_;
    VeTable now_;
    std::size_t applied_ = 0;
};
