// The shared grammar of a datalog's text, for the replay's reader and the tuning's alike: its
// header and channel names, then its rows, read line by line so a log of any length takes the
// same memory.
#pragma once

#include "common/TextLines.h"
#include "datalog/LogChannels.h"
#include "datalog/LogFormat.h"

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class LogRows final : public LogChannels {
public:
    // Reads the header at once; fault() says why the log has none. `needed` names the channels
    // each row is read for, in their order (none: all of them).
    LogRows(TextLines& lines, LogFormat format, std::vector<std::string_view> needed);

    // The next row's values of the needed channels; nothing at the end or on a fault. A last line
    // without its line end was cut short by its writer: it ends the rows, and cutShort() says so.
    std::optional<std::span<const double>> next() override;

    std::size_t line() const override { return line_; }
    std::string rowError(const std::string& what) const override;
    bool cutShort() const override { return cutShort_; }
    // "log line 7: 3 fields where the names have 11", "log has no MAP channel", ...
    const std::optional<std::string>& fault() const override { return fault_; }
    std::string units(std::size_t n) const override { return n < units_.size() ? units_[n] : ""; }
    std::size_t skipped() const override { return skipped_; }
    const std::optional<std::string>& firstSkipped() const override { return firstSkipped_; }
    const std::vector<std::string>& names() const override { return names_; }
    const std::vector<LogMarker>& markers() const override { return markers_; }

private:
    std::optional<std::string_view> nextLine(bool& terminated);
    bool readHeader();
    // The row's values into values_; else what is wrong with it.
    std::optional<std::string> read(std::string_view line);

    TextLines& lines_;
    LogFormat format_;
    std::vector<std::string> names_;
    std::vector<LogMarker> markers_;  // none in a text log
    std::vector<std::size_t> column_; // of each needed channel
    std::vector<std::string> units_;  // of each needed channel
    std::size_t columns_ = 0;
    std::vector<double> values_;
    bool pending_ = false; // the line after the names was a row, not units: values_ hold it
    std::size_t line_ = 0;
    bool cutShort_ = false;
    std::optional<std::string> fault_;
    std::size_t skipped_ = 0;
    std::optional<std::string> firstSkipped_;
};

inline char LogSeparator(LogFormat format) {
    return format == LogFormat::Msl ? '\t' : ',';
}

std::string LogLineError(std::size_t number, const std::string& what);
