// A recording's bytes in the layout its file's name chose: the text layouts' lines, or the
// binary log's header and records.
#pragma once

#include "datalog/LogFormat.h"
#include "datalog/LoggedRecord.h"
#include "datalog/MlgLog.h"
#include "datalog/MlgWriter.h"

#include <cstdint>
#include <optional>
#include <string>

class LogEncoder {
public:
    // The version of the binary logs recorded: the one every viewer reads.
    static constexpr int kMlgVersion = 1;

    // `startedAt` in seconds since 1970, for the binary log's header.
    LogEncoder(LogFormat format, const LogHeader& header, std::uint32_t startedAt);

    // The header's bytes, then each row's, to append to the file.
    std::string header();
    std::string row(std::int64_t sinceStartMs, const LoggedRecord& entry);

    // Values written with fewer digits than the text log would show, or clamped to the type.
    std::size_t rounded() const;

private:
    LogFormat format_;
    std::string header_;
    std::optional<MlgWriter> mlg_;
    LogSteps steps_{};
    std::size_t rounded_ = 0;
};
