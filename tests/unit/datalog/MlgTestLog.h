// A whole MLG log read in pieces of one size, for the tests to look at at once.
#pragma once

#include "datalog/MlgReader.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct ReadLog {
    struct Record {
        double timeS;
        std::vector<double> values;
    };
    struct Marker {
        double timeS;
        std::string text;
    };
    std::optional<MlgHeader> header;
    std::vector<Record> records;
    std::vector<Marker> markers;
    std::vector<std::string> kinds; // "record" or "marker", in the log's order
    MlgTally tally;
};

// The source hands out at most `piece` bytes a call, and fails with EIO at byte `failAt`.
inline ReadLog ReadAll(std::string_view bytes, std::size_t piece, std::size_t failAt = SIZE_MAX) {
    std::size_t at = 0;
    MlgReader reader([&](char* into, std::size_t room, bool& failed) {
        if (at == failAt) {
            errno = EIO;
            failed = true;
            return std::size_t{0};
        }
        const std::size_t n = std::min({room, piece, bytes.size() - at, failAt - at});
        std::copy_n(bytes.data() + at, n, into);
        at += n;
        return n;
    });
    ReadLog log;
    log.header = reader.header();
    while (const auto block = reader.next()) {
        if (const auto* record = std::get_if<MlgReader::Record>(&*block)) {
            log.records.push_back({record->timeS, {record->values.begin(), record->values.end()}});
            log.kinds.push_back("record");
        } else {
            const auto& marker = std::get<MlgReader::Marker>(*block);
            log.markers.push_back({marker.timeS, std::string(marker.text)});
            log.kinds.push_back("marker");
        }
    }
    log.tally = reader.tally();
    return log;
}
