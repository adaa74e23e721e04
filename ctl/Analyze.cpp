#include "Analyze.h"

#include "table/TableFormats.h"
#include "tune/AfrTarget.h"
#include "tune/Report.h"
#include "tune/Suggestion.h"
#include "tune/VeAnalysis.h"

#include <fstream>
#include <iostream>

namespace {

int Fail(const std::string& why) {
    std::cerr << why << "\n";
    return kExitFailed;
}

// The table the logs were recorded against, with its breakpoints: the lattice needs them.
std::variant<TableFile, std::string> TableOf(const Invocation& inv,
                                             const std::optional<TableReply>& held) {
    if (held) {
        return TableFile{held->table, true, held->intakeType};
    }
    auto read = ReadTableFile(inv.analyze.table);
    if (const auto* error = std::get_if<FileError>(&read)) {
        return error->reason;
    }
    const TableFile& file = std::get<TableFile>(read);
    if (!file.hasBreakpoints) {
        return inv.analyze.table +
               " holds no breakpoints: give a .csv or .json table, or the device";
    }
    return file;
}

// Read into one string of the file's size: a long drive is held once, not copied.
std::optional<std::string> ReadWhole(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    const std::streamoff size = in ? static_cast<std::streamoff>(in.tellg()) : -1;
    if (size < 0) {
        return "Cannot read " + path;
    }
    text.resize(static_cast<std::size_t>(size));
    in.seekg(0);
    if (!in.read(text.data(), size)) {
        return "Cannot read " + path;
    }
    return std::nullopt;
}

std::optional<std::string> AnalyzeLog(const std::string& path, VeAnalyzer& analyzer) {
    const std::optional<LogFormat> format = LogFormatOf(path);
    if (!format) {
        return "Cannot read " + path + ": name it .msl or .csv";
    }
    std::string text;
    if (auto error = ReadWhole(path, text)) {
        return error;
    }
    analyzer.beginLog(path);
    if (auto refused = ReadTuneRows(
            text, *format, [&analyzer](const TuneRow& row) { return analyzer.add(row); })) {
        return refused->starts_with(path) ? *refused : path + ": " + *refused;
    }
    return std::nullopt;
}

std::optional<std::string> Written(const std::variant<std::monostate, FileError>& result) {
    if (const auto* error = std::get_if<FileError>(&result)) {
        return error->reason;
    }
    return std::nullopt;
}

} // namespace

int Analyze(const Invocation& inv, const std::optional<TableReply>& held) {
    const auto table = TableOf(inv, held);
    if (const auto* why = std::get_if<std::string>(&table)) {
        return Fail(*why);
    }
    const TableFile& current = std::get<TableFile>(table);
    auto target = inv.analyze.target.empty()
                      ? DefaultTarget(current.table)
                      : TargetFromArgument(inv.analyze.target, current.table);
    if (const auto* why = std::get_if<std::string>(&target)) {
        return Fail(*why);
    }
    VeAnalyzer analyzer(current.table, std::get<CellValues>(target), inv.analyze.tune);
    for (const std::string& log : inv.files) {
        if (const auto refused = AnalyzeLog(log, analyzer)) {
            return Fail(*refused + "; nothing written");
        }
    }
    const Analysis& analysis = analyzer.analysis();
    if (analysis.accepted == 0) {
        return Fail("No record accepted, nothing written: " + LeftOutText(analysis));
    }
    const TableFile suggested{SuggestTable(current.table, analysis, inv.analyze.tune), true,
                              current.intakeType};
    if (!inv.analyze.cells.empty()) {
        if (const auto error = Written(WriteTextFile(
                inv.analyze.cells, CellsCsv(current.table, suggested.table, analysis)))) {
            return Fail(*error);
        }
    }
    const std::string summary =
        SummaryText(current.table, suggested.table, analysis, inv.analyze.tune);
    if (!inv.analyze.report.empty()) {
        const std::string html = ReportHtml(
            {current.table, suggested.table, analysis, inv.analyze.tune, summary, inv.files});
        if (const auto error = Written(WriteTextFile(inv.analyze.report, html))) {
            return Fail(*error);
        }
    }
    if (inv.output.empty()) {
        std::cout << CsvText(suggested);
        std::cout.flush();
        if (!std::cout.good()) {
            return Fail("Cannot write to stdout");
        }
    } else if (const auto error = Written(WriteTableFile(inv.output, suggested))) {
        return Fail(*error);
    }
    std::cerr << summary << "\n";
    return kExitSame;
}
