// The shared grammar of a datalog's text: its lines, its header and its channel names, for the
// replay's reader and the tuning's alike.
#pragma once

#include "datalog/LogFormat.h"

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

struct LogLines {
    std::string_view text;
    std::size_t at = 0;
    std::size_t number = 0;

    // The next line without its line end; nothing at the end of the text. `terminated` says
    // whether it had its line end: a last line without one was cut short by the writer.
    std::optional<std::string_view> next(bool& terminated);
};

inline char LogSeparator(LogFormat format) {
    return format == LogFormat::Msl ? '\t' : ',';
}

// Past the header to the first row: the column of each of `needed` and the count of names, or
// why the log has none.
struct LogColumns {
    std::vector<std::size_t> column; // in the order of `needed`
    std::size_t names = 0;
};
std::variant<LogColumns, std::string> ReadLogHeader(LogLines& lines, LogFormat format,
                                                    const std::vector<std::string_view>& needed);

// One row's values of the needed channels, in their order; else what is wrong with it.
std::optional<std::string> ReadLogRow(std::string_view line, LogFormat format,
                                      const LogColumns& columns,
                                      const std::vector<std::string_view>& needed,
                                      std::span<double> values);

std::string LogLineError(std::size_t number, const std::string& what);
