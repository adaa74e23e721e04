// The number, table-reply and live-record parsers on any text, and the framer fed that text
// whole and in pieces. Input: one byte h, then (h % 8) cut points of two bytes each, the text.
#include "FuzzCheck.h"
#include "link/InputFramer.h"
#include "link/Protocol.h"

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

namespace {

using Framed = std::pair<std::optional<std::string>, std::optional<std::string>>;

// The first table reply and the last live record taken after feeding each piece up to a cut.
Framed Frame(std::string_view text, const std::vector<std::size_t>& cuts) {
    InputFramer forReply;
    InputFramer forRecords;
    Framed out;
    std::size_t at = 0;
    for (const std::size_t cut : cuts) {
        forReply.feed(text.substr(at, cut - at));
        forRecords.feed(text.substr(at, cut - at));
        at = cut;
        if (!out.first) {
            out.first = forReply.takeTableReply(false);
        }
        if (std::vector<std::string> records = forRecords.takeRecords(false); !records.empty()) {
            out.second = std::move(records.back());
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

    // The parsers run for crashes and sanitizer reports; the unit tests check their results.
    ToInt16(text);
    ParseTableReply(text);
    ParseLiveRecord(text);
    // Cut anywhere, the framer gives the same reply and newest record, unless it dropped input.
    FUZZ_REQUIRE(text.size() > InputFramer::kMaxPending ||
                 Frame(text, {text.size()}) == Frame(text, cuts));
    return 0;
}
