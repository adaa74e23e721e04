// The table a drive was recorded against, kept beside its log ("drive.msl" has
// "drive.table.json"): the table the recording began with and every cell write made during it,
// each at its time on the log's clock. With it a log is judged under the table in force at every
// record, with no device and no table given, however often cells changed while driving. It may
// carry the wideband's delay, found while recording.
#pragma once

#include "model/WidebandDelay.h"
#include "table/TableFormats.h"

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

struct CellWrite {
    double timeS = 0; // on the log's clock: seconds since recording began
    int cell = 0;
    std::int16_t value = 0;
    bool operator==(const CellWrite&) const = default;
};

struct DriveTable {
    TableFile table;                // with breakpoints
    std::string started;            // when recording began, local time "YYYY-MM-DD HH:MM:SS"
    std::vector<CellWrite> writes;  // in time order
    std::optional<WidebandLag> lag; // the wideband's delay, when one was found while recording
    bool operator==(const DriveTable&) const = default;
};

// What a kept table may hold: writes within this long a drive, and this much text in all (the
// recorder stops keeping a table that would outgrow it, so what it writes is always read).
inline constexpr double kLongestDriveS = 30 * 24 * 3600.0;
inline constexpr std::size_t kMaxDriveTableBytes = std::size_t{32} << 20;

// "drive.msl" -> "drive.table.json"
std::string DriveTablePath(const std::string& logPath);

std::string DriveTableText(const DriveTable& kept);
std::variant<DriveTable, std::string> ParseDriveTable(std::string_view text);

// The table kept beside the log at logPath; nothing when there is none; else why it cannot be
// read.
std::variant<std::monostate, DriveTable, FileError> ReadDriveTable(const std::string& logPath);
