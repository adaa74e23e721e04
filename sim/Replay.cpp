#include "Replay.h"

#include "common/InputFile.h"
#include "link/Readouts.h"

#include <algorithm>

namespace tvxsim {

std::variant<std::shared_ptr<ReplayFile>, std::string> ReplayFile::open(const std::string& path) {
    const std::optional<LogFormat> format = LogFormatOf(path);
    if (!format) {
        return path + ": not a datalog (.msl, .csv or .mlg)";
    }
    auto opened = OpenInputFile(path);
    if (const auto* why = std::get_if<std::string>(&opened)) {
        return *why;
    }
    std::shared_ptr<ReplayFile> replay(
        new ReplayFile(std::get<File>(std::move(opened)), *format, path));
    while (replay->next()) {
    }
    if (const auto& fault = replay->samples_->fault()) {
        return path + ": " + *fault;
    }
    if (replay->played_ == 0) {
        return path + ": the log has no rows";
    }
    replay->rows_ = replay->played_;
    replay->rewind();
    return replay;
}

ReplayFile::ReplayFile(File file, LogFormat format, std::string path)
    : file_(std::move(file)), format_(format), path_(std::move(path)) {
    rewind();
}

std::optional<LogSample> ReplayFile::next() {
    auto sample = samples_->next();
    played_ += sample ? 1 : 0;
    return sample;
}

std::optional<std::string> ReplayFile::cutShort() const {
    if (const auto& fault = samples_->fault()) {
        return path_ + ": " + *fault;
    }
    if (played_ < rows_) {
        return path_ + " ended after row " + std::to_string(played_) + " of the " +
               std::to_string(rows_) + " it held when the replay began: it changed meanwhile";
    }
    return std::nullopt;
}

void ReplayFile::rewind() {
    played_ = 0;
    samples_.reset();
    std::rewind(file_.get());
    samples_ =
        std::make_unique<LogSamples>(OpenLogChannels(file_.get(), format_, LogSamples::Channels()));
}

Replay::Replay(std::shared_ptr<ReplaySource> source, double speed, bool loop)
    : source_(std::move(source)), speed_(speed), loop_(loop), next_(source_->next()) {}

std::string Replay::take() {
    std::string record = "255";
    // The recorder printed each value this way, so a replay records again to the same text.
    for (const double value : next_->fields) {
        record += ',' + FormatGeneral(value);
    }
    lastTimeS_ = next_->timeS;
    next_ = source_->next();
    if (!next_ && loop_) {
        source_->rewind();
        next_ = source_->next();
    }
    return record;
}

std::chrono::steady_clock::duration Replay::gap() const {
    if (finished()) {
        return {};
    }
    // A day at most, so a wild timestamp cannot overflow the clock.
    const double seconds = std::clamp((next_->timeS - lastTimeS_) / speed_, 0.0, 86400.0);
    return std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        std::chrono::duration<double>(seconds));
}

} // namespace tvxsim
