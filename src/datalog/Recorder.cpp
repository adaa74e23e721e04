#include "datalog/Recorder.h"

#include <utility>

Recorder::Recorder(LogFile& file, const LogClock& clock, StatusLine& status, std::string signature)
    : file_(file), clock_(clock), status_(status), signature_(std::move(signature)) {}

std::optional<std::string> Recorder::refusal(const std::string& path) {
    if (LogFormatOf(path)) {
        return std::nullopt;
    }
    return "Not recording: " + path + " must end in .msl or .csv";
}

bool Recorder::start(const std::string& path, bool airflowInHertz) {
    if (const auto why = refusal(path)) {
        stop();
        status_.showStatus(*why);
        return false;
    }
    return start(path, *LogFormatOf(path), airflowInHertz);
}

bool Recorder::start(const std::string& path, LogFormat format, bool airflowInHertz) {
    stop();
    if (const auto error = file_.open(path)) {
        status_.showStatus("Not recording: cannot create " + path + ": " + *error);
        return false;
    }
    state_ = State::On;
    format_ = format;
    path_ = path;
    records_ = written_ = 0;
    startMs_ = lastFlushMs_ = clock_.nowMs();
    const std::string began = clock_.localDateTime();
    pending_ = HeaderText(format_, {signature_, began, airflowInHertz});
    status_.showStatus("Recording to " + path);
    kept_.reset();
    if (tableSource_) {
        kept_ = DriveTable{tableSource_(), began, {}, std::nullopt};
        keepTable();
    }
    return flush();
}

void Recorder::startWithFirstRecord(const std::string& path) {
    stop();
    state_ = State::WaitingForRecord;
    path_ = path;
}

void Recorder::add(const LoggedRecord& entry) {
    if (state_ == State::WaitingForRecord && !start(path_, entry.airflowInHertz)) {
        state_ = State::Off;
        return;
    }
    if (state_ != State::On) {
        return;
    }
    lastEventMs_ = clock_.nowMs();
    pending_ += RowText(format_, lastEventMs_ - startMs_, entry);
    ++records_;
    tick();
}

void Recorder::cellWritten(int cell, std::int16_t value) {
    if (state_ != State::On || !kept_) {
        return;
    }
    lastEventMs_ = clock_.nowMs();
    kept_->writes.push_back({static_cast<double>(lastEventMs_ - startMs_) / 1000, cell, value});
    keptChanged_ = true;
}

void Recorder::lagFound(const WidebandLag& lag) {
    if (state_ == State::On && kept_ && kept_->lag != lag) {
        kept_->lag = lag;
        keptChanged_ = true;
    }
}

void Recorder::keepTable() {
    keptChanged_ = false;
    if (const auto error = file_.keep(DriveTablePath(path_), DriveTableText(*kept_))) {
        // The log goes on: it can still be analysed against a table given by hand.
        status_.showStatus("The table of the drive could not be kept beside " + path_ + ": " +
                           *error);
        kept_.reset();
    }
}

void Recorder::tick() {
    if (state_ == State::On && clock_.nowMs() - lastFlushMs_ >= kFlushMs) {
        flush();
    }
}

void Recorder::stop() {
    if (state_ == State::On && flush()) {
        file_.close();
        status_.showStatus("Recording stopped: " + std::to_string(records_) + " records in " +
                           path_);
    }
    state_ = State::Off;
}

bool Recorder::flush() {
    lastFlushMs_ = clock_.nowMs();
    if (kept_ && keptChanged_) {
        keepTable();
    }
    if (pending_.empty()) {
        return true;
    }
    if (const auto error = file_.append(pending_)) {
        fail("cannot write " + path_, *error);
        return false;
    }
    pending_.clear();
    written_ = records_;
    return true;
}

void Recorder::fail(const std::string& what, const std::string& reason) {
    file_.close();
    pending_.clear();
    state_ = State::Off;
    status_.showStatus("Recording stopped: " + what + ": " + reason + "; " + "the file holds " +
                       std::to_string(written_) + " records");
}
