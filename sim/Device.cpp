#include "Device.h"

#include "LiveRecord.h"
#include "model/AfrTarget.h"

#include <algorithm>

namespace tvxsim {

Device::Device(const Options& options, DeviceTable table, std::uint64_t seed)
    : options_(options), table_(std::move(table)),
      engine_(EngineSetupOf(options, table_.values()), table_.values(), seed),
      // Separate streams, so turning a fault on does not change the engine's readings.
      faultRandom_(seed ^ 0x6661756C74ULL), splitRandom_(seed ^ 0x73706C6974ULL) {
    if (options_.replay) {
        replay_.emplace(options_.replay, options_.speed, options_.loop);
    }
}

void Device::receive(std::string_view bytes, TimePoint now) {
    for (const Received& received : parser_.feed(bytes)) {
        if (receivedLog_) {
            receivedLog_(received.command ? received.text
                                          : "# ignored: " + printable(received.text));
        }
        if (received.command) {
            act(*received.command, now);
        }
    }
}

void Device::act(const Command& command, TimePoint now) {
    switch (command.kind) {
    case Command::Kind::StopStream:
        // Whatever is already queued still goes out, as from a real UART.
        streaming_ = false;
        break;
    case Command::Kind::StartStream:
        if (!streaming_) {
            streaming_ = true;
            nextRecordAt_ = now;
        }
        break;
    case Command::Kind::SendTable:
        queueReply(now);
        break;
    case Command::Kind::SetIntake:
        table_.setIntakeType(command.intake);
        break;
    case Command::Kind::WriteCell:
        table_.writeCell(command.index, static_cast<std::int16_t>(command.value));
        break;
    }
}

bool Device::silent() const {
    return hangUpPending_ || (options_.stallAfter && records_ >= *options_.stallAfter);
}

Device::Clock::duration Device::period() const {
    return std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(options_.rateMax ? 0.0 : 1.0 / options_.rate));
}

void Device::queueReply(TimePoint now) {
    if (silent()) {
        return;
    }
    if (!options_.replyText.empty()) {
        enqueue(options_.replyText, now);
        return;
    }
    const std::string reply = table_.reply();
    if (sentLog_) {
        sentLog_(reply);
    }
    if (options_.hangupInReply) {
        hangUpPending_ = true;
        enqueue(truncated(reply, faultRandom_), now);
    } else if (options_.truncateReply) {
        enqueue(truncated(reply, faultRandom_), now);
    } else {
        enqueue(reply + std::string(terminatorText(options_.terminator)), now);
    }
}

void Device::maybeMakeRecord(TimePoint now) {
    if (!streaming_ || !queue_.empty() || silent() || now < nextRecordAt_ || !recordsLeft()) {
        return;
    }
    // Model time advances by the nominal period, so a seed gives the same readings at any pace.
    const double dt = options_.rateMax ? 0.002 : 1.0 / options_.rate;
    if (!options_.streamText.empty()) {
        enqueue(options_.streamText, now);
        ++records_;
        nextRecordAt_ = std::max(nextRecordAt_ + period(), now);
        return;
    }
    const std::string record =
        replay_ ? replay_->take()
                : formatRecord(engine_.step(dt, table_.values(), table_.intakeType()));
    if (sentLog_) {
        sentLog_(record);
    }
    if (replay_ && replay_->finished() && notices_) {
        if (const auto why = replay_->cutShort()) {
            notices_(*why);
        }
    }
    const RecordFaults faults{options_.garbage, options_.nul, options_.longField};
    enqueue(corruptRecord(record, terminatorText(options_.terminator), faults, faultRandom_), now);
    ++records_;
    if (options_.hangupAfter && records_ >= *options_.hangupAfter) {
        hangUpPending_ = true;
    }
    // After a hold-up (nobody reading) carry on at the pace rather than burst to catch up.
    const Clock::duration gap = replay_ ? replay_->gap() : period();
    nextRecordAt_ += gap;
    if (nextRecordAt_ < now) {
        nextRecordAt_ = now + gap;
    }
}

void Device::enqueue(std::string_view bytes, TimePoint now) {
    const bool wasEmpty = queue_.empty();
    for (Piece& piece : splitForSending(bytes, options_.split, splitRandom_)) {
        queue_.push_back(std::move(piece));
    }
    if (wasEmpty && !queue_.empty()) {
        frontOffset_ = 0;
        frontReadyAt_ = now + queue_.front().pauseBefore;
    }
}

std::string_view Device::outgoing(TimePoint now) {
    maybeMakeRecord(now);
    if (queue_.empty() || now < frontReadyAt_) {
        return {};
    }
    return std::string_view(queue_.front().bytes).substr(frontOffset_);
}

void Device::wrote(std::size_t count, TimePoint now) {
    if (queue_.empty()) {
        return;
    }
    frontOffset_ += count;
    if (frontOffset_ >= queue_.front().bytes.size()) {
        queue_.pop_front();
        frontOffset_ = 0;
        if (!queue_.empty()) {
            frontReadyAt_ = now + queue_.front().pauseBefore;
        }
    }
}

std::optional<Device::TimePoint> Device::wakeAt() const {
    if (!queue_.empty()) {
        return frontReadyAt_;
    }
    if (streaming_ && !silent() && recordsLeft()) {
        return nextRecordAt_;
    }
    return std::nullopt;
}

} // namespace tvxsim
