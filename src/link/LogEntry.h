// A live record as the datalog keeps it: with the operating point the window finds for it.
#pragma once

#include "datalog/LoggedRecord.h"
#include "table/VeTable.h"

// A record with the point the breakpoint search finds for it (an axis it passes no breakpoint
// of keeps `kept`'s index) and the table's value there.
LoggedRecord LogEntryOf(const LiveRecord& record, const VeTable& table, OperatingPoint kept,
                        bool airflowInHertz);
