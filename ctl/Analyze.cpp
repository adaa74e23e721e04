#include "Analyze.h"

#include "Messages.h"
#include "common/Numbers.h"
#include "common/SameFile.h"
#include "datalog/DriveTable.h"
#include "link/Protocol.h"
#include "model/AfrTarget.h"
#include "report/Report.h"
#include "session/TuningSession.h"
#include "table/TableFit.h"
#include "table/TableFormats.h"

#include <cstdio>
#include <iostream>

namespace {

// A log and the table kept beside it, if any.
struct Drive {
    std::string log;
    std::optional<DriveTable> kept;
};

// The table given for the logs (--table or the device), with its breakpoints: the lattice needs
// them.
std::variant<std::optional<TableFile>, std::string>
GivenTable(const Invocation& inv, const std::optional<TableReply>& held) {
    if (held) {
        if (auto why = BreakpointsRefusal(held->table, "the device's")) {
            return "Cannot analyze: " + *why;
        }
        return TableFile{held->table, true, held->intakeType};
    }
    if (inv.analyze.table.empty()) {
        return std::optional<TableFile>();
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

// Each log with the table kept beside it; a log without one needs a table given.
std::variant<std::vector<Drive>, std::string> Drives(const Invocation& inv, bool given) {
    std::vector<Drive> drives;
    for (const std::string& log : inv.files) {
        for (const Drive& before : drives) {
            if (SameFile(before.log, log)) {
                return before.log + " and " + log + " are one log: give each log once";
            }
        }
        auto read = ReadDriveTable(log);
        if (const auto* error = std::get_if<FileError>(&read)) {
            return error->reason;
        }
        Drive drive{log, std::nullopt};
        if (auto* kept = std::get_if<DriveTable>(&read)) {
            drive.kept = std::move(*kept);
        } else if (!given) {
            return log + " has no table kept beside it (" + DriveTablePath(log) +
                   "): give --table FILE or the device";
        }
        drives.push_back(std::move(drive));
    }
    return drives;
}

// The breakpoints all logs share: the given table's, else the first kept one's.
std::optional<std::string> Unshared(const std::vector<Drive>& drives, const VeTable& lattice) {
    for (const Drive& drive : drives) {
        if (!drive.kept) {
            continue;
        }
        const std::string kept = DriveTablePath(drive.log);
        if (auto why = BreakpointDifference(drive.kept->table.table, lattice, kept + "'s",
                                            "the table's")) {
            return "The logs are not on one lattice: " + *why;
        }
    }
    return BreakpointsRefusal(lattice, "the table's");
}

// The table the suggestion is made against: the one given, else the newest kept table as its
// drive ended.
VeTable BaseTable(const std::optional<TableFile>& given, const std::vector<Drive>& drives) {
    if (given) {
        return given->table;
    }
    const Drive* newest = nullptr;
    for (const Drive& drive : drives) {
        if (!newest || drive.kept->started >= newest->kept->started) {
            newest = &drive;
        }
    }
    return TableInForce(newest->kept->table.table, newest->kept->writes).last();
}

// An output that would overwrite an input, or another output.
std::optional<std::string> OutputClash(const Invocation& inv) {
    std::vector<std::string> inputs;
    for (const std::string& log : inv.files) {
        inputs.push_back(log);
        inputs.push_back(DriveTablePath(log));
    }
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
std::optional<std::string> AnalyzeLog(const std::string& path, TuningSession& session) {
    if (!LogFormatOf(path)) {
        return "Cannot read " + path + ": name it .msl, .csv or .mlg";
    }
    auto opened = OpenLog(path, TuneChannels());
    if (auto* why = std::get_if<std::string>(&opened)) {
        return std::move(*why);
    }
    const auto& rows = std::get<OpenedLog>(opened).rows;
    const TuneRowsEnd end =
        ReadTuneRows(*rows, [&session](const TuneRow& row) { return session.add(row); });
    if (end.refusal) {
        return end.refusal->starts_with(path) ? *end.refusal : path + ": " + *end.refusal;
    }
    if (rows->skipped() > 0) {
        Say(path + ": " + Thousands(static_cast<std::int64_t>(rows->skipped())) +
            " rows left out as they do not read; the first, " + *rows->firstSkipped());
    }
    if (end.cutShort) {
        session.addCutShort();
    }
    return std::nullopt;
}

// Every log, each under its table, through the session.
std::optional<std::string> AnalyzeLogs(const std::vector<Drive>& drives,
                                       const std::optional<TableFile>& table,
                                       TuningSession& session) {
    for (const Drive& drive : drives) {
        session.beginLog(drive.log, drive.kept
                                        ? TableInForce(drive.kept->table.table, drive.kept->writes)
                                        : TableInForce(table->table, {}));
        if (auto refused = AnalyzeLog(drive.log, session)) {
            return refused;
        }
    }
    return std::nullopt;
}

// What serves when the drives cannot tell the delay: one found earlier and kept with the newest
// drive that has one, else the lag given.
std::pair<WidebandLag, std::string> Fallback(const std::vector<Drive>& drives,
                                             const WidebandLag& given) {
    const Drive* newest = nullptr;
    for (const Drive& drive : drives) {
        if (drive.kept && drive.kept->lag &&
            (!newest || drive.kept->started >= newest->kept->started)) {
            newest = &drive;
        }
    }
    if (newest) {
        return {*newest->kept->lag, "as kept with " + DriveTablePath(newest->log)};
    }
    char text[64];
    std::snprintf(text, sizeof text, "%g ms", given.ms);
    return {given, text};
}

// Where the tables came from, for the report.
std::vector<std::string> TableSources(const Invocation& inv, bool device,
                                      const std::vector<Drive>& drives) {
    std::vector<std::string> sources;
    if (device) {
        sources.push_back("the device's table (the suggestion's base)");
    } else if (!inv.analyze.table.empty()) {
        sources.push_back(inv.analyze.table + " (the suggestion's base)");
    }
    for (const Drive& drive : drives) {
        if (drive.kept) {
            sources.push_back(DriveTablePath(drive.log) + ": " +
                              std::to_string(drive.kept->writes.size()) +
                              " cell writes during "
                              "the drive");
        }
    }
    return sources;
}

} // namespace

int Analyze(const Invocation& inv, const std::optional<TableReply>& held) {
    if (const auto clash = OutputClash(inv)) {
        return Fail(*clash + "; nothing written");
    }
    auto given = GivenTable(inv, held);
    if (const auto* why = std::get_if<std::string>(&given)) {
        return Fail(*why);
    }
    const std::optional<TableFile>& table = std::get<std::optional<TableFile>>(given);
    auto read = Drives(inv, table.has_value());
    if (const auto* why = std::get_if<std::string>(&read)) {
        return Fail(*why);
    }
    const std::vector<Drive>& drives = std::get<std::vector<Drive>>(read);
    const VeTable lattice = table ? table->table : drives.front().kept->table.table;
    if (const auto why = Unshared(drives, lattice)) {
        return Fail(*why);
    }
    auto target = inv.analyze.target.empty() ? DefaultTarget(lattice)
                                             : TargetFromArgument(inv.analyze.target, lattice);
    if (const auto* why = std::get_if<std::string>(&target)) {
        return Fail(*why);
    }
    const CellValues& aim = std::get<CellValues>(target);
    TuneOptions options = inv.analyze.tune;
    if (!options.lagAuto && inv.analyze.lag.find(',') != std::string::npos) {
        // "1,000" is not a thousand here: say how it was read.
        char read[96];
        std::snprintf(read, sizeof read, "%g ms, and %g ms more at 1000 RPM and atmosphere",
                      options.lag.ms, options.lag.flowMs);
        Say("--lag " + inv.analyze.lag + " is read as MS,FLOW_MS: " + read);
    }
    // With the lag on auto, a first reading of the logs finds the delay, a second pairs by it.
    LagEstimate lag{options.lag, false, "", "as given", 0, {}};
    if (options.lagAuto) {
        const auto [fallback, source] = Fallback(drives, options.lag);
        lag = {fallback, false, "", source, 0, {}};
    }
    TuningSession session(lattice, aim, options, lag);
    const TuningSession::Feed feed = [&](TuningSession& s) {
        return AnalyzeLogs(drives, table, s);
    };
    auto refused = feed(session);
    if (!refused && session.lagAuto()) {
        refused = session.useLag(session.estimateLag(), feed);
    }
    if (refused) {
        return Fail(*refused + "; nothing written");
    }
    if (session.analysis().accepted == 0) {
        return Fail("No record accepted, nothing written: " + LeftOutText(session.analysis()));
    }
    lag = session.lag();
    options = session.options();
    const VeTable base = BaseTable(table, drives);
    const auto [analysis, suggestion] = session.tune(base);
    const TableFile suggested{suggestion.table, true,
                              table ? table->intakeType : drives.back().kept->table.intakeType};
    const std::string summary = SummaryText(base, suggestion, analysis, options);
    // Every output is made before any is written, and all are written as one.
    std::vector<TextFileWrite> outputs;
    if (!inv.analyze.cells.empty()) {
        outputs.push_back({inv.analyze.cells, CellsCsv(base, suggestion, analysis)});
    }
    if (!inv.analyze.report.empty()) {
        outputs.push_back(
            {inv.analyze.report, ReportHtml({base, suggestion, analysis, options, lag, summary,
                                             inv.files, TableSources(inv, held.has_value(), drives),
                                             inv.analyze.target.empty() ? std::string("the default")
                                                                        : inv.analyze.target})});
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
    Say(LagText(lag));
    return kExitSame;
}
