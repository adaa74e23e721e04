#include "datalog/LogLines.h"

#include "link/Protocol.h"

namespace {

// "MAP[PSI]" names MAP; a name without a unit is taken as it is.
std::string_view NameOf(std::string_view header) {
    const std::size_t bracket = header.find('[');
    return bracket == std::string_view::npos ? header : header.substr(0, bracket);
}

} // namespace

std::optional<std::string_view> LogLines::next(bool& terminated) {
    if (at >= text.size()) {
        return std::nullopt;
    }
    std::size_t end = text.find('\n', at);
    terminated = end != std::string_view::npos;
    if (!terminated) {
        end = text.size();
    }
    std::string_view line = text.substr(at, end - at);
    if (line.ends_with('\r')) {
        line.remove_suffix(1);
    }
    at = end + 1;
    ++number;
    return line;
}

std::variant<LogColumns, std::string> ReadLogHeader(LogLines& lines, LogFormat format,
                                                    const std::vector<std::string_view>& needed) {
    bool terminated = false;
    std::optional<std::string_view> line = lines.next(terminated);
    // The .msl signature and capture date are quoted lines ahead of the names.
    while (format == LogFormat::Msl && line && line->starts_with('"')) {
        line = lines.next(terminated);
    }
    if (!line) {
        return std::string("log has no channel names");
    }
    const std::vector<std::string_view> names = SplitFields(*line, LogSeparator(format));
    LogColumns columns{{}, names.size()};
    for (const std::string_view name : needed) {
        std::size_t found = names.size();
        for (std::size_t c = 0; c < names.size(); ++c) {
            if (NameOf(names[c]) == name) {
                found = c;
            }
        }
        if (found == names.size()) {
            return "log has no " + std::string(name) + " channel";
        }
        columns.column.push_back(found);
    }
    if (format == LogFormat::Msl && !lines.next(terminated)) {
        return std::string("log has no units line");
    }
    return columns;
}

std::optional<std::string> ReadLogRow(std::string_view line, LogFormat format,
                                      const LogColumns& columns,
                                      const std::vector<std::string_view>& needed,
                                      std::span<double> values) {
    const std::vector<std::string_view> fields = SplitFields(line, LogSeparator(format));
    if (fields.size() != columns.names) {
        return std::to_string(fields.size()) + " fields where the names have " +
               std::to_string(columns.names);
    }
    for (std::size_t n = 0; n < needed.size(); ++n) {
        const std::optional<double> value = ParseNumber(fields[columns.column[n]]);
        if (!value) {
            return std::string(needed[n]) + " is not a number";
        }
        values[n] = *value;
    }
    return std::nullopt;
}

std::string LogLineError(std::size_t number, const std::string& what) {
    return "log line " + std::to_string(number) + ": " + what;
}
