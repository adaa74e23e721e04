#include "Help.h"

#include "AnalyzeArguments.h"

namespace {

struct CommandText {
    Command command;
    const char* usage;
    const char* about;
};

// In the order the program's help lists them.
constexpr CommandText kTexts[] = {
    {Command::Ports, "tvxctl ports", "List COM 1 to 20 and the device each reaches."},
    {Command::Get, "tvxctl get [-o FILE] (--com N | --port PATH)",
     "Download the device's table. -o FILE writes it as .vet (the 400 cells, as the window\n"
     "saves them), .csv (the grid as the window shows it) or .json (cells, breakpoints and\n"
     "intake type); without -o the CSV goes to stdout."},
    {Command::Put,
     "tvxctl put FILE [--changed-only] [--dry-run] [--no-backup] (--com N | --port PATH)",
     "Write the 400 cells of a .vet, .csv or .json file to the device, one cell write\n"
     "message each in index order, as the window's file load does. The device's table is\n"
     "downloaded first and kept in <Documents>/Torvex tables/...-before-put.json (the path is\n"
     "printed; a backup that cannot be written stops the put before anything is sent;\n"
     "--no-backup skips it). --changed-only writes only the cells that differ; --dry-run\n"
     "prints the messages instead of sending them (the device is needed only with\n"
     "--changed-only). A file that does not fit the device is refused before anything is\n"
     "sent: breakpoints other than the device's or not rising, a cell outside 1..32767 (a .vet\n"
     "cell of 0), an intake type the device lacks."},
    {Command::Verify, "tvxctl verify FILE (--com N | --port PATH)",
     "Download the table and compare its cells with FILE's. Each differing cell is listed as:\n"
     "pressure index, RPM index, file value, device value. Exit 0 when equal, 1 when not; a\n"
     "file that does not fit the device (as put says) is refused, exit 2."},
    {Command::Diff, "tvxctl diff A B",
     "Compare the cells of two table files. Each differing cell is listed as: pressure index,\n"
     "RPM index, value in A, value in B. Exit 0 when equal, 1 when not; two files of\n"
     "different breakpoints say so and exit 1 without comparing cells."},
    {Command::Set, "tvxctl set P R VALUE (--com N | --port PATH)",
     "Write VALUE (a VE, 1..32767) into the cell at pressure index P and RPM index R (0-19)."},
    {Command::Convert, "tvxctl convert IN OUT [--mlg-version 1|2]",
     "Convert a table file between .vet, .csv and .json, chosen by extension. A .vet holds no\n"
     "breakpoints or intake type: converting one to a format that does says so and leaves\n"
     "them out. A recorded drive converts between .msl, .csv and .mlg (the binary log, version\n"
     "1 unless --mlg-version 2), every value with the digits the text log shows; a .msl or\n"
     ".mlg at either end makes it a drive."},
    {Command::Log, "tvxctl log [--seconds N] [-o FILE [--force]] (--com N | --port PATH)",
     "Download the table (for the operating point), switch real time on and record every live\n"
     "record to FILE (.msl, .csv or .mlg, as the window's Record does; without -o, CSV to stdout)\n"
     "for N seconds or until Ctrl+C (or a hang-up); then real time off. An existing FILE is\n"
     "refused; with --force it is replaced once the first record has arrived."},
    {Command::Analyze,
     "tvxctl analyze LOG... [--table FILE | --com N | --port PATH] [-o OUT] [options]",
     "Suggest VE cells from recorded drives (.msl, .csv or .mlg). Each record is read back\n"
     "through the engine model: measured over target air/fuel, times the VE the device fuelled\n"
     "by at the point the wideband's delay puts it at (from the table in force then), is the\n"
     "true VE there; the table whose bilinear interpolation best agrees with every record is\n"
     "solved for at once. Warm-up, transients, fuel cut and the sensor's limits are left out. A\n"
     "cell with enough hits moves to its solved VE when the change is more than the deadband and\n"
     "twice its uncertainty, within a step limit. Each log is judged under the table kept beside\n"
     "it (drive.table.json, written when it was recorded, with every cell write made meanwhile),\n"
     "so neither a table nor the device is needed; a log without one is judged under --table or\n"
     "the device's, and refused when it was recorded against another. The summary goes to\n"
     "stderr; exit 2 when no record was accepted."},
    {Command::Edit,
     "tvxctl edit OPERATION [VALUE] [FILE] [--block P0:P1,R0:R1] (-o OUT | --com N | --port PATH) "
     "[--dry-run]",
     "Edit a block of cells as the window's Table does: set VE, add N (N may be negative),\n"
     "scale PCT (new = old x (1 + PCT/100)), interpolate (every cell from the block's four\n"
     "corners, bilinear in the RPM and pressure breakpoints) or smooth (3/4 of a cell plus 1/4\n"
     "of the mean of its neighbours). Results round to whole values, halves away from zero.\n"
     "--block takes pressure columns P0 to P1, then RPM rows R0 to R1, the indices of set;\n"
     "without it the whole table. A result outside 1..32767 refuses the whole edit, naming\n"
     "the first such cell. On FILE the result goes to -o OUT (never over FILE; interpolation\n"
     "needs breakpoints, so a .vet is refused for it). On the device the table is downloaded\n"
     "and kept in <Documents>/Torvex tables/...-before-edit.json, then only the changed cells\n"
     "are written; --dry-run prints their messages and sends nothing."},
};

const CommandText& TextOf(Command command) {
    for (const CommandText& text : kTexts) {
        if (text.command == command) {
            return text;
        }
    }
    return kTexts[0];
}

} // namespace

const char* UsageOf(Command command) {
    return TextOf(command).usage;
}

std::string HelpText(std::optional<Command> command) {
    if (command) {
        const CommandText& shape = TextOf(*command);
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
    for (const CommandText& shape : kTexts) {
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
