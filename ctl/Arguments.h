// tvxctl's command line, its help, and the pure work of its commands: comparing cells and the
// cell writes that make a device hold a table.
#pragma once

#include "AnalyzeArguments.h"
#include "table/VeTable.h"

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

enum class Command { Ports, Get, Put, Verify, Diff, Set, Convert, Log, Analyze };

// Exit codes: success, a difference found (verify, diff), any failure.
inline constexpr int kExitSame = 0;
inline constexpr int kExitDiffers = 1;
inline constexpr int kExitFailed = 2;

struct Invocation {
    std::optional<Command> command; // none for the program's --help and --version
    bool help = false;
    bool version = false;
    int com = 0;          // 1 to 20, or 0 when --port names the device or none is needed
    std::string port;     // --port PATH
    int timeoutMs = 2000; // --timeout SECONDS
    std::string output;   // get, log and analyze -o FILE; empty: CSV to stdout
    int seconds = 0;      // log --seconds N; 0: until Ctrl+C
    std::vector<std::string> files;
    bool changedOnly = false;
    bool dryRun = false;
    bool noBackup = false; // put --no-backup
    int cell = 0;          // set P R VALUE
    std::int16_t value = 0;
    AnalyzeRequest analyze;

    // Whether the command talks to the device at all.
    bool needsDevice() const;
};

// The arguments after the program's name; else why not, in words for stderr.
std::variant<Invocation, std::string> ParseArguments(const std::vector<std::string>& args);

// The program's help, or one command's.
std::string HelpText(std::optional<Command> command);

struct CellDifference {
    int cell;
    std::int16_t first;
    std::int16_t second;
};
std::vector<CellDifference> DifferentCells(const VeTable& first, const VeTable& second);

// One line per cell: pressure index, RPM index, first value, second value.
std::string DifferenceLines(const std::vector<CellDifference>& differences);

// The cell write messages, in index order, that make a device hold `cells`: all 400, or with
// `device` known, only those it does not hold already.
std::vector<std::string> CellWrites(const VeTable& cells, const VeTable* device = nullptr);
