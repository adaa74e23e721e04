#include "Analyze.h"

#include "Messages.h"
#include "common/InputFile.h"
#include "common/SameFile.h"
#include "link/Protocol.h"
#include "table/TableFit.h"
#include "table/TableFormats.h"
#include "tune/AfrTarget.h"
#include "tune/Report.h"
#include "tune/Suggestion.h"
#include "tune/VeAnalysis.h"

#include <iostream>

namespace {

// The table the logs were recorded against, with its breakpoints: the lattice needs them.
std::variant<TableFile, std::string> TableOf(const Invocation& inv,
                                             const std::optional<TableReply>& held) {
    if (held) {
        if (auto why = BreakpointsRefusal(held->table, "the device's")) {
            return "Cannot analyze: " + *why;
        }
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
    if (auto why = FitRefusal(file, {})) {
        return "Not a table for the device, " + inv.analyze.table + ": " + *why;
    }
    return file;
}

// An output that would overwrite an input, or another output.
std::optional<std::string> OutputClash(const Invocation& inv) {
    std::vector<std::string> inputs = inv.files;
    if (!inv.analyze.table.empty()) {
        inputs.push_back(inv.analyze.table);
    }
    if (!inv.analyze.target.empty() && !ParseNumber(inv.analyze.target)) {
        inputs.push_back(inv.analyze.target);
    }
    const std::pair<const char*, const std::string*> outputs[] = {
        {"-o", &inv.output}, {"--cells", &inv.analyze.cells}, {"--report", &inv.analyze.report}};
    for (std::size_t k = 0; k < std::size(outputs); ++k) {
        const auto& [name, path] = outputs[k];
        if (path->empty()) {
            continue;
        }
        for (const std::string& input : inputs) {
            if (SameFile(*path, input)) {
                return std::string(name) + " " + *path + " is a file analyze reads";
            }
        }
        for (std::size_t j = 0; j < k; ++j) {
            if (!outputs[j].second->empty() && SameFile(*path, *outputs[j].second)) {
                return std::string(name) + " " + *path + " is also " + outputs[j].first;
            }
        }
    }
    return std::nullopt;
}

// Read as a stream: a log of any length takes the same memory.
std::optional<std::string> AnalyzeLog(const std::string& path, VeAnalyzer& analyzer) {
    const std::optional<LogFormat> format = LogFormatOf(path);
    if (!format) {
        return "Cannot read " + path + ": name it .msl or .csv";
    }
    auto opened = OpenInputFile(path);
    if (const auto* why = std::get_if<std::string>(&opened)) {
        return *why;
    }
    const File file = std::get<File>(std::move(opened));
    TextLines lines = TextLines::Of(file.get());
    analyzer.beginLog(path);
    const TuneRowsEnd end =
        ReadTuneRows(lines, *format, [&analyzer](const TuneRow& row) { return analyzer.add(row); });
    if (end.refusal) {
        return end.refusal->starts_with(path) ? *end.refusal : path + ": " + *end.refusal;
    }
    if (end.cutShort) {
        analyzer.addCutShort();
    }
    return std::nullopt;
}

} // namespace

int Analyze(const Invocation& inv, const std::optional<TableReply>& held) {
    if (const auto clash = OutputClash(inv)) {
        return Fail(*clash + "; nothing written");
    }
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
    const std::string summary =
        SummaryText(current.table, suggested.table, analysis, inv.analyze.tune);
    // Every output is made before any is written, and all are written as one.
    std::vector<TextFileWrite> outputs;
    if (!inv.analyze.cells.empty()) {
        outputs.push_back({inv.analyze.cells, CellsCsv(current.table, suggested.table, analysis)});
    }
    if (!inv.analyze.report.empty()) {
        outputs.push_back({inv.analyze.report, ReportHtml({current.table, suggested.table, analysis,
                                                           inv.analyze.tune, summary, inv.files})});
    }
    if (!inv.output.empty()) {
        auto text = TableFileText(inv.output, suggested);
        if (const auto* error = std::get_if<FileError>(&text)) {
            return Fail(error->reason);
        }
        outputs.push_back({inv.output, std::get<std::string>(text)});
    }
    const auto written = WriteTextFiles(outputs);
    if (const auto* error = std::get_if<FileError>(&written)) {
        return Fail(error->reason);
    }
    if (inv.output.empty()) {
        std::cout << CsvText(suggested);
        std::cout.flush();
        if (!std::cout.good()) {
            return Fail("Cannot write to stdout");
        }
    }
    Say(summary);
    return kExitSame;
}
