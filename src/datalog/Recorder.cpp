#include "datalog/Recorder.h"

#include <ctime>
#include <utility>

namespace {

std::string RoundedText(std::size_t rounded) {
    if (rounded == 0) {
        return "";
    }
    return " (" + std::to_string(rounded) + (rounded == 1 ? " value" : " values") +
           " kept with fewer digits than the device sent)";
}

} // namespace

Recorder::Recorder(LogFile& file, const LogClock& clock, StatusLine& status, std::string signature)
    : file_(file), clock_(clock), status_(status), signature_(std::move(signature)) {}

std::optional<std::string> Recorder::refusal(const std::string& path) {
    if (LogFormatOf(path)) {
        return std::nullopt;
    }
    return "Not recording: " + path + " must end in .msl, .csv or .mlg";
}

std::optional<std::string> Recorder::existing(const std::string& path, const LogFile& file) {
    for (const std::string& name : {path, DriveTablePath(path)}) {
        if (file.taken(name)) {
            return "Not recording: " + name +
                   " is there already; give --force to replace the drive once the first record "
                   "arrives";
        }
    }
    return std::nullopt;
}

bool Recorder::start(const std::string& path, bool airflowInHertz, bool replace) {
    if (const auto why = refusal(path)) {
        stop();
        status_.showStatus(*why);
        return false;
    }
    return start(path, *LogFormatOf(path), airflowInHertz, replace);
}

bool Recorder::start(const std::string& path, LogFormat format, bool airflowInHertz, bool replace) {
    stop();
    if (const auto why = replace ? std::nullopt : existing(path, file_)) {
        status_.showStatus(*why);
        return false;
    }
    if (const auto error = file_.open(path, replace)) {
        status_.showStatus("Not recording: cannot create " + path + ": " + *error);
        return false;
    }
    state_ = State::On;
    replace_ = replace;
    tableMade_ = false;
    path_ = path;
    records_ = written_ = 0;
    startMs_ = lastFlushMs_ = clock_.nowMs();
    const std::string began = clock_.localDateTime();
    encoder_.emplace(format, LogHeader{signature_, began, airflowInHertz},
                     static_cast<std::uint32_t>(std::time(nullptr)));
    pending_ = encoder_->header();
    status_.showStatus("Recording to " + path);
    kept_.reset();
    if (tableSource_) {
        kept_ = DriveTable{tableSource_(), began, {}, std::nullopt};
        if (!keepTable()) {
            return false;
        }
    }
    return flush();
}

void Recorder::startWithFirstRecord(const std::string& path, bool replace) {
    stop();
    if (const auto why = replace ? std::nullopt : existing(path, file_)) {
        status_.showStatus(*why);
        return;
    }
    state_ = State::WaitingForRecord;
    path_ = path;
    replace_ = replace;
}

void Recorder::add(const LoggedRecord& entry) {
    if (state_ == State::WaitingForRecord && !start(path_, entry.airflowInHertz, replace_)) {
        state_ = State::Off;
        return;
    }
    if (state_ != State::On) {
        return;
    }
    lastEventMs_ = clock_.nowMs();
    pending_ += encoder_->row(lastEventMs_ - startMs_, entry);
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

bool Recorder::keepTable() {
    keptChanged_ = false;
    const std::string text = DriveTableText(*kept_);
    if (text.size() > kMaxDriveTableBytes) {
        // Beyond what a kept table may hold it could no longer be read: the drive ends here,
        // whole, rather than go on without its table.
        fail("the table kept beside " + path_ + " would outgrow " +
                 std::to_string(kMaxDriveTableBytes >> 20) + " MiB",
             std::to_string(kept_->writes.size()) + " cell writes; start a new recording");
        return false;
    }
    const bool fresh = !tableMade_;
    if (const auto error = file_.keep(DriveTablePath(path_), text, fresh && !replace_)) {
        // The log goes on: it can still be analysed against a table given by hand.
        status_.showStatus("The table of the drive could not be kept beside " + path_ + ": " +
                           *error);
        kept_.reset();
        return true;
    }
    tableMade_ = true;
    return true;
}

void Recorder::tick() {
    if (state_ == State::On && clock_.nowMs() - lastFlushMs_ >= kFlushMs) {
        flush();
    }
}

void Recorder::stop() {
    if (state_ == State::On && flush()) {
        file_.close();
        if (records_ == 0) {
            discard();
            status_.showStatus("Recording stopped: no record arrived, so " + path_ +
                               " was not kept");
        } else {
            lastKept_ = path_;
            status_.showStatus("Recording stopped: " + std::to_string(records_) + " records in " +
                               path_ + RoundedText(encoder_->rounded()));
        }
    }
    state_ = State::Off;
}

std::optional<std::string> Recorder::lastDrive() const {
    return state_ == State::On ? std::optional(path_) : lastKept_;
}

void Recorder::discard() {
    file_.remove(path_);
    if (tableMade_) {
        file_.remove(DriveTablePath(path_));
    }
}

bool Recorder::flush() {
    lastFlushMs_ = clock_.nowMs();
    if (kept_ && keptChanged_ && !keepTable()) {
        return false;
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
    if (written_ == 0) {
        discard(); // nothing but a header: nothing worth keeping
        status_.showStatus("Recording stopped: " + what + ": " + reason + "; no record was " +
                           "written, so nothing was kept");
        return;
    }
    lastKept_ = path_;
    status_.showStatus("Recording stopped: " + what + ": " + reason + "; " + "the file holds " +
                       std::to_string(written_) + " records");
}
