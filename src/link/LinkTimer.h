// A single-shot timer that tells the core the serial line has gone quiet, and a monotonic clock.
#pragma once

#include <cstdint>

class LinkTimer {
public:
    virtual ~LinkTimer() = default;
    // (Re)starts the timer; when it runs out the window calls Form3D::SerialQuiet_Timer.
    virtual void start(int milliseconds) = 0;
    virtual void stop() = 0;
    virtual std::int64_t nowMs() const = 0;
};
