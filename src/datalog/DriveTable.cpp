#include "datalog/DriveTable.h"

#include <nlohmann/json.hpp>

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

std::optional<std::string> ReadWrites(const nlohmann::json& list, std::vector<CellWrite>& writes) {
    if (!list.is_array()) {
        return "\"writes\" is not a list";
    }
    for (std::size_t k = 0; k < list.size(); ++k) {
        const nlohmann::json& w = list[k];
        const std::string where = "write " + std::to_string(k + 1);
        if (!w.is_array() || w.size() != 3 || !w[0].is_number() || !w[1].is_number_integer() ||
            !w[2].is_number_integer()) {
            return where + " is not [time, cell, value]";
        }
        const double time = w[0].get<double>();
        const auto cell = w[1].get<std::int64_t>();
        const auto value = w[2].get<std::int64_t>();
        if (!(time >= 0) || cell < 0 || cell >= kCellCount || value < -32768 || value > 32767) {
            return where + " is outside the table or the drive";
        }
        if (!writes.empty() && time < writes.back().timeS) {
            return where + " is earlier than the write before it";
        }
        writes.push_back({time, static_cast<int>(cell), static_cast<std::int16_t>(value)});
    }
    return std::nullopt;
}

} // namespace

std::variant<DriveTable, std::string> ParseDriveTable(std::string_view text) {
    nlohmann::json json;
    try {
        json = nlohmann::json::parse(text);
    } catch (const nlohmann::json::exception& error) {
        return std::string(error.what());
    }
    if (!json.is_object() || !json.contains("table") || !json.contains("writes")) {
        return std::string("it holds no \"table\" and \"writes\"");
    }
    DriveTable kept;
    auto table = ParseJsonTable(json["table"].dump());
    if (const auto* why = std::get_if<std::string>(&table)) {
        return "its table: " + *why;
    }
    kept.table = std::get<TableFile>(table);
    if (!kept.table.hasBreakpoints) {
        return std::string("its table has no breakpoints");
    }
    if (json.contains("started") && json["started"].is_string()) {
        kept.started = json["started"].get<std::string>();
    }
    if (auto why = ReadWrites(json["writes"], kept.writes)) {
        return *why;
    }
    if (json.contains("lag")) {
        const nlohmann::json& lag = json["lag"];
        if (!lag.is_array() || lag.size() != 2 || !lag[0].is_number() || !lag[1].is_number() ||
            !(lag[0].get<double>() >= 0 && lag[0].get<double>() <= kLongestDelayS * 1000) ||
            !(lag[1].get<double>() >= 0 && lag[1].get<double>() <= kLongestDelayS * 1000)) {
            return std::string("\"lag\" is not [MS, FLOW_MS] within 0 to 2000");
        }
        kept.lag = WidebandLag{lag[0].get<double>(), lag[1].get<double>()};
    }
    return kept;
}

std::variant<std::monostate, DriveTable, FileError> ReadDriveTable(const std::string& logPath) {
    const std::string path = DriveTablePath(logPath);
    std::error_code ignored;
    if (!std::filesystem::exists(path, ignored)) {
        return std::monostate{};
    }
    const auto text = ReadTableText(path);
    if (const auto* error = std::get_if<FileError>(&text)) {
        return *error;
    }
    auto parsed = ParseDriveTable(std::get<std::string>(text));
    if (const auto* why = std::get_if<std::string>(&parsed)) {
        return FileError{"Not the table of a drive, " + path + ": " + *why};
    }
    return std::get<DriveTable>(parsed);
}
