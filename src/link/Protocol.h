// The device's ASCII messages: commands out, table replies and live records in.
#pragma once

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
inline constexpr int kLiveRecordFields = 7;

std::string CellWriteMessage(int cellIndex, std::int16_t value);

std::vector<std::string_view> SplitFields(std::string_view text, char separator = ',');

// A decimal number, blanks and line ends around it allowed; nothing else (no inf, nan, hex).
std::optional<double> ParseNumber(std::string_view field);

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

// Live records carry absolute pressure; the window shows it above this atmosphere.
inline constexpr double kAtmospherePsi = 14.67;

struct LiveRecord {
    double pressure = 0; // absolute PSI
    float rpm = 0;
    float temperature = 0;
    float wideband1 = 0;
    double airflow = 0;
    float wideband2 = 0;
};

std::variant<LiveRecord, ParseError> ParseLiveRecord(std::string_view text);

// What the status line says of a record it refused.
inline std::string DroppedRecordText(const ParseError& error) {
    return "Dropped a " + error.reason;
}
