// tvxsim's command line: what the virtual device does and which faults it injects.
#pragma once

#include "EngineModel.h"
#include "Replay.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tvxsim {

enum class Terminator { Comma, CrLf, None };
enum class Split { None, Random, Byte };

struct Options {
    std::string link;
    std::string vetFile;
    int intake = 1;
    int rate = 50; // records per second, unless rateMax
    bool rateMax = false;
    Terminator terminator = Terminator::Comma;
    Split split = Split::None;
    double garbage = 0.0; // probability per record
    bool nul = false;
    int longField = 0; // digits; 0 is off
    bool truncateReply = false;
    std::optional<long> stallAfter;
    std::optional<long> hangupAfter; // records
    bool hangupInReply = false;
    std::string log;
    std::string sentLog;
    // Raw bytes sent as they are instead of the table reply, or instead of each live record.
    std::string replyFile;
    std::string streamFile;
    std::string replyText;
    std::string streamText;
    // A datalog streamed in place of the engine model, opened (and read through) at start-up.
    std::string replayFile;
    std::shared_ptr<ReplaySource> replay;
    double speed = 1.0;
    bool loop = false;
    // The engine: what it truly breathes, what the device fuels for, how it is driven.
    std::string trueVeFile;
    std::string target; // an air/fuel ratio or a .csv grid; empty: the default target
    WidebandLag widebandLag;
    bool warm = false;
    DriveChoice drive;
    SensorTraits sensors;
    bool accelFades = false;
    // The engine and its drive run as fast as the machine allows, the log the window would have
    // recorded written here (with its table beside), instead of serving a line.
    std::string writeLog;
    double seconds = 600;
    bool engineOptions = false;            // any of the above was given
    std::optional<CellValues> trueVe;      // read at start-up; none: the device's own table
    std::optional<CellValues> targetCells; // read at start-up; none: the default target
    std::optional<std::uint64_t> seed;
    int rateOfLog() const { return rateMax ? 500 : rate; }
    bool help = false;
    bool version = false;
};

struct ParsedOptions {
    Options options;
    std::string error; // empty when the command line was understood
};

// args excludes the program name.
ParsedOptions parseOptions(const std::vector<std::string>& args);

// The engine the options describe, on the device's table: its own cells as the true VE and the
// default target unless given.
EngineSetup EngineSetupOf(const Options& options, const VeTable& device);

} // namespace tvxsim
