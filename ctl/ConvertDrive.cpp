#include "ConvertDrive.h"

#include "Messages.h"
#include "common/InputFile.h"
#include "common/SameFile.h"
#include "common/TextFiles.h"
#include "datalog/LogConvert.h"

#include <cstdio>

bool IsDriveConversion(const std::string& in, const std::string& out) {
    for (const std::string* path : {&in, &out}) {
        const auto format = LogFormatOf(*path);
        if (format == LogFormat::Msl || format == LogFormat::Mlg) {
            return true;
        }
    }
    return false;
}

std::optional<std::string> ConvertDrive(const std::string& in, const std::string& out,
                                        int mlgVersion) {
    const auto from = LogFormatOf(in);
    const auto to = LogFormatOf(out);
    if (!from || !to) {
        return "Cannot convert " + in + " to " + out + ": name each .msl, .csv or .mlg";
    }
    if (SameFile(in, out)) {
        return "Cannot convert " + in + " into itself";
    }
    auto opened = OpenInputFile(in);
    if (const auto* why = std::get_if<std::string>(&opened)) {
        return *why;
    }
    const File file = std::get<File>(std::move(opened));
    const auto rows = [&](const std::vector<std::string_view>& needed) {
        std::rewind(file.get());
        return OpenLogChannels(file.get(), *from, needed);
    };
    const auto converted = ConvertLog(rows, *to, mlgVersion, "Converted by tvxctl from " + in);
    if (const auto* why = std::get_if<std::string>(&converted)) {
        return in + ": " + *why;
    }
    const auto& log = std::get<ConvertedLog>(converted);
    if (log.cutShort) {
        Say(in + ": its last row was cut short by its writer and left out");
    }
    const auto written = WriteTextFile(out, log.bytes);
    if (const auto* error = std::get_if<FileError>(&written)) {
        return error->reason;
    }
    Say("Converted " + std::to_string(log.rows) + " rows of " + in + " to " + out);
    return std::nullopt;
}
