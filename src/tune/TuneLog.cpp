#include "tune/TuneLog.h"

#include "datalog/LogLines.h"
#include "link/Protocol.h"

#include <array>

namespace {

const std::vector<std::string_view> kNeeded = {"Time", "RPM",           "MAP",      "Temp", "AFR1",
                                               "AFR2", "PressureIndex", "RpmIndex", "VE"};

std::optional<int> LatticeIndex(double value) {
    if (!(value >= 0 && value < kLatticeSize) || value != static_cast<int>(value)) {
        return std::nullopt;
    }
    return static_cast<int>(value);
}

} // namespace

std::optional<std::string>
ReadTuneRows(std::string_view text, LogFormat format,
             const std::function<std::optional<std::string>(const TuneRow&)>& take) {
    LogLines lines{text};
    const auto header = ReadLogHeader(lines, format, kNeeded);
    if (const auto* why = std::get_if<std::string>(&header)) {
        return *why;
    }
    const LogColumns& columns = std::get<LogColumns>(header);
    bool terminated = false;
    std::array<double, 9> v{};
    while (const std::optional<std::string_view> line = lines.next(terminated)) {
        if (!terminated) {
            break;
        }
        if (line->empty()) {
            continue;
        }
        if (const auto error = ReadLogRow(*line, format, columns, kNeeded, v)) {
            return LogLineError(lines.number, *error);
        }
        const auto p = LatticeIndex(v[6]);
        const auto r = LatticeIndex(v[7]);
        if (!p || !r) {
            return LogLineError(lines.number, "PressureIndex and RpmIndex are 0 to 19");
        }
        const TuneRow row{lines.number, v[0], v[1], v[2], v[3], v[4], v[5], *p, *r, v[8]};
        if (auto refused = take(row)) {
            return refused;
        }
    }
    return std::nullopt;
}
