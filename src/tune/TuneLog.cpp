#include "tune/TuneLog.h"

#include "datalog/LogRows.h"
#include "table/VeTable.h"

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

const std::vector<std::string_view>& TuneChannels() {
    return kNeeded;
}

TuneRowsEnd ReadTuneRows(TextLines& lines, LogFormat format,
                         const std::function<std::optional<std::string>(const TuneRow&)>& take) {
    LogRows rows(lines, format, kNeeded);
    return ReadTuneRows(rows, take);
}

TuneRowsEnd ReadTuneRows(LogChannels& rows,
                         const std::function<std::optional<std::string>(const TuneRow&)>& take) {
    while (const auto v = rows.next()) {
        const auto p = LatticeIndex((*v)[6]);
        const auto r = LatticeIndex((*v)[7]);
        if (!p || !r) {
            return {rows.rowError("PressureIndex and RpmIndex are 0 to 19")};
        }
        const TuneRow row{rows.line(), (*v)[0], (*v)[1], (*v)[2], (*v)[3],
                          (*v)[4],     (*v)[5], *p,      *r,      (*v)[8]};
        if (auto refused = take(row)) {
            return {refused};
        }
    }
    return {rows.fault(), rows.cutShort()};
}
