// How the line is doing, for the status bar: records received, rejected, bytes dropped.
#pragma once

#include <cstdint>
#include <string>

struct LinkHealth {
    std::uint64_t records = 0;      // live records decoded and shown
    std::uint64_t skipped = 0;      // whole records passed over for a newer one in the same read
    std::uint64_t rejected = 0;     // framed records refused by the parser
    std::uint64_t droppedBytes = 0; // input cut to keep pending input bounded
};

// "360 rec/s · 0 rejected": records received (shown or passed over for a newer one in the same
// read) per second over the last interval, the rest since start; bytes dropped are named only
// once there are any.
std::string LinkHealthText(const LinkHealth& now, const LinkHealth& before, double seconds);
