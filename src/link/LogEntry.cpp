#include "link/LogEntry.h"

#include "link/Readouts.h"

LoggedRecord LogEntryOf(const LiveRecord& record, const VeTable& table, OperatingPoint kept,
                        bool airflowInHertz) {
    const LiveReading reading = ReadingOf(record);
    const OperatingPoint point =
        FindOperatingPoint(table, reading.rpm, AbsolutePsi(reading.gaugePsi), kept);
    return {record, reading.gaugePsi, point, table[CellIndex(point.pressureIndex, point.rpmIndex)],
            airflowInHertz};
}
