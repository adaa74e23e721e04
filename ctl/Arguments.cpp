#include "Arguments.h"

#include "link/Protocol.h"
#include "table/TableFormats.h"

#include <cmath>

namespace {

constexpr std::size_t kOneOrMore = static_cast<std::size_t>(-1);

struct CommandShape {
    Command command;
    const char* name;
    std::size_t operands;
    const char* usage;
    const char* about;
};

constexpr CommandShape kCommands[] = {
    {Command::Ports, "ports", 0, "tvxctl ports", "List COM 1 to 20 and the device each reaches."},
    {Command::Get, "get", 0, "tvxctl get [-o FILE] (--com N | --port PATH)",
     "Download the device's table. -o FILE writes it as .vet (the 400 cells, as the window\n"
     "saves them), .csv (the grid as the window shows it) or .json (cells, breakpoints and\n"
     "intake type); without -o the CSV goes to stdout."},
    {Command::Put, "put", 1,
     "tvxctl put FILE [--changed-only] [--dry-run] [--no-backup] (--com N | --port PATH)",
     "Write the 400 cells of a .vet, .csv or .json file to the device, one cell write\n"
     "message each in index order, as the window's file load does. The device's table is\n"
     "downloaded first and kept in <Documents>/Torvex tables/...-before-put.json (the path is\n"
     "printed; a backup that cannot be written stops the put before anything is sent;\n"
     "--no-backup skips it). --changed-only writes only the cells that differ; --dry-run\n"
     "prints the messages instead of sending them (the device is needed only with\n"
     "--changed-only)."},
    {Command::Verify, "verify", 1, "tvxctl verify FILE (--com N | --port PATH)",
     "Download the table and compare its cells with FILE's. Each differing cell is listed as:\n"
     "pressure index, RPM index, file value, device value. Exit 0 when equal, 1 when not."},
    {Command::Diff, "diff", 2, "tvxctl diff A B",
     "Compare the cells of two table files. Each differing cell is listed as: pressure index,\n"
     "RPM index, value in A, value in B. Exit 0 when equal, 1 when not."},
    {Command::Set, "set", 3, "tvxctl set P R VALUE (--com N | --port PATH)",
     "Write VALUE (-32768..32767) into the cell at pressure index P and RPM index R (0-19)."},
    {Command::Convert, "convert", 2, "tvxctl convert IN OUT",
     "Convert a table file between .vet, .csv and .json, chosen by extension. A .vet holds no\n"
     "breakpoints or intake type: converting one to a format that does says so and leaves\n"
     "them out."},
    {Command::Log, "log", 0, "tvxctl log [--seconds N] [-o FILE] (--com N | --port PATH)",
     "Download the table (for the operating point), switch real time on and record every live\n"
     "record to FILE (.msl or .csv, as the window's Record does; without -o, CSV to stdout)\n"
     "for N seconds or until Ctrl+C; then real time off."},
    {Command::Analyze, "analyze", kOneOrMore,
     "tvxctl analyze LOG... (--table FILE | --com N | --port PATH) [-o OUT] [options]",
     "Suggest VE cells from recorded drives (.msl or .csv, recorded against the same table):\n"
     "each record counts in the four cells around the operating point the wideband's delay\n"
     "puts it at, as measured over target air/fuel; warm-up, transients, fuel cut and the\n"
     "sensor's limits are left out. A cell with enough hits moves by its mean, within a step\n"
     "limit. A log recorded against another table is refused. The summary goes to stderr;\n"
     "exit 2 when no record was accepted."},
};

const CommandShape& ShapeOf(Command command) {
    for (const CommandShape& shape : kCommands) {
        if (shape.command == command) {
            return shape;
        }
    }
    return kCommands[0];
}

std::optional<int> WholeIn(const std::string& text, int low, int high) {
    const auto value = WholeInt16(text);
    const auto* number = std::get_if<std::int16_t>(&value);
    if (!number || *number < low || *number > high) {
        return std::nullopt;
    }
    return *number;
}

} // namespace

bool Invocation::needsDevice() const {
    return command == Command::Get || command == Command::Verify || command == Command::Set ||
           command == Command::Log || (command == Command::Put && (changedOnly || !dryRun)) ||
           (command == Command::Analyze && analyze.table.empty());
}

