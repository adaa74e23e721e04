#include "datalog/LogReader.h"

#include "datalog/LogLines.h"

#include <algorithm>

namespace {

// The channels a replay needs, in LogSample order after the time.
const std::vector<std::string_view> kNeeded = {"Time", "MAP", "RPM", "Temp", "AFR1", "MAF", "AFR2"};

} // namespace

std::variant<std::vector<LogSample>, ParseError> ReadLog(std::string_view text, LogFormat format) {
    LogLines lines{text};
    const auto header = ReadLogHeader(lines, format, kNeeded);
    if (const auto* why = std::get_if<std::string>(&header)) {
        return ParseError{*why};
    }
    const LogColumns& columns = std::get<LogColumns>(header);

    std::vector<LogSample> samples;
    bool terminated = false;
    while (const std::optional<std::string_view> line = lines.next(terminated)) {
        if (!terminated) {
            break; // every row is written with its line end: this one was cut short
        }
        if (line->empty()) {
            continue;
        }
        std::array<double, kLiveRecordFields> values{};
        if (const auto error = ReadLogRow(*line, format, columns, kNeeded, values)) {
            return ParseError{LogLineError(lines.number, *error)};
        }
        LogSample sample{values[0], {}};
        std::copy(values.begin() + 1, values.end(), sample.fields.begin());
        samples.push_back(sample);
    }
    return samples;
}
