#include "datalog/LogReader.h"

#include <algorithm>

namespace {

// The channels a replay needs, in LogSample order after the time.
const std::vector<std::string_view> kNeeded = {"Time", "MAP", "RPM", "Temp", "AFR1", "MAF", "AFR2"};

} // namespace

const std::vector<std::string_view>& LogSamples::Channels() {
    return kNeeded;
}

std::optional<LogSample> LogSamples::next() {
    const auto values = rows_->next();
    if (!values) {
        return std::nullopt;
    }
    LogSample sample{(*values)[0], {}};
    std::copy(values->begin() + 1, values->end(), sample.fields.begin());
    return sample;
}

std::variant<std::vector<LogSample>, std::string> ReadLog(std::string_view bytes,
                                                          LogFormat format) {
    LogSamples samples(LogChannelsOf(bytes, format, kNeeded));
    std::vector<LogSample> rows;
    while (const auto sample = samples.next()) {
        rows.push_back(*sample);
    }
    if (samples.fault()) {
        return *samples.fault();
    }
    return rows;
}
