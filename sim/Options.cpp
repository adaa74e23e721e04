#include "Options.h"

#include "model/AfrTarget.h"

#include <CLI/CLI.hpp>

#include <charconv>
#include <cmath>
#include <string_view>

namespace tvxsim {
namespace {

template <typename T> bool parseNumber(std::string_view text, T& out) {
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, out);
    return !text.empty() && error == std::errc() && stop == end;
}

// "hold:RPM,PSI": RPM and absolute PSI within what the engine can do.
bool parseHold(std::string_view value, DriveChoice& drive) {
    using L = EngineLimits;
    constexpr std::string_view prefix = "hold:";
    const auto comma = value.find(',');
    if (!value.starts_with(prefix) || comma == std::string_view::npos) {
        return false;
    }
    return parseNumber(value.substr(prefix.size(), comma - prefix.size()), drive.holdRpm) &&
           parseNumber(value.substr(comma + 1), drive.holdPsi) && drive.holdRpm >= L::kMinRpm &&
           drive.holdRpm <= L::kMaxRpm && drive.holdPsi >= L::kMinPsi &&
           drive.holdPsi <= L::kMaxPsi;
}

// An option whose text `take` reads, refusing it with `what` it takes.
void Custom(CLI::App& app, const char* name, const char* what,
            std::function<bool(const std::string&)> take) {
    app.add_option_function<std::string>(name, [name, what, take](const std::string& value) {
        if (!take(value)) {
            throw CLI::ValidationError(name, "bad value '" + value + "' (" + what + ")");
        }
    });
}

// A number within [low, high].
template <typename T>
void Number(CLI::App& app, const char* name, T& field, T low, T high, const char* what) {
    Custom(app, name, what, [&field, low, high](const std::string& v) {
        T n{};
        return parseNumber(v, n) && n >= low && n <= high && (field = n, true);
    });
}

void Declare(CLI::App& app, Options& o) {
    app.set_help_flag(); // the help is ours, below
    app.add_flag("-h,--help", o.help);
    app.add_flag("--version", o.version);
    for (auto [name, path] : {std::pair{"--link", &o.link},
                              {"--vet", &o.vetFile},
                              {"--log", &o.log},
                              {"--sent-log", &o.sentLog},
                              {"--reply-file", &o.replyFile},
                              {"--stream-file", &o.streamFile},
                              {"--replay", &o.replayFile},
                              {"--true-ve", &o.trueVeFile},
                              {"--write-log", &o.writeLog},
                              {"--target", &o.target}}) {
        app.add_option(name, *path)
            ->check(CLI::Validator(
                [](const std::string& v) { return v.empty() ? "needs a value" : ""; }, ""));
    }
    Number(app, "--intake", o.intake, -32768, 32767, "-32768 to 32767");
    Number(app, "--garbage", o.garbage, 0.0, 1.0, "a probability, 0 to 1");
    Number(app, "--long-field", o.longField, 1, 100000, "1 to 100000 digits");
    Number(app, "--speed", o.speed, 0.001, 1000.0, "a factor, 0.001 to 1000");
    Number(app, "--seconds", o.seconds, 1.0, 86400.0, "1 to 86400 seconds of driving");
    Custom(app, "--sensor-ms", "milliseconds, 1 to 1000", [&o](const std::string& v) {
        double ms = 0;
        return parseNumber(v, ms) && ms >= 1 && ms <= 1000 &&
               (o.sensors.responseS = ms / 1000, true);
    });
    Number(app, "--noise", o.sensors.noiseAfr, 0.0, 1.0, "an air/fuel ratio, 0 to 1");
    Custom(app, "--accel", "step or fade", [&o](const std::string& v) {
        o.accelFades = v == "fade";
        return v == "step" || v == "fade";
    });
    Custom(app, "--wideband-lag", kLagText,
           [&o](const std::string& v) { return ParseWidebandLag(v, o.widebandLag); });
    Custom(app, "--stall-after", "a record count, 0 or more", [&o](const std::string& v) {
        long n = 0;
        return parseNumber(v, n) && n >= 0 && (o.stallAfter = n, true);
    });
    Custom(app, "--seed", "a whole number, 0 or more", [&o](const std::string& v) {
        std::uint64_t n = 0;
        return parseNumber(v, n) && (o.seed = n, true);
    });
    Custom(app, "--terminator", "comma, crlf or none", [&o](const std::string& v) {
        o.terminator = v == "crlf"   ? Terminator::CrLf
                       : v == "none" ? Terminator::None
                                     : Terminator::Comma;
        return v == "comma" || v == "crlf" || v == "none";
    });
    Custom(app, "--split", "none, random or byte", [&o](const std::string& v) {
        o.split = v == "random" ? Split::Random : v == "byte" ? Split::Byte : Split::None;
        return v == "none" || v == "random" || v == "byte";
    });
    Custom(app, "--rate", "1 to 10000, or max", [&o](const std::string& v) {
        o.rateMax = v == "max";
        return o.rateMax || (parseNumber(v, o.rate) && o.rate >= 1 && o.rate <= 10000);
    });
    Custom(app, "--hangup-after", "a record count of at least 1, or reply",
           [&o](const std::string& v) {
               long n = 0;
               o.hangupInReply = v == "reply";
               if (!o.hangupInReply && parseNumber(v, n) && n >= 1) {
                   o.hangupAfter = n;
               }
               return o.hangupInReply || o.hangupAfter;
           });
    Custom(app, "--drive", "mixed, sweep, jumps, or hold:RPM,PSI within 800-6500 RPM and 5-30 PSI",
           [&o](const std::string& v) {
               using Kind = DriveChoice::Kind;
               o.drive.kind = v == "mixed"   ? Kind::Mixed
                              : v == "sweep" ? Kind::Sweep
                              : v == "jumps" ? Kind::Jumps
                                             : Kind::Hold;
               return o.drive.kind != Kind::Hold || parseHold(v, o.drive);
           });
    app.add_flag("--nul", o.nul);
    app.add_flag("--truncate-reply", o.truncateReply);
    app.add_flag("--loop", o.loop);
    app.add_flag("--warm", o.warm);
}

// What the options say together.
std::string Conflicts(const Options& o) {
    if (!o.help && !o.version && o.link.empty() && o.writeLog.empty()) {
        return "--link PATH or --write-log FILE is required";
    }
    if (!o.link.empty() && !o.writeLog.empty()) {
        return "--write-log runs the engine without a line: give it or --link, not both";
    }
    if (!o.writeLog.empty() && !o.replayFile.empty()) {
        return "--write-log writes the engine's drive: it has no --replay";
    }
    if (!o.replayFile.empty() && !o.streamFile.empty()) {
        return "--replay and --stream-file both replace the live records; give one";
    }
    if (o.replayFile.empty() && (o.loop || o.speed != 1.0)) {
        return "--speed and --loop belong to --replay";
    }
    if (!o.replayFile.empty() && o.engineOptions) {
        return "a replay has no engine: --true-ve, --target, --wideband-lag, --warm, --drive, "
               "--sensor-ms, --noise and --accel belong to the engine";
    }
    return {};
}

} // namespace

EngineSetup EngineSetupOf(const Options& o, const VeTable& device) {
    return {o.trueVe.value_or(CellsOf(device)),
            o.targetCells.value_or(DefaultTarget(device)),
            o.widebandLag,
            o.warm,
            o.drive,
            o.sensors,
            o.accelFades};
}

ParsedOptions parseOptions(const std::vector<std::string>& args) {
    ParsedOptions result;
    CLI::App app("tvxsim");
    Declare(app, result.options);
    try {
        std::vector<std::string> reversed(args.rbegin(), args.rend()); // as CLI11 takes them
        app.parse(reversed);
    } catch (const CLI::ParseError& error) {
        result.error = error.what();
        return result;
    }
    for (const char* name : {"--true-ve", "--target", "--wideband-lag", "--warm", "--drive",
                             "--sensor-ms", "--noise", "--accel"}) {
        result.options.engineOptions |= app.count(name) > 0;
    }
    result.error = Conflicts(result.options);
    return result;
}

} // namespace tvxsim
