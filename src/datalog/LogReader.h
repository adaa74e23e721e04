// Reads a datalog back (.msl, .csv or .mlg, as written here) into what a replay streams.
#pragma once

#include "common/TextLines.h"
#include "datalog/LiveRecord.h"
#include "datalog/LogChannels.h"
#include "datalog/LogFormat.h"

#include <array>
#include <optional>
#include <string_view>
#include <variant>
#include <vector>

// One row's time and the six live-record values in the order the device sends them:
// absolute pressure, RPM, temperature, wideband 1, airflow output, wideband 2.
struct LogSample {
    double timeS = 0;
    std::array<double, kLiveValues> fields{};
};

// The rows of a log, one at a time.
class LogSamples {
public:
    explicit LogSamples(std::unique_ptr<LogChannels> rows) : rows_(std::move(rows)) {}
    // The channels a sample holds, for the rows handed in.
    static const std::vector<std::string_view>& Channels();
    // Nothing at the end or on a fault; a last row cut short by its writer is left out.
    std::optional<LogSample> next();
    const std::optional<std::string>& fault() const { return rows_->fault(); }

private:
    std::unique_ptr<LogChannels> rows_;
};

// Every row of a log's bytes, in file order.
std::variant<std::vector<LogSample>, std::string> ReadLog(std::string_view bytes, LogFormat format);
