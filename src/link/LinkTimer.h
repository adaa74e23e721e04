// A single-shot timer that tells the core the serial line has gone quiet, and a monotonic clock.
#pragma once

#include <cstdint>

// How long the line must stay quiet (or may keep talking) for each decision the link makes.
namespace quiet {
inline constexpr int kDrainMs = 50;        // the stream has stopped
inline constexpr int kDrainLimitMs = 1000; // a device still talking after this ignored "<201>"
inline constexpr int kReplyMs = 150;       // an unterminated reply has ended
inline constexpr int kRecordMs = 100;      // an unterminated record has ended
} // namespace quiet

class LinkTimer {
public:
    virtual ~LinkTimer() = default;
    // (Re)starts the timer; when it runs out the window calls Form3D::SerialQuiet_Timer.
    virtual void start(int milliseconds) = 0;
    virtual void stop() = 0;
    virtual std::int64_t nowMs() const = 0;
};
