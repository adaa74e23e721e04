// After "<201>" the line must fall quiet before "<121>" goes, so the tail of a stream that was
// running is never taken for the table. Shared by the window's Connect and tvxctl's download.
#pragma once

#include "link/LinkTimer.h"

#include <cstdint>

inline constexpr const char* kKeptStreamingText =
    "The device kept streaming after <201>; table not requested";

class StreamDrain {
public:
    // "<201>" has gone and what was waiting is discarded; the caller waits quiet::kDrainMs.
    void start(std::int64_t nowMs) {
        active_ = true;
        deadline_ = nowMs + quiet::kDrainLimitMs;
    }
    bool active() const { return active_; }

    enum class Next { KeepWaiting, WaitAgain, GiveUp };
    // Input (read and discarded) while draining: wait kDrainMs again for quiet, or, past the
    // limit, give up; a device that ignored "<201>" cannot be asked for its table.
    Next onInput(std::int64_t nowMs, bool gotBytes) {
        if (nowMs >= deadline_) {
            active_ = false;
            return Next::GiveUp;
        }
        return gotBytes ? Next::WaitAgain : Next::KeepWaiting;
    }
    // The line stayed quiet for kDrainMs (or the link went away): "<121>" may go.
    void stop() { active_ = false; }

private:
    bool active_ = false;
    std::int64_t deadline_ = 0;
};
