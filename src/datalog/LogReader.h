// Reads a datalog back (.msl or .csv, as written here) into what a replay streams.
#pragma once

#include "datalog/LogFormat.h"
#include "link/Protocol.h"

#include <array>
#include <string_view>
#include <variant>
#include <vector>

// One row's time and the six live-record values in the order the device sends them:
// absolute pressure, RPM, temperature, wideband 1, airflow output, wideband 2.
struct LogSample {
    double timeS = 0;
    std::array<double, kLiveRecordFields - 1> fields{};
};

// Every row, in file order. A last line without its line end was cut short by the writer
// being killed, perhaps inside a number, and is left out.
std::variant<std::vector<LogSample>, ParseError> ReadLog(std::string_view text, LogFormat format);
