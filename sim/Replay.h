// A recorded datalog played back as live records, at its recorded pace over a speed factor.
#pragma once

#include "datalog/LogReader.h"

#include <chrono>
#include <string>
#include <vector>

namespace tvxsim {

// The rows of the .msl or .csv log at path; an error text when it cannot be replayed.
std::string readReplayLog(const std::string& path, std::vector<LogSample>& rows);

class Replay {
public:
    // rows must not be empty; speed > 0.
    Replay(std::vector<LogSample> rows, double speed, bool loop);

    // Past the last row and not looping: the stream has nothing more to send.
    bool finished() const { return next_ >= rows_.size(); }

    // The next row as a live record without terminator, in the log's own digits.
    std::string take();

    // How long after the row take() returned the next one is due; a row recorded earlier than
    // its predecessor (and the jump back to the first row) is due at once.
    std::chrono::steady_clock::duration gap() const;

private:
    std::vector<LogSample> rows_;
    double speed_;
    bool loop_;
    std::size_t next_ = 0;
    std::size_t last_ = 0;
};

} // namespace tvxsim
