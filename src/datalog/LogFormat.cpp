#include "datalog/LogFormat.h"

#include "common/Extension.h"
#include "common/Numbers.h"

#include <cstdio>

namespace {

char SeparatorOf(LogFormat format) {
    return format == LogFormat::Msl ? '\t' : ',';
}

// To the millisecond the recorder counts in.
std::string Seconds(double s) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", s);
    return text;
}

} // namespace

const char* LogChannelUnit(std::size_t channel, bool airflowInHertz) {
    static constexpr std::array<const char*, kLogChannels> kUnits = {
        "s", "RPM", "PSI", "PSI", "F", "AFR", "AFR", "V", "index", "index", "raw"};
    return channel == 7 && airflowInHertz ? "Hz" : kUnits[channel];
}

std::optional<LogFormat> LogFormatOf(std::string_view path) {
    const std::string extension = LowerCaseExtension(path);
    if (extension == "msl") {
        return LogFormat::Msl;
    }
    if (extension == "csv") {
        return LogFormat::Csv;
    }
    if (extension == "mlg") {
        return LogFormat::Mlg;
    }
    return std::nullopt;
}

std::string HeaderText(LogFormat format, const LogHeader& header) {
    const char separator = SeparatorOf(format);
    std::string text;
    if (format == LogFormat::Msl) {
        text = "\"" + header.signature + "\"\n\"Capture Date: " + header.captureDate + "\"\n";
        for (std::size_t c = 0; c < kLogChannels; ++c) {
            text += (c ? std::string(1, separator) : "") + kLogChannelNames[c];
        }
        text += '\n';
        for (std::size_t c = 0; c < kLogChannels; ++c) {
            text += (c ? std::string(1, separator) : "") + LogChannelUnit(c, header.airflowInHertz);
        }
        return text + '\n';
    }
    for (std::size_t c = 0; c < kLogChannels; ++c) {
        text += (c ? std::string(1, separator) : "") + kLogChannelNames[c] + "[" +
                LogChannelUnit(c, header.airflowInHertz) + "]";
    }
    return text + '\n';
}

std::array<double, kLogChannels> RowValues(std::int64_t sinceStartMs, const LoggedRecord& entry) {
    const LiveRecord& r = entry.record;
    return {static_cast<double>(sinceStartMs) / 1000,
            r.rpm,
            r.pressure,
            entry.boostPsi,
            r.temperature,
            r.wideband1,
            r.wideband2,
            r.airflow,
            static_cast<double>(entry.point.pressureIndex),
            static_cast<double>(entry.point.rpmIndex),
            static_cast<double>(entry.ve)};
}

std::string RowText(LogFormat format, std::int64_t sinceStartMs, const LoggedRecord& entry) {
    return RowTextOf(format, RowValues(sinceStartMs, entry));
}

std::string RowTextOf(LogFormat format, std::span<const double> values) {
    std::string text = Seconds(values[0]);
    for (std::size_t c = 1; c < values.size(); ++c) {
        text += SeparatorOf(format);
        text += FormatGeneral(values[c]);
    }
    return text + '\n';
}
