#include "view/ViewedLog.h"

#include "common/Numbers.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

std::variant<ViewedLog, std::string> Read(LogChannels& rows, const std::string& path,
                                          std::size_t mostValues) {
    if (rows.fault()) {
        return path + ": " + *rows.fault();
    }
    const auto& names = rows.names();
    const auto time = std::find(names.begin(), names.end(), "Time");
    if (time == names.end()) {
        return path + ": log has no Time channel";
    }
    const std::size_t timeColumn = static_cast<std::size_t>(time - names.begin());
    ViewedLog log;
    log.path = path;
    for (std::size_t n = 0; n < names.size(); ++n) {
        if (n != timeColumn) {
            log.channels.push_back({names[n], rows.units(n), {}});
        }
    }
    const std::size_t mostRecords = mostValues / names.size();
    while (const auto row = rows.next()) {
        if (log.records() == mostRecords) {
            log.notes.push_back(
                path + ": shown to record " + Thousands(static_cast<std::int64_t>(mostRecords)) +
                ", as many as the viewer holds of " + std::to_string(names.size()) + " channels");
            break;
        }
        log.timeS.push_back((*row)[timeColumn]);
        for (std::size_t n = 0, c = 0; n < row->size(); ++n) {
            if (n != timeColumn) {
                log.channels[c++].values.push_back(static_cast<float>((*row)[n]));
            }
        }
    }
    if (rows.fault()) {
        log.notes.push_back(path + ": reading stopped: " + *rows.fault());
    }
    if (rows.skipped() > 0) {
        log.notes.push_back(path + ": " + Thousands(static_cast<std::int64_t>(rows.skipped())) +
                            " records left out as they do not read; the first, " +
                            *rows.firstSkipped());
    }
    if (rows.cutShort()) {
        log.notes.push_back(path + ": the last record was cut short by its writer");
    }
    log.markers = rows.markers();
    return log;
}

} // namespace

const ViewedChannel* ViewedLog::channel(const std::string& name) const {
    for (const ViewedChannel& c : channels) {
        if (c.name == name) {
            return &c;
        }
    }
    return nullptr;
}

std::variant<ViewedLog, std::string> LoadViewedLog(const std::string& path) {
    auto opened = OpenLog(path, {});
    if (auto* why = std::get_if<std::string>(&opened)) {
        return std::move(*why);
    }
    auto read = Read(*std::get<OpenedLog>(opened).rows, path, kMostViewedValues);
    if (auto* log = std::get_if<ViewedLog>(&read)) {
        auto kept = ReadDriveTable(path);
        if (auto* table = std::get_if<DriveTable>(&kept)) {
            log->kept = std::move(*table);
        } else if (const auto* error = std::get_if<FileError>(&kept)) {
            log->notes.push_back(error->reason);
        }
    }
    return read;
}

std::variant<ViewedLog, std::string> ViewedLogOf(std::string_view bytes, LogFormat format,
                                                 const std::string& path, std::size_t mostValues) {
    const auto rows = LogChannelsOf(bytes, format, {});
    return Read(*rows, path, mostValues);
}

std::string ValueText(const ViewedChannel& channel, float value) {
    if (channel.digits < 0) {
        return FormatGeneral(value);
    }
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", channel.digits, static_cast<double>(value));
    return text;
}

std::optional<std::size_t> RecordAt(const std::vector<double>& timeS, double at) {
    if (timeS.empty()) {
        return std::nullopt;
    }
    const auto after = std::upper_bound(timeS.begin(), timeS.end(), at);
    return after == timeS.begin() ? 0 : static_cast<std::size_t>(after - timeS.begin()) - 1;
}

std::string ClockText(double seconds) {
    const double ms = std::round(std::max(seconds, 0.0) * 1000);
    const auto whole = static_cast<long long>(ms);
    char text[48];
    std::snprintf(text, sizeof text, "%lld:%02lld.%03lld", whole / 60000, whole / 1000 % 60,
                  whole % 1000);
    return text;
}
