// Decides what one "read" is. Bytes arrive in arbitrary pieces; the decoding rules expect one
// whole table reply, or one whole live record, per read. Pending input is bounded.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class InputFramer {
public:
    static constexpr std::size_t kMaxPending = 16 * 1024;

    void feed(std::string_view bytes);
    void clear() { pending_.clear(); }

    // The table reply once its 441st field has ended; when the line has gone quiet, whatever is
    // pending (the parser then judges it).
    std::optional<std::string> takeTableReply(bool lineQuiet);

    // The whole live records that have arrived, oldest first, each "255" and six fields joined
    // by commas; only the newest is shown, all are logged. When the line has gone quiet and no
    // marker frames a record, everything pending is handed over as one read.
    std::vector<std::string> takeRecords(bool lineQuiet);

    std::size_t pendingSize() const { return pending_.size(); }
    std::uint64_t droppedBytes() const { return droppedBytes_; }
    std::uint64_t skippedRecords() const { return skippedRecords_; }

private:
    std::string pending_;
    std::uint64_t droppedBytes_ = 0;
    std::uint64_t skippedRecords_ = 0;
};
