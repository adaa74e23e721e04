// Reading an MLG log of any bytes, fed in pieces of any sizes. Input: one byte that sets the
// largest piece (1 to 16 bytes; the pieces cycle up to it), then the log's bytes. Read in pieces
// or at once, the log must give the same header, blocks and tally.
#include "FuzzCheck.h"
#include "datalog/MlgReader.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <string_view>
#include <vector>

namespace {

struct Seen {
    bool header = false;
    std::vector<std::uint64_t> bits; // each block's time and values or text, as bits
    MlgTally tally;
};

Seen Read(std::string_view bytes, std::size_t largest) {
    std::size_t piece = 0;
    MlgReader reader([&](char* into, std::size_t room, bool&) {
        piece = piece % largest + 1;
        const std::size_t n = std::min({room, piece, bytes.size()});
        std::copy_n(bytes.data(), n, into);
        bytes.remove_prefix(n);
        return n;
    });
    Seen seen;
    seen.header = reader.header().has_value();
    double last = 0;
    while (const auto block = reader.next()) {
        FUZZ_REQUIRE(seen.header);
        const double timeS = std::visit([](const auto& b) { return b.timeS; }, *block);
        FUZZ_REQUIRE(std::isfinite(timeS) && timeS >= last);
        last = timeS;
        seen.bits.push_back(std::bit_cast<std::uint64_t>(timeS));
        if (const auto* record = std::get_if<MlgReader::Record>(&*block)) {
            FUZZ_REQUIRE(record->values.size() == reader.header()->fields.size());
            for (const double value : record->values) {
                seen.bits.push_back(std::bit_cast<std::uint64_t>(value));
            }
        } else {
            const std::string_view text = std::get<MlgReader::Marker>(*block).text;
            FUZZ_REQUIRE(text.size() <= kMlgMarkerBytes);
            for (const char c : text) {
                seen.bits.push_back(static_cast<unsigned char>(c));
            }
        }
    }
    seen.tally = reader.tally();
    return seen;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    const Seen whole = Read(bytes, bytes.size() + 1);
    const Seen pieces = Read(bytes, data[0] % 16 + 1);
    FUZZ_REQUIRE(whole.header == pieces.header && whole.bits == pieces.bits);
    FUZZ_REQUIRE(whole.tally.records == pieces.tally.records &&
                 whole.tally.markers == pieces.tally.markers &&
                 whole.tally.skipped == pieces.tally.skipped &&
                 whole.tally.firstSkipped == pieces.tally.firstSkipped &&
                 whole.tally.stop == pieces.tally.stop &&
                 whole.tally.cutShort == pieces.tally.cutShort);
    // A block takes 6 bytes at the least: its head, a 1-byte record and its checksum.
    const MlgTally& t = whole.tally;
    FUZZ_REQUIRE((t.records + t.markers + t.skipped) * 6 <= bytes.size());
    FUZZ_REQUIRE(!t.cutShort || t.stop);
    FUZZ_REQUIRE(whole.header || t.stop);
    return 0;
}
