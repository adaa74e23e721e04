#include "DroppedRecords.h"

namespace {

constexpr std::int64_t kSayEveryMs = 1000;

} // namespace

std::optional<std::string> DroppedRecords::add(const ParseError& refused, std::int64_t nowMs) {
    last_ = refused;
    if (!saidAtMs_) {
        saidAtMs_ = nowMs;
        return DroppedRecordText(refused);
    }
    ++unsaid_;
    if (nowMs - *saidAtMs_ < kSayEveryMs) {
        return std::nullopt;
    }
    saidAtMs_ = nowMs;
    return flush();
}

std::optional<std::string> DroppedRecords::flush() {
    if (unsaid_ == 0) {
        return std::nullopt;
    }
    const std::string count = std::to_string(unsaid_);
    unsaid_ = 0;
    return "Dropped " + count + (count == "1" ? " more record" : " more records") +
           " (the last: " + last_.reason + ")";
}
