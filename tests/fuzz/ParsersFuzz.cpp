// The number, table-reply and live-record parsers, and the framer fed the same bytes in pieces.
// Input: one byte h, then (h % 8) split points of two bytes each, then the text.
#include "FuzzPlatform.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <variant>
#include <vector>

namespace {

std::string Trimmed(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!s.empty() && blank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && blank(s.back())) {
        s.remove_suffix(1);
    }
    return std::string(s);
}

void CheckNumber(std::string_view field) {
    const std::optional<double> value = ParseNumber(field);
    const std::optional<std::int16_t> whole = ToInt16(field);
    if (!value) {
        FUZZ_REQUIRE(!whole, std::string(field));
        return;
    }
    FUZZ_REQUIRE(std::isfinite(*value), std::string(field));
    // The C library reads the same text to the same double.
    const std::string text = Trimmed(field);
    char* end = nullptr;
    const double reference = std::strtod(text.c_str(), &end);
    FUZZ_REQUIRE(end == text.c_str() + text.size() && reference == *value &&
                     std::signbit(reference) == std::signbit(*value),
                 text);
    // Nearest integer, a half to the even one, and nothing outside 16 bits.
    const double r = std::nearbyint(*value);
    if (r < -32768.0 || r > 32767.0) {
        FUZZ_REQUIRE(!whole, text);
        return;
    }
    FUZZ_REQUIRE(whole, text);
    const double off = std::fabs(*value - *whole);
    FUZZ_REQUIRE(off <= 0.5 && (off < 0.5 || *whole % 2 == 0), text);
}

// Any finite double written out in full comes back exactly, blanks and line ends around it.
void CheckRoundTrip(std::string_view bytes) {
    if (bytes.size() < sizeof(double)) {
        return;
    }
    double v = 0;
    std::memcpy(&v, bytes.data(), sizeof v);
    if (!std::isfinite(v)) {
        return;
    }
    char text[64];
    std::snprintf(text, sizeof text, " %.17g\r\n", v);
    const std::optional<double> back = ParseNumber(text);
    FUZZ_REQUIRE(back && *back == v && std::signbit(*back) == std::signbit(v), text);
}

void CheckTableReply(std::string_view text) {
    const auto parsed = ParseTableReply(text);
    const std::vector<std::string_view> fields = SplitFields(text);
    const auto* reply = std::get_if<TableReply>(&parsed);
    if (!reply) {
        bool bad = fields.size() < kTableReplyFields;
        for (int k = 0; !bad && k < kTableReplyFields; ++k) {
            bad = !ToInt16(fields[k]);
        }
        FUZZ_REQUIRE(bad, "a valid reply was refused");
        return;
    }
    FUZZ_REQUIRE(fields.size() >= kTableReplyFields, std::to_string(fields.size()));
    std::string again;
    for (int k = 0; k < kTableReplyFields; ++k) {
        const std::int16_t value = k < kTableSize ? reply->table[k] : reply->intakeType;
        FUZZ_REQUIRE(ToInt16(fields[k]) == value, "field " + std::to_string(k));
        again += std::to_string(value) + (k + 1 < kTableReplyFields ? "," : "");
    }
    const auto reparsed = ParseTableReply(again);
    const auto* second = std::get_if<TableReply>(&reparsed);
    FUZZ_REQUIRE(second && second->table == reply->table && second->intakeType == reply->intakeType,
                 "reply does not survive being written out");
}

void CheckLiveRecord(std::string_view text) {
    const auto parsed = ParseLiveRecord(text);
    const std::vector<std::string_view> fields = SplitFields(text);
    const int m = FindMarker(fields);
    FUZZ_REQUIRE(m >= 0 && m <= 5 && (m == 0 || fields[m] == "255"), std::to_string(m));
    const auto* record = std::get_if<LiveRecord>(&parsed);
    if (!record) {
        return;
    }
    FUZZ_REQUIRE(static_cast<int>(fields.size()) >= m + kLiveRecordFields, "short record read");
    const double values[] = {record->pressure,  record->rpm,     record->temperature,
                             record->wideband1, record->airflow, record->wideband2};
    for (int i = 0; i < 6; ++i) {
        const std::optional<double> field = ParseNumber(fields[m + 1 + i]);
        FUZZ_REQUIRE(field && std::isfinite(static_cast<float>(values[i])),
                     std::string(fields[m + 1 + i]));
        FUZZ_REQUIRE(static_cast<float>(*field) == static_cast<float>(values[i]),
                     std::string(fields[m + 1 + i]));
    }
}

