// The number, table-reply and live-record parsers on any text, and the framer fed that text
// whole and in pieces. Input: one byte h, then (h % 8) cut points of two bytes each, the text.
#include "FuzzCheck.h"
#include "link/InputFramer.h"
#include "link/Protocol.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <variant>
#include <vector>

namespace {

void CheckNumber(std::string_view field) {
    const std::optional<double> value = ParseNumber(field);
    const std::optional<std::int16_t> whole = ToInt16(field);
    FUZZ_REQUIRE(!value || std::isfinite(*value));
    FUZZ_REQUIRE(!whole || (value && std::fabs(*value - *whole) <= 0.5));
}

struct Framed {
    std::optional<std::string> reply;  // the first one taken
    std::optional<std::string> record; // the last one taken
};

// Feeds the pieces ending at each cut, taking a reply and a record after every one.
Framed Frame(std::string_view text, const std::vector<std::size_t>& cuts) {
    InputFramer forReply;
    InputFramer forRecords;
    Framed out;
    std::size_t at = 0;
    for (const std::size_t cut : cuts) {
        forReply.feed(text.substr(at, cut - at));
        forRecords.feed(text.substr(at, cut - at));
        at = cut;
        FUZZ_REQUIRE(forReply.pendingSize() <= InputFramer::kMaxPending);
        if (!out.reply && (out.reply = forReply.takeTableReply(false))) {
            FUZZ_REQUIRE(std::ranges::count(*out.reply, ',') == kTableReplyFields - 1);
        }
        if (std::optional<std::string> record = forRecords.takeNewestRecord(false)) {
            FUZZ_REQUIRE(record->starts_with("255,"));
            FUZZ_REQUIRE(std::ranges::count(*record, ',') == kLiveRecordFields - 1);
            out.record = std::move(record);
        }
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::size_t count = size == 0 ? 0 : data[0] % 8;
    if (size < 1 + 2 * count) {
        return 0;
    }
    const std::string_view text(reinterpret_cast<const char*>(data + 1 + 2 * count),
                                size - 1 - 2 * count);
    std::vector<std::size_t> cuts;
    for (std::size_t i = 0; i < count; ++i) {
        cuts.push_back((data[1 + 2 * i] << 8 | data[2 + 2 * i]) % (text.size() + 1));
    }
    std::ranges::sort(cuts);
    cuts.push_back(text.size());

    CheckNumber(text);
    for (const std::string_view field : SplitFields(text)) {
        CheckNumber(field);
    }
    if (std::holds_alternative<TableReply>(ParseTableReply(text))) {
        FUZZ_REQUIRE(std::ranges::count(text, ',') >= kTableReplyFields - 1);
    }
    // Every value of an accepted record can be shown: none is out of a float's range.
    if (const auto record = ParseLiveRecord(text);
        const auto* r = std::get_if<LiveRecord>(&record)) {
        for (const double v : {r->pressure, double{r->rpm}, double{r->temperature},
                               double{r->wideband1}, r->airflow, double{r->wideband2}}) {
            FUZZ_REQUIRE(std::isfinite(static_cast<float>(v)));
        }
    }
    // However the bytes are cut, the framer gives the same reply and the same newest record, as
    // long as none was dropped for being over the bound.
    const Framed whole = Frame(text, {text.size()});
    const Framed pieces = Frame(text, cuts);
    FUZZ_REQUIRE(text.size() > InputFramer::kMaxPending ||
                 (whole.reply == pieces.reply && whole.record == pieces.record));
    return 0;
}
