#include "Arguments.h"

#include "CheckedOption.h"
#include "Help.h"
#include "link/Protocol.h"
#include "table/TableFit.h"
#include "table/TableFormats.h"
#include "table/VeTable.h"

#include <CLI/CLI.hpp>

#include <cmath>

namespace {

constexpr std::size_t kOneOrMore = static_cast<std::size_t>(-1);

struct CommandShape {
    Command command;
    const char* name;
    std::size_t operands;
};

constexpr CommandShape kCommands[] = {
    {Command::Ports, "ports", 0},
    {Command::Get, "get", 0},
    {Command::Put, "put", 1},
    {Command::Verify, "verify", 1},
    {Command::Diff, "diff", 2},
    {Command::Set, "set", 3},
    {Command::Convert, "convert", 2},
    {Command::Log, "log", 0},
    {Command::Analyze, "analyze", kOneOrMore},
    {Command::Edit, "edit", kOneOrMore},
};

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
           ((command == Command::Analyze || command == Command::Edit) &&
            (com != 0 || !port.empty()));
}

namespace {

// The device and how long it may take: before the command or after it.
void DeviceOptions(CLI::App& app, Invocation& inv) {
    CheckedOption(app, "--com", "a COM number from 1 to 20", [&inv](const std::string& v) {
        const auto com = WholeIn(v, 1, 20);
        return com && (inv.com = *com, true);
    });
    app.add_option("--port", inv.port)->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    CheckedOption(
        app, "--timeout", "seconds, more than 0 and at most 3600", [&inv](const std::string& v) {
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
    if (command == Command::Get || command == Command::Log || command == Command::Analyze ||
        command == Command::Edit) {
        sub.add_option("-o", inv.output)->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    }
    if (command == Command::Log) {
        sub.add_flag("--force", inv.force);
        CheckedOption(sub, "--seconds", "a whole number of seconds, 1 to 32767",
                      [&inv](const std::string& v) {
                          const auto seconds = WholeIn(v, 1, 32767);
                          return seconds && (inv.seconds = *seconds, true);
                      });
    }
    if (command == Command::Convert) {
        CheckedOption(sub, "--mlg-version", "1 or 2", [&inv](const std::string& v) {
            const auto version = WholeIn(v, 1, 2);
            return version && (inv.mlgVersion = *version, true);
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
    if (command == Command::Edit) {
        sub.add_flag("--dry-run", inv.dryRun);
        CheckedOption(sub, "--block", "P0:P1,R0:R1, pressure indices then RPM indices, 0 to 19",
                      [&inv](const std::string& v) {
                          const auto block = ParseBlock(v);
                          return std::holds_alternative<Block>(block) &&
                                 (inv.block = std::get<Block>(block), true);
                      });
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

// edit OPERATION [VALUE] [FILE]: the operation read, FILE left as the only operand. A file is
// edited into -o OUT, the device in place; never both, never neither.
std::optional<std::string> EditOperands(Invocation& inv) {
    const std::string name = inv.files[0];
    const auto kind = EditKindNamed(name);
    const bool takesValue = kind && TakesValue(*kind) && inv.files.size() > 1;
    const std::size_t used = takesValue ? 2 : 1;
    const auto edit = ParseEdit(name, takesValue ? inv.files[1] : "");
    if (const auto* why = std::get_if<std::string>(&edit)) {
        return *why;
    }
    inv.edit = std::get<EditOperation>(edit);
    inv.files.erase(inv.files.begin(), inv.files.begin() + static_cast<std::ptrdiff_t>(used));
    const bool device = inv.com != 0 || !inv.port.empty();
    if (inv.files.size() > 1 || (inv.files.size() == 1) == device ||
        inv.output.empty() != inv.files.empty()) {
        return std::string("usage: ") + UsageOf(Command::Edit);
    }
    if (inv.dryRun && !device) {
        return std::string("--dry-run is for the device: a file's edit goes to -o OUT");
    }
    return std::nullopt;
}

// What the command's words and options say together.
std::optional<std::string> Conflicts(Invocation& inv, const CommandShape& shape) {
    if (shape.operands == kOneOrMore ? inv.files.empty() : inv.files.size() != shape.operands) {
        return std::string("usage: ") + UsageOf(shape.command);
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
        if (std::get<std::int16_t>(value) < kLowestVe) {
            return "VALUE " + inv.files[2] + " is no VE: a cell holds " +
                   std::to_string(kLowestVe) + " to " + std::to_string(kHighestVe);
        }
        inv.cell = CellIndex(*p, *r);
        inv.value = std::get<std::int16_t>(value);
        inv.files.clear();
    }
    if (inv.command == Command::Edit) {
        if (auto why = EditOperands(inv)) {
            return why;
        }
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
                              : "usage: " + std::string(UsageOf(ShapeOf(chosen[0]).command));
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
