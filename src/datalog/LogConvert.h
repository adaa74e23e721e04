// A datalog from one layout into another: text to the binary log, with the steps that keep
// every digit the text holds, or the binary log to text.
#pragma once

#include "datalog/LogChannels.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <variant>

struct ConvertedLog {
    std::string bytes;
    std::size_t rows = 0;
    bool cutShort = false; // the log's last row was cut short by its writer and left out
};

// `open` gives the log's rows from their start each time it is called: the binary log's steps
// are found in a first reading. `info` goes in the header. Else why the log does not convert.
std::variant<ConvertedLog, std::string> ConvertLog(
    const std::function<std::unique_ptr<LogChannels>(const std::vector<std::string_view>&)>& open,
    LogFormat to, int mlgVersion, const std::string& info);
