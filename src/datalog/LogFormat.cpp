#include "datalog/LogFormat.h"

#include "common/Extension.h"
#include "common/Numbers.h"

#include <cstdio>

namespace {

const char* UnitOf(std::size_t channel, bool airflowInHertz) {
    static constexpr std::array<const char*, kLogChannels> kUnits = {
        "s", "RPM", "PSI", "PSI", "F", "AFR", "AFR", "V", "index", "index", "raw"};
    return channel == 7 && airflowInHertz ? "Hz" : kUnits[channel];
}

char SeparatorOf(LogFormat format) {
    return format == LogFormat::Msl ? '\t' : ',';
}

std::string Seconds(std::int64_t ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%lld.%03lld", static_cast<long long>(ms / 1000),
                  static_cast<long long>(ms % 1000));
    return text;
}

} // namespace

std::optional<LogFormat> LogFormatOf(std::string_view path) {
    const std::string extension = LowerCaseExtension(path);
    if (extension == "msl") {
        return LogFormat::Msl;
    }
    if (extension == "csv") {
        return LogFormat::Csv;
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
            text += (c ? std::string(1, separator) : "") + UnitOf(c, header.airflowInHertz);
        }
        return text + '\n';
    }
    for (std::size_t c = 0; c < kLogChannels; ++c) {
        text += (c ? std::string(1, separator) : "") + kLogChannelNames[c] + "[" +
                UnitOf(c, header.airflowInHertz) + "]";
    }
    return text + '\n';
}

std::string RowText(LogFormat format, std::int64_t sinceStartMs, const LoggedRecord& entry) {
    const LiveRecord& r = entry.record;
    const std::array<std::string, kLogChannels> values = {Seconds(sinceStartMs),
                                                          FormatGeneral(r.rpm),
                                                          FormatGeneral(r.pressure),
                                                          FormatGeneral(entry.boostPsi),
                                                          FormatGeneral(r.temperature),
                                                          FormatGeneral(r.wideband1),
                                                          FormatGeneral(r.wideband2),
                                                          FormatGeneral(r.airflow),
                                                          std::to_string(entry.point.pressureIndex),
                                                          std::to_string(entry.point.rpmIndex),
                                                          std::to_string(entry.ve)};
    std::string text;
    for (std::size_t c = 0; c < kLogChannels; ++c) {
        if (c) {
            text += SeparatorOf(format);
        }
        text += values[c];
    }
    return text + '\n';
}