std::variant<Invocation, std::string> ParseArguments(const std::vector<std::string>& args) {
    Invocation inv;
    std::vector<std::string> words;
    bool changedOrDry = false;
    std::string analyzeOption; // the first of analyze's options given
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool takesValue = arg == "--com" || arg == "--port" || arg == "--timeout" ||
                                arg == "-o" || arg == "--seconds" || IsAnalyzeOption(arg);
        if (takesValue && i + 1 == args.size()) {
            return arg + " needs a value";
        }
        if (arg == "--help" || arg == "-h") {
            inv.help = true;
        } else if (arg == "--version") {
            inv.version = true;
        } else if (arg == "--com") {
            const auto com = WholeIn(args[++i], 1, 20);
            if (!com) {
                return "--com takes a COM number from 1 to 20, not '" + args[i] + "'";
            }
            inv.com = *com;
        } else if (arg == "--port") {
            inv.port = args[++i];
        } else if (arg == "--timeout") {
            const auto seconds = ParseNumber(args[++i]);
            if (!seconds || !(*seconds > 0 && *seconds <= 3600)) {
                return "--timeout takes seconds, more than 0 and at most 3600";
            }
            inv.timeoutMs = std::max(1, static_cast<int>(std::lround(*seconds * 1000)));
        } else if (arg == "--seconds") {
            const auto seconds = WholeIn(args[++i], 1, 32767);
            if (!seconds) {
                return "--seconds takes a whole number of seconds, 1 to 32767";
            }
            inv.seconds = *seconds;
        } else if (IsAnalyzeOption(arg)) {
            if (const auto why = TakeAnalyzeOption(arg, args[++i], inv.analyze)) {
                return *why;
            }
            analyzeOption = analyzeOption.empty() ? arg : analyzeOption;
        } else if (arg == "-o") {
            inv.output = args[++i];
        } else if (arg == "--changed-only" || arg == "--dry-run" || arg == "--no-backup") {
            (arg == "--dry-run"     ? inv.dryRun
             : arg == "--no-backup" ? inv.noBackup
                                    : inv.changedOnly) = true;
            changedOrDry = true;
        } else if (arg.size() > 1 && arg[0] == '-' && !(arg[1] >= '0' && arg[1] <= '9')) {
            return "unknown option '" + arg + "'; see tvxctl --help";
        } else {
            words.push_back(arg);
        }
    }
    if (words.empty()) {
        if (inv.help || inv.version) {
            return inv;
        }
        return std::string("no command given; see tvxctl --help");
    }
    for (const CommandShape& shape : kCommands) {
        if (words[0] == shape.name) {
            inv.command = shape.command;
        }
    }
    if (!inv.command) {
        return "unknown command '" + words[0] + "'; see tvxctl --help";
    }
    if (inv.help) {
        return inv;
    }
    const CommandShape& shape = ShapeOf(*inv.command);
    inv.files.assign(words.begin() + 1, words.end());
    if (shape.operands == kOneOrMore ? inv.files.empty() : inv.files.size() != shape.operands) {
        return std::string("usage: ") + shape.usage;
    }
    if (!inv.output.empty() && inv.command != Command::Get && inv.command != Command::Log &&
        inv.command != Command::Analyze) {
        return std::string("-o belongs to get, log and analyze only");
    }
    if (!analyzeOption.empty() && inv.command != Command::Analyze) {
        return analyzeOption + " belongs to analyze only";
    }
    if (inv.seconds != 0 && inv.command != Command::Log) {
        return std::string("--seconds belongs to log only");
    }
    if (changedOrDry && inv.command != Command::Put) {
        return std::string("--changed-only, --dry-run and --no-backup belong to put only");
    }
    if (inv.command == Command::Set) {
        const auto p = WholeIn(inv.files[0], 0, kLatticeSize - 1);
        const auto r = WholeIn(inv.files[1], 0, kLatticeSize - 1);
        if (!p || !r) {
            return std::string("P and R are a pressure index and an RPM index, 0 to 19");
        }
        const auto value = WholeInt16(inv.files[2]);
        if (const auto* why = std::get_if<std::string>(&value)) {
            return "VALUE " + inv.files[2] + " " + *why;
        }
        inv.cell = CellIndex(*p, *r);
        inv.value = std::get<std::int16_t>(value);
        inv.files.clear();
    }
    if (!inv.analyze.table.empty() && (inv.com != 0 || !inv.port.empty())) {
        return std::string("choose the table with --table FILE or the device, not both");
    }
    if (inv.com != 0 && !inv.port.empty()) {
        return std::string("choose the device with --com N or --port PATH, not both");
    }
    if (inv.needsDevice() && inv.com == 0 && inv.port.empty()) {
        return std::string(shape.name) + " needs the device: give --com N or --port PATH";
    }
    return inv;
}

std::string HelpText(std::optional<Command> command) {
    if (command) {
        const CommandShape& shape = ShapeOf(*command);
        std::string own;
        if (*command == Command::Analyze) {
            own = std::string("\n\nOptions:\n") + kAnalyzeOptionsHelp;
            own.pop_back();
        }
        return std::string("Usage: ") + shape.usage + "\n\n" + shape.about + own +
               "\n\nOptions: --com N, --port PATH, --timeout SECONDS (default 2); see tvxctl "
               "--help.\n";
    }
    std::string text = "Usage: tvxctl COMMAND [ARGUMENTS] [OPTIONS]\n\n"
                       "The Torvex device and its VE tables from the command line.\n\n"
                       "Commands:\n";
    for (const CommandShape& shape : kCommands) {
        text += "  " + std::string(shape.usage) + "\n";
    }
    return text +
           "\nOptions:\n"
           "  --com N            the device COM N reaches (1-20), as the window's COM menu\n"
           "                     resolves it: TVX_COMN when set, else the serial ports present\n"
           "  --port PATH        the device at PATH\n"
           "  --timeout SECONDS  how long the device may take to answer (default 2)\n"
           "  -h, --help         this text; with a command, that command's\n"
           "      --version      print the version\n\n"
           "Data goes to stdout, messages to stderr. Exit status: 0 success, 1 a difference\n"
           "found (verify, diff), 2 any failure.\n";
}

std::vector<CellDifference> DifferentCells(const VeTable& first, const VeTable& second) {
    std::vector<CellDifference> differences;
    for (int cell = 0; cell < kCellCount; ++cell) {
        if (first[cell] != second[cell]) {
            differences.push_back({cell, first[cell], second[cell]});
        }
    }
    return differences;
}

std::string DifferenceLines(const std::vector<CellDifference>& differences) {
    std::string text;
    for (const CellDifference& d : differences) {
        text += std::to_string(PressureIndexOf(d.cell)) + " " + std::to_string(RpmIndexOf(d.cell)) +
                " " + std::to_string(d.first) + " " + std::to_string(d.second) + "\n";
    }
    return text;
}

std::vector<std::string> CellWrites(const VeTable& cells, const VeTable* device) {
    std::vector<std::string> messages;
    for (int cell = 0; cell < kCellCount; ++cell) {
        if (!device || (*device)[cell] != cells[cell]) {
            messages.push_back(CellWriteMessage(cell, cells[cell]));
        }
    }
    return messages;
}
