// One live record as the datalog keeps it, and where the receive path hands records over.
#pragma once

#include "datalog/LiveRecord.h"
#include "table/OperatingPoint.h"

#include <cstdint>

struct LoggedRecord {
    LiveRecord record;    // as decoded
    float boostPsi = 0;   // gauge pressure, as the window shows it
    OperatingPoint point; // where the breakpoint search placed it
    std::int16_t ve = 0;  // the table's value at that point
    bool airflowInHertz = false;
};

// Told of every whole live record, shown or skipped, as it arrives, and of every cell the
// window writes to the device.
class LiveLog {
public:
    virtual ~LiveLog() = default;
    virtual void add(const LoggedRecord& entry) = 0;
    virtual void cellWritten(int cell, std::int16_t value) = 0;
    // Whether records are wanted at all; when not, none is decoded for the log.
    virtual bool listening() const = 0;
};
