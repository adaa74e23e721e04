// The datalog's two text layouts: .msl (tab-separated, for log viewers) and .csv.
#pragma once

#include "datalog/LoggedRecord.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

enum class LogFormat { Msl, Csv };

// By the file's extension, in any letter case; nothing for any other extension.
std::optional<LogFormat> LogFormatOf(std::string_view path);

inline constexpr std::size_t kLogChannels = 11;
inline constexpr std::array<const char*, kLogChannels> kLogChannelNames = {
    "Time", "RPM", "MAP",           "Boost",    "Temp", "AFR1",
    "AFR2", "MAF", "PressureIndex", "RpmIndex", "VE"};

struct LogHeader {
    std::string signature;   // program and release, "Torvex v1.7"
    std::string captureDate; // local date and time recording began
    bool airflowInHertz = false;
};

std::string HeaderText(LogFormat format, const LogHeader& header);

// One row, line end included; the time is since recording began.
std::string RowText(LogFormat format, std::int64_t sinceStartMs, const LoggedRecord& entry);
