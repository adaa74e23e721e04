// The virtual device itself, free of any terminal: bytes in, bytes out, on a clock it is given.
#pragma once

#include "CommandParser.h"
#include "DeviceTable.h"
#include "EngineModel.h"
#include "Faults.h"
#include "Options.h"
#include "Random.h"
#include "Replay.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tvxsim {

class Device {
public:
    using Clock = std::chrono::steady_clock;
    using TimePoint = Clock::time_point;
    using LineSink = std::function<void(const std::string&)>;

    Device(const Options& options, DeviceTable table, std::uint64_t seed);

    // Every message received, one line each; ignored input as "# ignored: ...".
    void setReceivedLog(LineSink sink) { receivedLog_ = std::move(sink); }
    // Every record and reply as generated, before faults.
    void setSentLog(LineSink sink) { sentLog_ = std::move(sink); }
    // What the user should hear of: a replay that ended early.
    void setNotices(LineSink sink) { notices_ = std::move(sink); }

    void receive(std::string_view bytes, TimePoint now);

    // The bytes to hand to one write() now; empty when nothing is due. A new record is only
    // made once everything before it has been written, so a line nobody reads holds us back
    // instead of filling memory.
    std::string_view outgoing(TimePoint now);
    // count bytes of what outgoing() returned went out.
    void wrote(std::size_t count, TimePoint now);

    // When outgoing() may next have something without new input; empty: only input will tell.
    std::optional<TimePoint> wakeAt() const;

    // A hang-up was asked for and everything before it has been written.
    bool hangUpDue() const { return hangUpPending_ && queue_.empty(); }

    bool streaming() const { return streaming_; }
    long recordsMade() const { return records_; }
    const DeviceTable& table() const { return table_; }

private:
    void act(const Command& command, TimePoint now);
    void maybeMakeRecord(TimePoint now);
    void queueReply(TimePoint now);
    void enqueue(std::string_view bytes, TimePoint now);
    bool silent() const;
    bool recordsLeft() const { return !replay_ || !replay_->finished(); }
    Clock::duration period() const;

    Options options_;
    DeviceTable table_;
    EngineModel engine_;
    Random faultRandom_;
    Random splitRandom_;
    CommandParser parser_;
    LineSink receivedLog_;
    LineSink sentLog_;
    LineSink notices_;
    std::optional<Replay> replay_;

    std::deque<Piece> queue_;
    std::size_t frontOffset_ = 0;
    TimePoint frontReadyAt_{};
    bool streaming_ = false;
    TimePoint nextRecordAt_{};
    long records_ = 0;
    bool hangUpPending_ = false;
};

} // namespace tvxsim
