// A recorded drive as the tuning reads it: row by row, never held whole, each row with its line.
#pragma once

#include "common/TextLines.h"
#include "datalog/LogChannels.h"
#include "datalog/LogFormat.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>

struct TuneRow {
    std::size_t line = 0;
    double timeS = 0;
    double rpm = 0;
    double pressurePsi = 0; // absolute
    double tempF = 0;
    double afr1 = 0;
    double afr2 = 0;
    int pressureIndex = 0; // the cell the window found, and its value then
    int rpmIndex = 0;
    double ve = 0;
};

struct TuneRowsEnd {
    std::optional<std::string> refusal; // the log's own (named by its line) or `take`'s
    bool cutShort = false;              // the last row was cut short by its writer
};

// The channels a row is read from, for the rows handed in.
const std::vector<std::string_view>& TuneChannels();

// Hands each row to `take` in file order; stops at the first refusal.
TuneRowsEnd ReadTuneRows(LogChannels& rows,
                         const std::function<std::optional<std::string>(const TuneRow&)>& take);
TuneRowsEnd ReadTuneRows(TextLines& lines, LogFormat format,
                         const std::function<std::optional<std::string>(const TuneRow&)>& take);
