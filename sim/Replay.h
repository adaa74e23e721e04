// A recorded datalog played back as live records, at its recorded pace over a speed factor.
#pragma once

#include "common/File.h"
#include "datalog/LogReader.h"

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <variant>

namespace tvxsim {

// Where a replay's rows come from; from the first again when it loops.
class ReplaySource {
public:
    virtual ~ReplaySource() = default;
    virtual std::optional<LogSample> next() = 0; // nothing after the last
    virtual void rewind() = 0;
    // Once next() gave nothing: why the rows ended before the last, or nothing.
    virtual std::optional<std::string> cutShort() const { return std::nullopt; }
};

// A log file read as it plays, so a log of any length takes the same memory.
class ReplayFile final : public ReplaySource {
public:
    // Read through once at start-up, so a log that cannot be played is refused before anything
    // is sent; else why not, naming the path.
    static std::variant<std::shared_ptr<ReplayFile>, std::string> open(const std::string& path);

    std::optional<LogSample> next() override;
    void rewind() override;
    std::optional<std::string> cutShort() const override;

private:
    ReplayFile(File file, LogFormat format, std::string path);

    File file_;
    LogFormat format_;
    std::string path_;
    std::size_t rows_ = 0; // as read through at start-up
    std::size_t played_ = 0;
    std::unique_ptr<LogSamples> samples_;
};

class Replay {
public:
    // speed > 0.
    Replay(std::shared_ptr<ReplaySource> source, double speed, bool loop);

    // Past the last row and not looping: the stream has nothing more to send.
    bool finished() const { return !next_; }
    // Why the rows ended early (the file changed while it played), once finished.
    std::optional<std::string> cutShort() const { return source_->cutShort(); }

    // The next row as a live record without terminator, in the log's own digits.
    std::string take();

    // How long after the row take() returned the next one is due; a row recorded earlier than
    // its predecessor (and the jump back to the first row) is due at once.
    std::chrono::steady_clock::duration gap() const;

private:
    std::shared_ptr<ReplaySource> source_;
    double speed_;
    bool loop_;
    std::optional<LogSample> next_;
    double lastTimeS_ = 0;
};

} // namespace tvxsim
