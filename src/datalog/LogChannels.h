// The rows of a datalog in any of its layouts (.msl, .csv, .mlg), each read for the channels its
// reader needs, one row at a time so a log of any length takes the same memory.
#pragma once

#include "common/File.h"
#include "datalog/LogFormat.h"

#include <cstddef>
#include <cstdio>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

struct LogMarker {
    double timeS = 0;
    std::string text;
};
// A reader keeps this many markers and counts no more: a log that is all markers is no drive.
inline constexpr std::size_t kMostMarkers = 10'000;

class LogChannels {
public:
    virtual ~LogChannels() = default;
    // The next row's values of the needed channels; nothing at the end or on a fault.
    virtual std::optional<std::span<const double>> next() = 0;
    // Where the row `next` returned last is: its line, or its record's number.
    virtual std::size_t line() const = 0;
    // What is wrong with that row, said with its place: "log line 7: ...", "mlg record 7: ...".
    virtual std::string rowError(const std::string& what) const = 0;
    // The last row was cut short by its writer: it ended the rows.
    virtual bool cutShort() const = 0;
    // Why the rows ended before the log did: "log has no MAP channel", ...
    virtual const std::optional<std::string>& fault() const = 0;
    // The units of the needed channel `n` as the log names them; empty when it names none or the
    // log has no header.
    virtual std::string units(std::size_t n) const = 0;
    // Rows that did not read (a ragged row, a wrong checksum) are left out and counted; the
    // rows after them are read on. The first, with its place: "log line 7: 3 fields where ...".
    virtual std::size_t skipped() const = 0;
    virtual const std::optional<std::string>& firstSkipped() const = 0;
    // The needed channels' names, every channel's when none were named.
    virtual const std::vector<std::string>& names() const = 0;
    // The markers passed so far, in order; a text log has none.
    virtual const std::vector<LogMarker>& markers() const = 0;
};

// The rows of a log file in `format`, read from where the file stands; the file is not closed
// and must outlive the rows, the names too. No names needed: every channel the log has.
std::unique_ptr<LogChannels> OpenLogChannels(std::FILE* file, LogFormat format,
                                             std::vector<std::string_view> needed);
// The same over bytes in memory, which must outlive the rows.
std::unique_ptr<LogChannels> LogChannelsOf(std::string_view bytes, LogFormat format,
                                           std::vector<std::string_view> needed);

// A log file open for its rows, in the layout its name's extension names.
struct OpenedLog {
    File file;
    std::unique_ptr<LogChannels> rows; // reads `file`, so it goes first
};
// Else why not: "drive.txt: not a datalog (.msl, .csv or .mlg)", or why the file does not open.
std::variant<OpenedLog, std::string> OpenLog(const std::string& path,
                                             std::vector<std::string_view> needed);
