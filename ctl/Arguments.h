// tvxctl's command line: the command, its operands and options.
#pragma once

#include "AnalyzeArguments.h"
#include "edit/Block.h"
#include "edit/BlockOperation.h"

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

enum class Command { Ports, Get, Put, Verify, Diff, Set, Convert, Log, Analyze, Edit };

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
    bool force = false;    // log --force: replace an existing FILE
    int mlgVersion = 1;    // convert --mlg-version: of a binary log written
    int cell = 0;          // set P R VALUE
    std::int16_t value = 0;
    AnalyzeRequest analyze;
    EditOperation edit; // edit OPERATION [VALUE]; files then holds FILE, if given
    Block block;        // edit --block P0:P1,R0:R1; the whole table without it

    // Whether the command talks to the device at all.
    bool needsDevice() const;
};

// The arguments after the program's name; else why not, in words for stderr.
std::variant<Invocation, std::string> ParseArguments(const std::vector<std::string>& args);
