// Live records the device sent that could not be read, said at most once a second: a flood of
// them (a wrong baud rate, a noisy line) must not bury the terminal.
#pragma once

#include "link/Protocol.h"

#include <cstdint>
#include <optional>
#include <string>

class DroppedRecords {
public:
    // A record refused at `nowMs` for `reason`; the line to print, if one is due. The first is
    // said at once, later ones as a count once a second.
    std::optional<std::string> add(const ParseError& refused, std::int64_t nowMs);
    // The count not yet said, at the end.
    std::optional<std::string> flush();

private:
    std::int64_t unsaid_ = 0;
    ParseError last_;
    std::optional<std::int64_t> saidAtMs_;
};