void CheckFramedReply(const std::string& reply) {
    std::size_t commas = 0;
    for (const char c : reply) {
        commas += c == ',' ? 1 : 0;
    }
    FUZZ_REQUIRE(commas == kTableReplyFields - 1, std::to_string(commas));
    const std::string_view last = std::string_view(reply).substr(reply.rfind(',') + 1);
    FUZZ_REQUIRE(last.find_first_of("\r\n") == std::string_view::npos, "line end in field 440");
}

void CheckFramedRecord(const std::string& record) {
    const std::vector<std::string_view> fields = SplitFields(record);
    FUZZ_REQUIRE(fields.size() == kLiveRecordFields && fields[0] == "255", record);
    FUZZ_REQUIRE(record.find_first_of("\r\n") == std::string::npos, record);
}

// Feeds the text in pieces, taking after every piece; the pieces must not change the result.
void CheckFramer(const std::string& text, const std::vector<std::size_t>& splits) {
    InputFramer whole;
    whole.feed(text);
    const std::optional<std::string> wholeReply = whole.takeTableReply(false);
    InputFramer wholeRecords;
    wholeRecords.feed(text);
    const std::optional<std::string> wholeRecord = wholeRecords.takeNewestRecord(false);

    InputFramer forReply;
    InputFramer forRecords;
    std::optional<std::string> firstReply;
    std::optional<std::string> lastRecord;
    std::size_t at = 0;
    for (std::size_t i = 0; i <= splits.size(); ++i) {
        const std::size_t end = i < splits.size() ? splits[i] : text.size();
        const std::string piece = text.substr(at, end - at);
        at = end;
        forReply.feed(piece);
        forRecords.feed(piece);
        FUZZ_REQUIRE(forReply.pendingSize() <= InputFramer::kMaxPending, "");
        FUZZ_REQUIRE(forRecords.pendingSize() <= InputFramer::kMaxPending, "");
        if (!firstReply) {
            firstReply = forReply.takeTableReply(false);
            if (firstReply) {
                CheckFramedReply(*firstReply);
            }
        }
        if (std::optional<std::string> record = forRecords.takeNewestRecord(false)) {
            CheckFramedRecord(*record);
            lastRecord = std::move(record);
        }
    }
    if (text.size() <= InputFramer::kMaxPending) {
        FUZZ_REQUIRE(firstReply == wholeReply, "pieces changed the table reply");
        FUZZ_REQUIRE(lastRecord == wholeRecord,
                     "pieces changed the newest record: " + lastRecord.value_or("none") +
                         " against " + wholeRecord.value_or("none"));
    }
    // Once the line is quiet whatever is pending comes out, or a whole reply or record of it.
    if (const std::optional<std::string> rest = forReply.takeTableReply(true)) {
        FUZZ_REQUIRE(!rest->empty(), "");
    }
    if (const std::optional<std::string> rest = forRecords.takeNewestRecord(true)) {
        FUZZ_REQUIRE(!rest->empty(), "");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::size_t count = data[0] % 8;
    if (size < 1 + 2 * count) {
        return 0;
    }
    const std::string text(reinterpret_cast<const char*>(data + 1 + 2 * count),
                           size - 1 - 2 * count);
    std::vector<std::size_t> splits;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = (data[1 + 2 * i] << 8 | data[2 + 2 * i]) % (text.size() + 1);
        splits.push_back(at);
    }
    std::sort(splits.begin(), splits.end());

    CheckNumber(text);
    CheckRoundTrip(text);
    for (const std::string_view field : SplitFields(text)) {
        CheckNumber(field);
    }
    CheckTableReply(text);
    CheckLiveRecord(text);
    CheckFramer(text, splits);
    return 0;
}
