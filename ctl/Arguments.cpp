#include "Arguments.h"

#include "link/Protocol.h"
#include "table/TableFormats.h"

#include <CLI/CLI.hpp>

#include <cmath>
#include <functional>

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

const CommandShape& ShapeOf(const CLI::App* sub) {
    for (const CommandShape& shape : kCommands) {
        if (sub->get_name() == shape.name) {
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

namespace {

// An option whose value `take` reads; refused in our words, "--com takes ...".
void Checked(CLI::App& app, const std::string& name, const std::string& what,
             std::function<bool(const std::string&)> take) {
    app.add_option_function<std::string>(
           name,
           [name, what, take](const std::string& value) {
               if (!take(value)) {
                   throw CLI::ValidationError(name + " takes " + what + ", not '" + value + "'");
               }
           })
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast); // given twice, the last holds
}

// The device and how long it may take: before the command or after it.
void DeviceOptions(CLI::App& app, Invocation& inv) {
    Checked(app, "--com", "a COM number from 1 to 20", [&inv](const std::string& v) {
        const auto com = WholeIn(v, 1, 20);
        return com && (inv.com = *com, true);
    });
    app.add_option("--port", inv.port)->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    Checked(app, "--timeout", "seconds, more than 0 and at most 3600",
            [&inv](const std::string& v) {
                const auto seconds = ParseNumber(v);
                return seconds && *seconds > 0 && *seconds <= 3600 &&
                       (inv.timeoutMs = std::max(1, static_cast<int>(std::lround(*seconds * 1000))),
                        true);
            });
}

// Each command's own options; the device's fall through to the program's.
void CommandOptions(CLI::App& sub, Command command, Invocation& inv) {
    sub.set_help_flag();
    sub.add_flag("-h,--help", inv.help);
    sub.add_option("operands", inv.files);
    sub.fallthrough();
    if (command == Command::Get || command == Command::Log || command == Command::Analyze) {
        sub.add_option("-o", inv.output)->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    }
    if (command == Command::Log) {
        Checked(sub, "--seconds", "a whole number of seconds, 1 to 32767",
                [&inv](const std::string& v) {
                    const auto seconds = WholeIn(v, 1, 32767);
                    return seconds && (inv.seconds = *seconds, true);
                });
    }
    if (command == Command::Put) {
        sub.add_flag("--changed-only", inv.changedOnly);
        sub.add_flag("--dry-run", inv.dryRun);
        sub.add_flag("--no-backup", inv.noBackup);
    }
    if (command == Command::Analyze) {
        DeclareAnalyzeOptions(sub, inv.analyze);
    }
}

// An option CLI11 passed up unclaimed: misplaced, or nobody's.
std::string UnclaimedText(const CLI::App& app, const std::string& option) {
    std::vector<std::string> owners;
    for (const CLI::App* sub : app.get_subcommands({})) {
        if (sub->get_option_no_throw(option) != nullptr) {
            owners.push_back(sub->get_name());
        }
    }
    if (owners.empty()) {
        return "unknown option '" + option + "'; see tvxctl --help";
    }
    std::string list = owners[0];
    for (std::size_t k = 1; k < owners.size(); ++k) {
        list += (k + 1 == owners.size() ? " and " : ", ") + owners[k];
    }
    return option + " belongs to " + list + " only";
}

// What the command's words and options say together.
std::optional<std::string> Conflicts(Invocation& inv, const CommandShape& shape) {
    if (shape.operands == kOneOrMore ? inv.files.empty() : inv.files.size() != shape.operands) {
        return std::string("usage: ") + shape.usage;
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
    return std::nullopt;
}

} // namespace

std::variant<Invocation, std::string> ParseArguments(const std::vector<std::string>& args) {
    Invocation inv;
    CLI::App app("tvxctl");
    app.set_help_flag(); // the help texts are ours
    app.add_flag("-h,--help", inv.help);
    app.add_flag("--version", inv.version);
    app.allow_extras();           // said below in our words
    app.require_subcommand(0, 1); // a second command's name is an operand of the first
    DeviceOptions(app, inv);
    for (const CommandShape& shape : kCommands) {
        CommandOptions(*app.add_subcommand(shape.name), shape.command, inv);
    }
    try {
        std::vector<std::string> reversed(args.rbegin(), args.rend()); // as CLI11 takes them
        app.parse(reversed);
    } catch (const CLI::ParseError& error) {
        return std::string(error.what());
    }
    const std::vector<CLI::App*> chosen = app.get_subcommands();
    for (const std::string& extra : app.remaining()) {
        if (extra.size() > 1 && extra[0] == '-') {
            return UnclaimedText(app, extra);
        }
        return chosen.empty() ? "unknown command '" + extra + "'; see tvxctl --help"
                              : "usage: " + std::string(ShapeOf(chosen[0]).usage);
    }
    if (chosen.empty()) {
        return inv.help || inv.version ? std::variant<Invocation, std::string>(inv)
                                       : std::string("no command given; see tvxctl --help");
    }
    const CommandShape& shape = ShapeOf(chosen[0]);
    inv.command = shape.command;
    if (inv.help) {
        return inv;
    }
    if (auto why = Conflicts(inv, shape)) {
        return *why;
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
