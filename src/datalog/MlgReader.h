// Reads a MegaLogViewer binary log in pieces, so a log of any length takes the same memory: at
// most its header, or one block, and a piece of input.
//
// A record whose checksum is wrong is left out and counted, and reading goes on: the blocks all
// have their lengths from the header, so the next is where it would have been. What leaves the
// rest unreadable ends reading, saying what and where: a header that does not read, a block of
// an unknown type (its length is unknown), a last block cut short.
#pragma once

#include "datalog/Mlg.h"

#include <cstddef>
#include <cstdio>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

struct MlgTally {
    std::size_t records = 0; // read whole and handed out
    std::size_t markers = 0;
    std::size_t skipped = 0;                 // records left out for a wrong checksum
    std::optional<std::string> firstSkipped; // which, and where: "mlg record 12 (byte 345): ..."
    std::optional<std::string> stop;         // why reading ended before the input did
    bool cutShort = false; // the stop is a last block cut short, as a killed logger leaves
};

class MlgReader {
public:
    // Fills `into` with up to `room` bytes and says how many; 0 at the end. A failed read sets
    // `failed` and returns what it has.
    using Source = std::function<std::size_t(char* into, std::size_t room, bool& failed)>;

    // Reads the header at once.
    explicit MlgReader(Source source);
    static MlgReader Of(std::string_view bytes); // the bytes must outlive the reader
    static MlgReader Of(std::FILE* file);        // read from where it stands; not closed

    struct Record {
        double timeS;
        std::span<const double> values; // one a field, as shown: (raw + transform) * scale
    };
    struct Marker {
        double timeS;
        std::string_view text;
    };

    // Nothing when the input is no log this reads; tally().stop says why.
    const std::optional<MlgHeader>& header() const { return header_; }
    // The next record or marker, valid until the next call; nothing at the end or on a stop.
    //
    // The time adds up the blocks' timestamps, which show a wrap of their 16 bits only between
    // blocks under 0.65536 s apart. A channel named Time in seconds ("s" or "sec") gives the
    // whole wraps they cannot: those before the first record and those of a longer gap.
    std::optional<std::variant<Record, Marker>> next();
    const MlgTally& tally() const { return tally_; }

private:
    bool need(std::size_t bytes);
    bool skipTo(std::uint64_t position);
    std::string_view take(std::size_t bytes);
    std::uint64_t position() const { return consumed_ + at_; }
    void stop(std::string why);
    bool readHeader();
    bool readFields(MlgHeader& header, std::size_t count, std::uint64_t recordBytes);
    double timeOf(std::uint16_t stamp, const double* channelTime);

    Source source_;
    std::string buffer_;
    std::size_t at_ = 0;         // where the unread bytes begin in buffer_
    std::uint64_t consumed_ = 0; // input bytes before buffer_
    bool ended_ = false;
    std::optional<MlgHeader> header_;
    std::vector<std::size_t> widths_;
    std::size_t recordBytes_ = 0;
    std::optional<std::size_t> timeField_;
    std::vector<double> values_;
    std::size_t blocks_ = 0;
    // The time: the blocks' ticks added up, and the Time channel's last value with its ticks.
    std::int64_t ticks_ = 0;
    std::uint16_t lastStamp_ = 0;
    bool timed_ = false;
    std::optional<double> lastChannelTime_;
    std::int64_t lastChannelTicks_ = 0;
    MlgTally tally_;
};
