// tvxctl: the device and its tables from the command line.
#include "Analyze.h"
#include "Arguments.h"
#include "CellDifferences.h"
#include "ConvertDrive.h"
#include "Device.h"
#include "Help.h"
#include "Log.h"
#include "Messages.h"
#include "common/SameFile.h"
#include "datalog/Recorder.h"
#include "link/Intake.h"
#include "link/qt/PresentPorts.h"
#include "table/TableFit.h"
#include "table/TableFormats.h"
#include "table/qt/DocumentsArchive.h"

#include <QCoreApplication>

#include <csignal>
#include <filesystem>
#include <iostream>

namespace {

// What a command printed reached stdout: a full disk or a closed pipe is a failure too.
int Printed(int exitCode) {
    std::cout.flush();
    return std::cout.good() ? exitCode : Fail("Cannot write to stdout");
}

// The table a file holds, or a refusal in the window's words; read before anything is sent.
std::optional<TableFile> Read(const std::string& path) {
    auto read = ReadTableFile(path);
    if (const auto* error = std::get_if<FileError>(&read)) {
        Say(error->reason);
        return std::nullopt;
    }
    return std::get<TableFile>(read);
}

std::optional<std::string> Write(const std::string& path, const TableFile& file) {
    if (const auto format = FormatOf(path)) {
        for (const std::string& note : LeftOutOf(*format, file)) {
            Say(note);
        }
    }
    const auto written = WriteTableFile(path, file);
    if (const auto* error = std::get_if<FileError>(&written)) {
        return error->reason;
    }
    Say("Saved the table to " + path);
    return std::nullopt;
}

// A file bound for the device (put, verify) that does not fit it is refused before anything is
// sent; so is a device whose own breakpoints do not rise.
std::optional<std::string> Misfit(const TableFile& file, const std::string& path,
                                  const std::optional<TableReply>& device) {
    if (device) {
        if (auto why = BreakpointsRefusal(device->table, "the device's")) {
            return "Nothing sent: " + *why;
        }
    }
    const DeviceShape shape{device ? &device->table : nullptr, IntakeTypesOf(Release::V17)};
    if (auto why = FitRefusal(file, shape)) {
        return "Not a table for the device, " + path + ": " + *why + "; nothing sent";
    }
    return std::nullopt;
}

int Compare(const VeTable& first, const VeTable& second, const std::string& what) {
    const std::vector<CellDifference> differences = DifferentCells(first, second);
    std::cout << DifferenceLines(differences);
    const std::size_t n = differences.size();
    Say(n == 0   ? "The cells are the same"
        : n == 1 ? "1 cell differs" + what
                 : std::to_string(n) + " cells differ" + what);
    return Printed(differences.empty() ? kExitSame : kExitDiffers);
}

// Two files of different breakpoints hold cells of different operating points: no cell compares.
int Diff(const Invocation& inv, const TableFile& first) {
    const std::optional<TableFile> second = Read(inv.files[1]);
    if (!second) {
        return kExitFailed;
    }
    if (first.hasBreakpoints && second->hasBreakpoints) {
        if (auto why = BreakpointDifference(first.table, second->table, inv.files[0] + "'s",
                                            inv.files[1] + "'s")) {
            Say("The files' breakpoints differ, so their cells do not compare: " + *why);
            return kExitDiffers;
        }
    }
    return Compare(first.table, second->table, " (value in A, value in B)");
}

// The edit's changes to `file`, or a refusal said with what was not done.
std::optional<CellChanges> EditedCells(const Invocation& inv, const TableFile& file,
                                       const char* nothingDone) {
    auto changes = EditChanges(file, inv.block, inv.edit);
    if (const auto* why = std::get_if<std::string>(&changes)) {
        Say("Cannot " + EditLabel(inv.edit, inv.block) + ": " + *why + "; " + nothingDone);
        return std::nullopt;
    }
    return std::get<CellChanges>(changes);
}

std::string CellsText(std::size_t n) {
    return n == 1 ? "1 cell" : std::to_string(n) + " cells";
}

int EditFile(const Invocation& inv, TableFile file) {
    if (SameFile(inv.files[0], inv.output)) {
        return Fail("Cannot write " + inv.output + ": it is the file edited; choose another");
    }
    const auto changes = EditedCells(inv, file, "nothing written");
    if (!changes) {
        return kExitFailed;
    }
    ApplyChanges(file.table, *changes);
    if (const auto error = Write(inv.output, file)) {
        return Fail(*error);
    }
    Say(EditLabel(inv.edit, inv.block) + ": " + CellsText(changes->size()) + " changed");
    return kExitSame;
}

// Only the changed cells are written, after the device's table is kept.
int EditDevice(const Invocation& inv, Device& device, const TableReply& held) {
    const auto changes = EditedCells(inv, {held.table, true, held.intakeType}, "nothing sent");
    if (!changes) {
        return kExitFailed;
    }
    std::vector<std::string> writes;
    for (const CellChange& change : *changes) {
        writes.push_back(CellWriteMessage(change.cell, change.after));
    }
    if (inv.dryRun) {
        for (const std::string& message : writes) {
            std::cout << message << "\n";
        }
        return Printed(kExitSame);
    }
    if (writes.empty()) {
        Say(EditLabel(inv.edit, inv.block) + ": no cell changes, nothing sent");
        return kExitSame;
    }
    const auto kept =
        DocumentsArchive().keep({held.table, true, held.intakeType}, BackupKind::BeforeEdit);
    if (const auto* error = std::get_if<FileError>(&kept)) {
        return Fail("The device's table could not be kept, nothing sent: " + error->reason);
    }
    Say("Kept the device's table as " + std::get<std::string>(kept));
    if (const auto error = device.send(writes)) {
        return Fail(*error);
    }
    Say(EditLabel(inv.edit, inv.block) + ": sent the " + CellsText(writes.size()) +
        " that changed");
    return kExitSame;
}

int Ports() {
    const std::vector<PortRecord> present = PresentPorts();
    for (int n = 1; n <= kComPortCount; ++n) {
        std::cout << ComItemTip(n, ComPortNow(n, present)) << "\n";
    }
    return Printed(kExitSame);
}

int Run(const Invocation& inv) {
    if (inv.command == Command::Convert && IsDriveConversion(inv.files[0], inv.files[1])) {
        const auto error = ConvertDrive(inv.files[0], inv.files[1], inv.mlgVersion);
        return error ? Fail(*error) : kExitSame;
    }
    std::optional<TableFile> file;
    if (inv.command == Command::Put || inv.command == Command::Verify ||
        inv.command == Command::Diff || inv.command == Command::Convert ||
        (inv.command == Command::Edit && !inv.files.empty())) {
        if (!(file = Read(inv.files[0]))) {
            return kExitFailed;
        }
    }
    if (inv.command == Command::Ports) {
        return Ports();
    }
    if (inv.command == Command::Diff) {
        return Diff(inv, *file);
    }
    if (inv.command == Command::Convert) {
        const auto error = Write(inv.files[1], *file);
        return error ? Fail(*error) : kExitSame;
    }
    if (inv.command == Command::Edit && file) {
        return EditFile(inv, *file);
    }
    if ((inv.command == Command::Get || inv.command == Command::Analyze ||
         inv.command == Command::Edit) &&
        !inv.output.empty() && !FormatOf(inv.output)) {
        return Fail("Cannot write " + inv.output + ": name it .vet, .csv or .json");
    }
    if (inv.command == Command::Log && !inv.output.empty()) {
        if (const auto why = Recorder::refusal(inv.output)) {
            return Fail(*why);
        }
        if (const auto why =
                inv.force ? std::nullopt : Recorder::existing(inv.output, StdioLogFile())) {
            return Fail(*why);
        }
    }

    Device device(inv.timeoutMs);
    const bool connect = inv.needsDevice();
    if (connect) {
        if (const auto error = device.open(inv.com, inv.port)) {
            return Fail(*error);
        }
        Say("Connected to " + device.name());
    }
    std::optional<TableReply> held; // the device's table, when the command needs it
    if (inv.command == Command::Get || inv.command == Command::Verify ||
        inv.command == Command::Log || inv.changedOnly ||
        (inv.command == Command::Put && !inv.dryRun) ||
        (inv.command == Command::Analyze && connect) || inv.command == Command::Edit) {
        auto downloaded = device.download();
        if (const auto* error = std::get_if<std::string>(&downloaded)) {
            return Fail(*error);
        }
        held = std::get<TableReply>(downloaded);
        Say("Table received from the device");
    }
    if (inv.command == Command::Put || inv.command == Command::Verify) {
        if (const auto why = Misfit(*file, inv.files[0], held)) {
            return Fail(*why);
        }
    }
    switch (*inv.command) {
    case Command::Get: {
        const TableFile got{held->table, true, held->intakeType};
        if (inv.output.empty()) {
            std::cout << CsvText(got);
            return Printed(kExitSame);
        }
        const auto error = Write(inv.output, got);
        return error ? Fail(*error) : kExitSame;
    }
    case Command::Verify:
        return Compare(file->table, held->table, " (file value, device value)");
    case Command::Set: {
        if (const auto error = device.send({CellWriteMessage(inv.cell, inv.value)})) {
            return Fail(*error);
        }
        Say("Set the cell at pressure index " + std::to_string(PressureIndexOf(inv.cell)) +
            ", RPM index " + std::to_string(RpmIndexOf(inv.cell)) + " to " +
            std::to_string(inv.value));
        return kExitSame;
    }
    case Command::Log:
        return RecordLog(device, *held, inv);
    case Command::Analyze:
        return Analyze(inv, held);
    case Command::Edit:
        return EditDevice(inv, device, *held);
    case Command::Put:
        break;
    default:
        return kExitFailed;
    }
    const std::vector<std::string> writes =
        CellWrites(file->table, inv.changedOnly ? &held->table : nullptr);
    if (inv.dryRun) {
        for (const std::string& message : writes) {
            std::cout << message << "\n";
        }
        return Printed(kExitSame);
    }
    if (!inv.noBackup) {
        const auto kept =
            DocumentsArchive().keep({held->table, true, held->intakeType}, BackupKind::BeforePut);
        if (const auto* error = std::get_if<FileError>(&kept)) {
            return Fail("The device's table could not be kept, nothing sent: " + error->reason);
        }
        Say("Kept the device's table as " + std::get<std::string>(kept));
    }
    if (const auto error = device.send(writes)) {
        return Fail(*error);
    }
    if (!inv.changedOnly) {
        Say("Loaded " + inv.files[0] + " and sent it to the device");
    } else {
        Say(writes.empty() ? "The device already holds the cells of " + inv.files[0]
                           : "Sent the " + std::to_string(writes.size()) + " changed cells of " +
                                 inv.files[0] + " to the device");
    }
    return kExitSame;
}

} // namespace

int main(int argc, char** argv) {
#ifdef SIGPIPE
    std::signal(SIGPIPE, SIG_IGN); // a closed pipe is a failed write, reported and ended cleanly
#endif
    QCoreApplication app(argc, argv);
    const std::vector<std::string> args(argv + 1, argv + argc);
    const auto parsed = ParseArguments(args);
    if (const auto* why = std::get_if<std::string>(&parsed)) {
        return Fail(*why);
    }
    const Invocation& inv = std::get<Invocation>(parsed);
    if (inv.help) {
        std::cout << HelpText(inv.command);
        return kExitSame;
    }
    if (inv.version) {
        std::cout << "tvxctl " TVX_VERSION "\n";
        return kExitSame;
    }
    return Run(inv);
}
