#include "link/Protocol.h"

#include "common/Numbers.h"

#include <charconv>
#include <cmath>

namespace command {
std::string SetIntake(int intakeCode) {
    // Built up in place: GCC 12 reports a false -Wrestrict for "<" + std::string at -O2.
    std::string text = "<";
    text += std::to_string(240 + intakeCode);
    text += '>';
    return text;
}
} // namespace command

std::string CellWriteMessage(int cellIndex, std::int16_t value) {
    return "<234," + std::to_string(cellIndex) + ":" + std::to_string(value) + ">";
}

std::optional<std::int16_t> ToInt16(std::string_view field) {
    const std::optional<double> value = ParseNumber(field);
    if (!value) {
        return std::nullopt;
    }
    const double rounded = std::nearbyint(*value); // the default mode rounds halves to even
    if (rounded < -32768.0 || rounded > 32767.0) {
        return std::nullopt;
    }
    return static_cast<std::int16_t>(rounded);
}

int FindMarker(const std::vector<std::string_view>& fields) {
    int marker = 0;
    for (int j = 0; j <= 5 && j < static_cast<int>(fields.size()); ++j) {
        if (fields[j] == "255") {
            marker = j;
        }
    }
    return marker;
}

std::variant<TableReply, ParseError> ParseTableReply(std::string_view text) {
    const std::vector<std::string_view> fields = SplitFields(text);
    if (fields.size() < kTableReplyFields) {
        return ParseError{"table reply too short: " + std::to_string(fields.size()) + " of " +
                          std::to_string(kTableReplyFields) + " fields"};
    }
    TableReply reply;
    for (int k = 0; k < kTableReplyFields; ++k) {
        const std::optional<std::int16_t> value = ToInt16(fields[k]);
        if (!value) {
            return ParseError{"table reply field " + std::to_string(k) + " is not a 16-bit number"};
        }
        if (k < kTableSize) {
            reply.table[k] = *value;
        } else {
            reply.intakeType = *value;
        }
    }
    return reply;
}

namespace {

// A number that still fits single precision, kept in double for the readouts that use double.
std::optional<double> ToLiveValue(std::string_view field) {
    const std::optional<double> value = ParseNumber(field);
    if (!value || !std::isfinite(static_cast<float>(*value))) {
        return std::nullopt;
    }
    return value;
}

} // namespace

std::variant<LiveRecord, ParseError> ParseLiveRecord(std::string_view text) {
    const std::vector<std::string_view> fields = SplitFields(text);
    const int m = FindMarker(fields);
    if (static_cast<int>(fields.size()) < m + kLiveRecordFields) {
        return ParseError{"live record too short: " + std::to_string(fields.size()) + " fields"};
    }
    std::optional<double> values[6];
    for (int i = 0; i < 6; ++i) {
        values[i] = ToLiveValue(fields[m + 1 + i]);
        if (!values[i]) {
            return ParseError{"live record field " + std::to_string(m + 1 + i) +
                              " is not a number"};
        }
    }
    LiveRecord record;
    record.pressure = *values[0];
    record.rpm = static_cast<float>(*values[1]);
    record.temperature = static_cast<float>(*values[2]);
    record.wideband1 = static_cast<float>(*values[3]);
    record.airflow = *values[4];
    record.wideband2 = static_cast<float>(*values[5]);
    return record;
}
