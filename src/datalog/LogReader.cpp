#include "datalog/LogReader.h"

#include <optional>
#include <string>

namespace {

// The channels a replay needs, in LogSample order after the time.
constexpr std::array<std::string_view, 7> kNeeded = {"Time", "MAP", "RPM", "Temp",
                                                     "AFR1", "MAF", "AFR2"};

struct Lines {
    std::string_view text;
    std::size_t at = 0;
    std::size_t number = 0;

    // The next line without its line end; nothing at the end of the text.
    std::optional<std::string_view> next(bool& terminated) {
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
};

// "MAP[PSI]" names MAP; a name without a unit is taken as it is.
std::string_view NameOf(std::string_view header) {
    const std::size_t bracket = header.find('[');
    return bracket == std::string_view::npos ? header : header.substr(0, bracket);
}

std::string LineError(std::size_t number, const std::string& what) {
    return "log line " + std::to_string(number) + ": " + what;
}

} // namespace

std::variant<std::vector<LogSample>, ParseError> ReadLog(std::string_view text, LogFormat format) {
    const char separator = format == LogFormat::Msl ? '\t' : ',';
    Lines lines{text};
    bool terminated = false;
    std::optional<std::string_view> line = lines.next(terminated);
    // The .msl signature and capture date are quoted lines ahead of the names.
    while (format == LogFormat::Msl && line && line->starts_with('"')) {
        line = lines.next(terminated);
    }
    if (!line) {
        return ParseError{"log has no channel names"};
    }
    const std::vector<std::string_view> names = SplitFields(*line, separator);
    std::array<std::size_t, kNeeded.size()> column{};
    for (std::size_t n = 0; n < kNeeded.size(); ++n) {
        column[n] = names.size();
        for (std::size_t c = 0; c < names.size(); ++c) {
            if (NameOf(names[c]) == kNeeded[n]) {
                column[n] = c;
            }
        }
        if (column[n] == names.size()) {
            return ParseError{"log has no " + std::string(kNeeded[n]) + " channel"};
        }
    }
    if (format == LogFormat::Msl && !lines.next(terminated)) {
        return ParseError{"log has no units line"};
    }

    std::vector<LogSample> samples;
    while ((line = lines.next(terminated))) {
        if (!terminated) {
            break; // every row is written with its line end: this one was cut short
        }
        if (line->empty()) {
            continue;
        }
        const std::vector<std::string_view> fields = SplitFields(*line, separator);
        std::optional<std::string> error;
        LogSample sample;
        if (fields.size() != names.size()) {
            error = std::to_string(fields.size()) + " fields where the names have " +
                    std::to_string(names.size());
        }
        for (std::size_t n = 0; !error && n < kNeeded.size(); ++n) {
            const std::optional<double> value = ParseNumber(fields[column[n]]);
            if (!value) {
                error = std::string(kNeeded[n]) + " is not a number";
            } else if (n == 0) {
                sample.timeS = *value;
            } else {
                sample.fields[n - 1] = *value;
            }
        }
        if (error) {
            return ParseError{LineError(lines.number, *error)};
        }
        samples.push_back(sample);
    }
    return samples;
}
