#include "datalog/LogConvert.h"

#include "datalog/MlgLog.h"
#include "datalog/MlgWriter.h"

#include <array>

namespace {

using Rows = std::function<std::unique_ptr<LogChannels>(const std::vector<std::string_view>&)>;

std::vector<std::string_view> AllChannels() {
    return {kLogChannelNames.begin(), kLogChannelNames.end()};
}

// Reads every row into `take`; the rows' fault, if any.
std::optional<std::string> EachRow(LogChannels& rows,
                                   const std::function<void(std::span<const double>)>& take) {
    while (const auto row = rows.next()) {
        take(*row);
    }
    return rows.fault();
}

std::variant<ConvertedLog, std::string> ToMlg(const Rows& open, int version,
                                              const std::string& info) {
    StepFinder finder;
    const auto first = open(AllChannels());
    if (const auto fault = EachRow(*first, [&finder](auto row) { finder.add(row); })) {
        return *fault;
    }
    const bool hertz = first->units(7) == "Hz";
    auto made = MlgWriter::Make(MlgLogHeader(version, 0, info, finder.steps(), hertz));
    if (auto* why = std::get_if<std::string>(&made)) {
        return *why;
    }
    MlgWriter& writer = std::get<MlgWriter>(made);
    ConvertedLog out;
    const auto rows = open(AllChannels());
    const auto fault = EachRow(*rows, [&](std::span<const double> row) {
        writer.record(row[0], row);
        ++out.rows;
    });
    if (fault) {
        return *fault; // the file changed between the readings
    }
    out.bytes = writer.take();
    out.cutShort = rows->cutShort();
    return out;
}

std::variant<ConvertedLog, std::string> ToText(const Rows& open, LogFormat to,
                                               const std::string& info) {
    const auto rows = open(AllChannels());
    if (rows->fault()) {
        return *rows->fault(); // before its units: a log with no header has none
    }
    const bool hertz = rows->units(7) == "Hz";
    ConvertedLog out;
    out.bytes = HeaderText(to, {info, "", hertz});
    const auto fault = EachRow(*rows, [&](std::span<const double> row) {
        out.bytes += RowTextOf(to, row);
        ++out.rows;
    });
    if (fault) {
        return *fault;
    }
    out.cutShort = rows->cutShort();
    return out;
}

} // namespace

std::variant<ConvertedLog, std::string> ConvertLog(const Rows& open, LogFormat to, int mlgVersion,
                                                   const std::string& info) {
    return to == LogFormat::Mlg ? ToMlg(open, mlgVersion, info) : ToText(open, to, info);
}
