#include "datalog/LogRows.h"

#include "common/Numbers.h"

#include <algorithm>
#include <set>

namespace {

// "MAP[PSI]" names MAP; a name without a unit is taken as it is.
std::string_view NameOf(std::string_view header) {
    const std::size_t bracket = header.find('[');
    return bracket == std::string_view::npos ? header : header.substr(0, bracket);
}

// "MAF[Hz]" has the units Hz.
std::string UnitsOf(std::string_view header) {
    const std::size_t bracket = header.find('[');
    if (bracket == std::string_view::npos || !header.ends_with(']')) {
        return "";
    }
    return std::string(header.substr(bracket + 1, header.size() - bracket - 2));
}

} // namespace

std::string LogLineError(std::size_t number, const std::string& what) {
    return "log line " + std::to_string(number) + ": " + what;
}

std::string LogRows::rowError(const std::string& what) const {
    return LogLineError(line_, what);
}

LogRows::LogRows(TextLines& lines, LogFormat format, std::vector<std::string_view> needed)
    : lines_(lines), format_(format), names_(needed.begin(), needed.end()) {
    readHeader();
}

std::optional<std::string_view> LogRows::nextLine(bool& terminated) {
    const std::optional<std::string_view> line = lines_.next(terminated);
    if (!line && lines_.fault() && !fault_) {
        const std::string& fault = *lines_.fault();
        fault_ = fault.starts_with("line ") ? "log " + fault : "the log: " + fault;
    }
    return line;
}

bool LogRows::readHeader() {
    bool terminated = false;
    std::optional<std::string_view> line = nextLine(terminated);
    // The .msl signature and capture date are quoted lines ahead of the names.
    while (format_ == LogFormat::Msl && line && line->starts_with('"')) {
        line = nextLine(terminated);
    }
    if (!line) {
        fault_ = fault_.value_or("log has no channel names");
        return false;
    }
    const std::vector<std::string_view> names = SplitFields(*line, LogSeparator(format_));
    std::set<std::string_view> seen;
    for (const std::string_view header : names) {
        const std::string_view name = NameOf(header);
        if (!name.empty() && !seen.insert(name).second) {
            fault_ = "log has the channel " + std::string(name) + " twice";
            return false;
        }
    }
    columns_ = names.size();
    if (names_.empty()) {
        for (const std::string_view header : names) {
            names_.emplace_back(NameOf(header));
        }
    }
    values_.resize(names_.size());
    for (const std::string& name : names_) {
        const auto found = std::find_if(names.begin(), names.end(),
                                        [name](std::string_view h) { return NameOf(h) == name; });
        if (found == names.end()) {
            fault_ = "log has no " + name + " channel";
            return false;
        }
        column_.push_back(static_cast<std::size_t>(found - names.begin()));
        units_.push_back(UnitsOf(*found));
    }
    if (format_ == LogFormat::Msl) {
        // A units line, unless the line holds a row: a log without one loses no row.
        if (const auto units = nextLine(terminated)) {
            const bool row = !read(*units);
            if (!row) {
                const std::vector<std::string_view> given =
                    SplitFields(*units, LogSeparator(format_));
                for (std::size_t n = 0; n < column_.size(); ++n) {
                    units_[n] = column_[n] < given.size() ? std::string(given[column_[n]]) : "";
                }
            }
            pending_ = row && terminated;
            cutShort_ = row && !terminated;
            line_ = lines_.number();
        }
    }
    return !fault_;
}

std::optional<std::string> LogRows::read(std::string_view line) {
    const std::vector<std::string_view> fields = SplitFields(line, LogSeparator(format_));
    if (fields.size() != columns_) {
        return std::to_string(fields.size()) + " fields where the names have " +
               std::to_string(columns_);
    }
    for (std::size_t n = 0; n < names_.size(); ++n) {
        const std::optional<double> value = ParseNumber(fields[column_[n]]);
        if (!value) {
            return names_[n] + " is not a number";
        }
        values_[n] = *value;
    }
    return std::nullopt;
}

std::optional<std::span<const double>> LogRows::next() {
    if (fault_ || cutShort_) {
        return std::nullopt;
    }
    if (pending_) {
        pending_ = false;
        return std::span<const double>(values_);
    }
    for (;;) {
        bool terminated = false;
        std::optional<std::string_view> line;
        while ((line = nextLine(terminated)) && line->empty()) {
        }
        if (!line) {
            return std::nullopt;
        }
        line_ = lines_.number();
        // A writer ends every row it finishes: a last line without its end was cut short,
        // however well it reads (a value cut in its last digit still does).
        if (!terminated) {
            cutShort_ = true;
            return std::nullopt;
        }
        const auto error = read(*line);
        if (!error) {
            return std::span<const double>(values_);
        }
        ++skipped_;
        if (!firstSkipped_) {
            firstSkipped_ = LogLineError(line_, *error);
        }
    }
}
