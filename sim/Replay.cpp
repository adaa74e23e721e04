#include "Replay.h"

#include "link/Readouts.h"

#include <algorithm>
#include <fstream>
#include <sstream>

namespace tvxsim {

std::string readReplayLog(const std::string& path, std::vector<LogSample>& rows) {
    const std::optional<LogFormat> format = LogFormatOf(path);
    if (!format) {
        return path + ": not a datalog (.msl or .csv)";
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return "cannot read " + path;
    }
    std::ostringstream text;
    text << in.rdbuf(); // an empty file reads as no text, which the reader refuses
    auto read = ReadLog(text.str(), *format);
    if (const ParseError* error = std::get_if<ParseError>(&read)) {
        return path + ": " + error->reason;
    }
    rows = std::get<std::vector<LogSample>>(std::move(read));
    return rows.empty() ? path + ": the log has no rows" : std::string();
}

Replay::Replay(std::vector<LogSample> rows, double speed, bool loop)
    : rows_(std::move(rows)), speed_(speed), loop_(loop) {}

std::string Replay::take() {
    last_ = next_;
    std::string record = "255";
    // The recorder printed each value this way, so a replay records again to the same text.
    for (const double value : rows_[next_].fields) {
        record += ',' + FormatGeneral(value);
    }
    if (++next_ == rows_.size() && loop_) {
        next_ = 0;
    }
    return record;
}

std::chrono::steady_clock::duration Replay::gap() const {
    if (finished()) {
        return {};
    }
    // A day at most, so a wild timestamp cannot overflow the clock.
    const double seconds =
        std::clamp((rows_[next_].timeS - rows_[last_].timeS) / speed_, 0.0, 86400.0);
    return std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        std::chrono::duration<double>(seconds));
}

} // namespace tvxsim
