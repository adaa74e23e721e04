// The datalog's layouts: two of text, .msl (tab-separated, for log viewers) and .csv, and the
// binary .mlg (datalog/Mlg.h).
#pragma once

#include "datalog/LoggedRecord.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

enum class LogFormat { Msl, Csv, Mlg };

// By the file's extension, in any letter case; nothing for any other extension.
std::optional<LogFormat> LogFormatOf(std::string_view path);

inline constexpr std::size_t kLogChannels = 11;
inline constexpr std::array<const char*, kLogChannels> kLogChannelNames = {
    "Time", "RPM", "MAP",           "Boost",    "Temp", "AFR1",
    "AFR2", "MAF", "PressureIndex", "RpmIndex", "VE"};

// "s", "RPM", ...; the airflow's in Hz when the intake type makes it a frequency.
const char* LogChannelUnit(std::size_t channel, bool airflowInHertz);

struct LogHeader {
    std::string signature;   // program and release, "Torvex v1.7"
    std::string captureDate; // local date and time recording began
    bool airflowInHertz = false;
};

// The text layouts' header and rows.
std::string HeaderText(LogFormat format, const LogHeader& header);

// One row's values in the channels' order; the time is since recording began.
std::array<double, kLogChannels> RowValues(std::int64_t sinceStartMs, const LoggedRecord& entry);

// One row, line end included; the time is since recording began.
std::string RowText(LogFormat format, std::int64_t sinceStartMs, const LoggedRecord& entry);
// A row of any values, the first the time in seconds.
std::string RowTextOf(LogFormat format, std::span<const double> values);
