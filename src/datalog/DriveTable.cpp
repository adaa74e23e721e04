#include "datalog/DriveTable.h"

#include "common/Json.h"
#include "table/JsonTable.h"
#include "table/TableFit.h"

#include <cstdio>
#include <filesystem>

namespace {

constexpr const char* kSuffix = ".table.json";

std::string Seconds(double timeS) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", timeS);
    return text;
}

} // namespace

std::string DriveTablePath(const std::string& logPath) {
    // The log's own text up to its extension: its separators stay as given on every system.
    const std::size_t name = logPath.find_last_of("/\\") + 1; // 0 when there is no folder
    const std::size_t dot = logPath.rfind('.');
    const bool extension = dot != std::string::npos && dot > name;
    return logPath.substr(0, extension ? dot : logPath.size()) + kSuffix;
}

std::string DriveTableText(const DriveTable& kept) {
    std::string text = "{\n\"started\": " + nlohmann::json(kept.started).dump() +
                       ",\n\"table\": " + JsonText(kept.table) + ",\n\"writes\": [";
    for (std::size_t k = 0; k < kept.writes.size(); ++k) {
        const CellWrite& w = kept.writes[k];
        text += (k ? ",\n  [" : "\n  [") + Seconds(w.timeS) + ", " + std::to_string(w.cell) + ", " +
                std::to_string(w.value) + "]";
    }
    text += "\n]";
    if (kept.lag) {
        text += ",\n\"lag\": [" + std::to_string(kept.lag->ms) + ", " +
                std::to_string(kept.lag->flowMs) + "]";
    }
    return text + "\n}\n";
}

namespace {

// {"table": {"cells": [...]}, "writes": [[t, cell, value], ...]}
constexpr int kDriveTableDepth = 3;

// "write 3 is not [time, cell, value]"; else the write.
std::variant<CellWrite, std::string> WriteOf(const nlohmann::json& w, std::size_t number) {
    const std::string where = "write " + std::to_string(number);
    if (!w.is_array() || w.size() != 3 || !w[0].is_number() || !w[1].is_number_integer() ||
        !w[2].is_number_integer()) {
        return where + " is not [time, cell, value]";
    }
    const double time = w[0].get<double>();
    const auto cell = w[1].get<std::int64_t>();
    const auto value = w[2].get<std::int64_t>();
    if (!(time >= 0 && time <= kLongestDriveS)) {
        return where + " is at " + w[0].dump() + " s, not within a drive (0 to " +
               std::to_string(static_cast<long>(kLongestDriveS)) + " s)";
    }
    if (cell < 0 || cell >= kCellCount) {
        return where + " is to cell " + std::to_string(cell) + ", not 0 to 399";
    }
    if (value < kLowestVe || value > kHighestVe) {
        return where + " writes " + std::to_string(value) + "; a VE is 1 to 32767";
    }
    return CellWrite{time, static_cast<int>(cell), static_cast<std::int16_t>(value)};
}

std::optional<std::string> ReadLag(const nlohmann::json& lag, std::optional<WidebandLag>& out) {
    const auto within = [](const nlohmann::json& ms) {
        return ms.is_number() && ms.get<double>() >= 0 && ms.get<double>() <= kLongestDelayMs;
    };
    if (!lag.is_array() || lag.size() != 2 || !within(lag[0]) || !within(lag[1])) {
        return std::string("\"lag\" is not [MS, FLOW_MS], each 0 to 2000");
    }
    out = WidebandLag{lag[0].get<double>(), lag[1].get<double>()};
    return std::nullopt;
}

} // namespace

std::variant<DriveTable, std::string> ParseDriveTable(std::string_view text) {
    // The writes are taken one by one as they are read, never built as a whole: a drive tuned
    // for hours holds hundreds of thousands.
    using Event = nlohmann::json::parse_event_t;
    DriveTable kept;
    std::string member; // the top-level member being read
    std::optional<std::string> badWrite;
    std::size_t writes = 0;
    const auto takeWrites = [&](int depth, Event event, nlohmann::json& parsed) {
        if (depth == 1 && event == Event::key) {
            member = parsed.get<std::string>();
        }
        const bool element =
            depth == 2 && member == "writes" &&
            (event == Event::array_end || event == Event::object_end || event == Event::value);
        if (!element) {
            return true;
        }
        auto write = WriteOf(parsed, ++writes);
        if (badWrite) {
            return false;
        }
        if (const auto* why = std::get_if<std::string>(&write)) {
            badWrite = *why;
        } else if (!kept.writes.empty() &&
                   std::get<CellWrite>(write).timeS < kept.writes.back().timeS) {
            badWrite = "write " + std::to_string(writes) + " is earlier than the write before it";
        } else {
            kept.writes.push_back(std::get<CellWrite>(write));
        }
        return false;
    };
    auto parsed = ParseJson(text, kDriveTableDepth, takeWrites);
    if (const auto* why = std::get_if<std::string>(&parsed)) {
        return *why;
    }
    const nlohmann::json& json = std::get<nlohmann::json>(parsed);
    if (!json.is_object() || !json.contains("table") || !json.contains("writes")) {
        return std::string("it holds no \"table\" and \"writes\"");
    }
    if (!json["writes"].is_array()) {
        return std::string("\"writes\" is not a list");
    }
    if (badWrite) {
        return *badWrite;
    }
    auto table = TableOfJson(json["table"]);
    if (const auto* why = std::get_if<std::string>(&table)) {
        return "its table: " + *why;
    }
    kept.table = std::get<TableFile>(table);
    if (!kept.table.hasBreakpoints) {
        return std::string("its table has no breakpoints");
    }
    // Checked as a table given with --table is: its cells fuelled the drive.
    if (auto why = FitRefusal(kept.table, {})) {
        return "its table: " + *why;
    }
    if (json.contains("started")) {
        if (!json["started"].is_string()) {
            return std::string("\"started\" is not a date and time");
        }
        kept.started = json["started"].get<std::string>();
    }
    if (json.contains("lag")) {
        if (auto why = ReadLag(json["lag"], kept.lag)) {
            return *why;
        }
    }
    return kept;
}

std::variant<std::monostate, DriveTable, FileError> ReadDriveTable(const std::string& logPath) {
    const std::string path = DriveTablePath(logPath);
    // Whatever is there by that name, even a link that leads nowhere, is read and judged.
    std::error_code ignored;
    if (!std::filesystem::exists(std::filesystem::symlink_status(path, ignored))) {
        return std::monostate{};
    }
    const auto text = ReadTableText(path, kMaxDriveTableBytes);
    if (const auto* error = std::get_if<FileError>(&text)) {
        return *error;
    }
    auto parsed = ParseDriveTable(std::get<std::string>(text));
    if (const auto* why = std::get_if<std::string>(&parsed)) {
        return FileError{"Not the table of a drive, " + path + ": " + *why};
    }
    return std::get<DriveTable>(parsed);
}
