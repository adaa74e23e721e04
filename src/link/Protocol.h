// The device's ASCII messages: commands out, table replies and live records in.
#pragma once

#include "common/Atmosphere.h"
#include "common/Numbers.h"
#include "datalog/LiveRecord.h"
#include "table/VeTable.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace command {
inline constexpr const char* kRealTimeOff = "<201>";
inline constexpr const char* kSendTable = "<121>";
inline constexpr const char* kRealTimeOn = "<255>";
// Intake type code 1 to 3 is command 240 + code.
std::string SetIntake(int intakeCode);
} // namespace command

inline constexpr const char* kLineSettings = "115200,N,8,1";
// What the line carries at those settings: ten bits a byte.
inline constexpr double kLineBytesPerMs = 115200 / 10 / 1000.0;
inline constexpr int kTableReplyFields = 441;
inline constexpr int kLiveRecordFields = 7; // the marker, then the values
static_assert(kLiveRecordFields == kLiveValues + 1);

std::string CellWriteMessage(int cellIndex, std::int16_t value);

// A number rounded half to even into the signed 16-bit range; nothing when out of range.
std::optional<std::int16_t> ToInt16(std::string_view field);

// Position of the last field among 0..5 that is exactly "255"; 0 when there is none.
int FindMarker(const std::vector<std::string_view>& fields);

struct TableReply {
    VeTable table{};
    std::int16_t intakeType = 0;
};

// Why a reply or record was refused, in plain words for the status line.
struct ParseError {
    std::string reason;
};

std::variant<TableReply, ParseError> ParseTableReply(std::string_view text);

std::variant<LiveRecord, ParseError> ParseLiveRecord(std::string_view text);

// What the status line says of a record it refused.
inline std::string DroppedRecordText(const ParseError& error) {
    return "Dropped a " + error.reason;
}
