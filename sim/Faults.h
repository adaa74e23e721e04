// The line's bad days on demand: split writes, garbage, NULs, over-long fields, cut replies.
#pragma once

#include "Options.h"
#include "Random.h"

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

namespace tvxsim {

struct Piece {
    std::string bytes;
    std::chrono::microseconds pauseBefore{0};
};

// One write per piece. Split::Random pauses up to kMaxPause before each piece.
std::vector<Piece> splitForSending(std::string_view bytes, Split mode, Random& random);
inline constexpr std::chrono::microseconds kMaxPause{3000};
inline constexpr long kMaxRandomPiece = 48;

struct RecordFaults {
    double garbage = 0; // probability per record
    bool nul = false;
    int longField = 0; // digits; 0 is off
};
inline constexpr double kNulChance = 0.1;
inline constexpr double kLongFieldChance = 0.05;

// The record and its terminator as they go on the wire, with whatever faults this record gets.
std::string corruptRecord(std::string_view record, std::string_view terminator,
                          const RecordFaults& faults, Random& random);

// One value field (never the marker) replaced by `digits` digits, the first not a zero.
std::string withLongField(std::string_view record, int digits, Random& random);

// A proper prefix of text, at least one byte long.
std::string truncated(std::string_view text, Random& random);

} // namespace tvxsim
