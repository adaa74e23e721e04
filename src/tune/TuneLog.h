// A recorded drive as the tuning reads it: row by row, never held whole, each row with its line.
#pragma once

#include "datalog/LogFormat.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

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

// Hands each row to `take` in file order; stops at the first refusal, the log's own (named by
// its line) or `take`'s. A last line without its line end was cut short and is left out.
std::optional<std::string>
ReadTuneRows(std::string_view text, LogFormat format,
             const std::function<std::optional<std::string>(const TuneRow&)>& take);
