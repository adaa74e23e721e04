#include "Options.h"

#include <charconv>
#include <cmath>
#include <string_view>

namespace tvxsim {
namespace {

template <typename T> bool parseNumber(std::string_view text, T& out) {
    if (text.empty()) {
        return false;
    }
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, out);
    return error == std::errc() && stop == end;
}

struct OptionShape {
    std::string_view name;
    bool takesValue;
};

constexpr OptionShape kOptions[] = {
    {"--link", true},        {"--vet", true},
    {"--intake", true},      {"--rate", true},
    {"--terminator", true},  {"--split", true},
    {"--garbage", true},     {"--nul", false},
    {"--long-field", true},  {"--truncate-reply", false},
    {"--stall-after", true}, {"--hangup-after", true},
    {"--log", true},         {"--sent-log", true},
    {"--seed", true},        {"--help", false},
    {"--reply-file", true},  {"--stream-file", true},
    {"-h", false},           {"--version", false},
    {"--replay", true},      {"--speed", true},
    {"--loop", false},
};

const OptionShape* findOption(std::string_view name) {
    for (const OptionShape& option : kOptions) {
        if (option.name == name) {
            return &option;
        }
    }
    return nullptr;
}

std::string apply(Options& o, std::string_view name, std::string_view value) {
    const std::string bad = std::string(name) + ": bad value '" + std::string(value) + "'";
    if (name == "--link" || name == "--vet" || name == "--log" || name == "--sent-log" ||
        name == "--reply-file" || name == "--stream-file" || name == "--replay") {
        if (value.empty()) {
            return std::string(name) + " needs a path";
        }
        std::string& target = name == "--link"          ? o.link
                              : name == "--vet"         ? o.vetFile
                              : name == "--log"         ? o.log
                              : name == "--reply-file"  ? o.replyFile
                              : name == "--stream-file" ? o.streamFile
                              : name == "--replay"      ? o.replayFile
                                                        : o.sentLog;
        target = value;
    } else if (name == "--intake") {
        if (!parseNumber(value, o.intake) || o.intake < -32768 || o.intake > 32767) {
            return bad;
        }
    } else if (name == "--rate") {
        o.rateMax = value == "max";
        if (!o.rateMax && (!parseNumber(value, o.rate) || o.rate < 1 || o.rate > 10000)) {
            return bad + " (1 to 10000, or max)";
        }
    } else if (name == "--terminator") {
        if (value == "comma") {
            o.terminator = Terminator::Comma;
        } else if (value == "crlf") {
            o.terminator = Terminator::CrLf;
        } else if (value == "none") {
            o.terminator = Terminator::None;
        } else {
            return bad + " (comma, crlf or none)";
        }
    } else if (name == "--split") {
        if (value == "none") {
            o.split = Split::None;
        } else if (value == "random") {
            o.split = Split::Random;
        } else if (value == "byte") {
            o.split = Split::Byte;
        } else {
            return bad + " (none, random or byte)";
        }
    } else if (name == "--garbage") {
        if (!parseNumber(value, o.garbage) || !(o.garbage >= 0.0 && o.garbage <= 1.0)) {
            return bad + " (a probability, 0 to 1)";
        }
    } else if (name == "--long-field") {
        if (!parseNumber(value, o.longField) || o.longField < 1 || o.longField > 100000) {
            return bad;
        }
    } else if (name == "--stall-after") {
        long n = 0;
        if (!parseNumber(value, n) || n < 0) {
            return bad;
        }
        o.stallAfter = n;
    } else if (name == "--hangup-after") {
        long n = 0;
        if (value == "reply") {
            o.hangupInReply = true;
        } else if (parseNumber(value, n) && n >= 1) {
            o.hangupAfter = n;
        } else {
            return bad + " (a record count of at least 1, or reply)";
        }
    } else if (name == "--seed") {
        std::uint64_t seed = 0;
        if (!parseNumber(value, seed)) {
            return bad;
        }
        o.seed = seed;
    } else if (name == "--speed") {
        if (!parseNumber(value, o.speed) || !std::isfinite(o.speed) || o.speed <= 0) {
            return bad + " (a factor above 0)";
        }
    } else if (name == "--loop") {
        o.loop = true;
    } else if (name == "--nul") {
        o.nul = true;
    } else if (name == "--truncate-reply") {
        o.truncateReply = true;
    } else if (name == "--version") {
        o.version = true;
    } else {
        o.help = true;
    }
    return {};
}

} // namespace

ParsedOptions parseOptions(const std::vector<std::string>& args) {
    ParsedOptions result;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        std::string_view name = arg;
        std::string_view value;
        const auto equals = arg.find('=');
        const bool inlineValue = arg.starts_with("--") && equals != std::string_view::npos;
        if (inlineValue) {
            name = arg.substr(0, equals);
            value = arg.substr(equals + 1);
        }
        const OptionShape* option = findOption(name);
        if (option == nullptr) {
            result.error = "unknown option '" + std::string(arg) + "'";
            return result;
        }
        if (option->takesValue && !inlineValue) {
            if (i + 1 == args.size()) {
                result.error = std::string(name) + " needs a value";
                return result;
            }
            value = args[++i];
        } else if (!option->takesValue && inlineValue) {
            result.error = std::string(name) + " takes no value";
            return result;
        }
        result.error = apply(result.options, name, value);
        if (!result.error.empty()) {
            return result;
        }
    }
    if (!result.options.help && !result.options.version && result.options.link.empty()) {
        result.error = "--link PATH is required";
    } else if (!result.options.replayFile.empty() && !result.options.streamFile.empty()) {
        result.error = "--replay and --stream-file both replace the live records; give one";
    } else if (result.options.replayFile.empty() &&
               (result.options.loop || result.options.speed != 1.0)) {
        result.error = "--speed and --loop belong to --replay";
    }
    return result;
}

std::string helpText() {
    return R"(Usage: tvxsim --link PATH [options]

A virtual Torvex device on a pseudo-terminal. It makes PATH a symlink to the
terminal's serial end (replacing an existing symlink, never another file),
prints that serial path as the first line of stdout, and serves the device's
protocol until SIGTERM or SIGINT, when it removes the symlink and exits 0.
Clients may open and close PATH as often as they like.

Commands it obeys (anything else is ignored):
  <201>               stop streaming live records
  <121>               send the table reply
  <255>               start streaming live records
  <241> <242> <243>   set the intake type to 1, 2 or 3
  <234,I:V>           set VE cell I (0-399) to V (-32768..32767); decimal,
                      no leading zeros, no plus sign

What it sends:
  table reply   441 comma-separated integers: 400 VE cells (cell index =
                pressure index * 20 + rpm index), 20 RPM breakpoints in
                hundreds of RPM, 20 pressure breakpoints in absolute PSI,
                the intake type; followed by the terminator.
  live record   255,PRESSURE_ABS_PSI,RPM,TEMP_F,WB1,AIRFLOW,WB2 followed by
                the terminator; AIRFLOW is volts, or Hz with intake type 3.
                Numbers have at most 2 decimals (a replay sends the
                log's own digits).

Options:
  --link PATH           symlink to create (required)
  --vet FILE            take the 400 VE cells from a .vet file (byte k is
                        cell k, unsigned; bytes after 400 are ignored)
  --intake N            intake type reported before any <24x> (default 1)
  --rate N|max          records per second while streaming (default 50);
                        max sends the next record as soon as the line has
                        taken the previous one
  --terminator T        after each record and reply: comma (default, records
                        run together), crlf, or none
  --split S             how output is cut into writes: none (default),
                        random (random chunks with pauses of up to 3 ms), or
                        byte (one write per byte)
  --garbage P           with probability P per record, insert 1-8 random
                        non-NUL bytes somewhere in it
  --nul                 with probability 0.1 per record, insert 1-3 NUL bytes
  --long-field N        with probability 0.05 per record, replace one value
                        field with N digits
  --truncate-reply      send every table reply cut short at a random point,
                        without its terminator
  --stall-after N       after N records send nothing more (no records, no
                        replies) but keep reading and logging commands
  --hangup-after N      hang up after the Nth record has been sent: close the
                        terminal, remove the symlink and exit 0
  --hangup-after reply  hang up part way through the first table reply
  --log FILE            append every message received, one per line, exactly
                        as received; anything ignored is logged as a line
                        starting "# ignored: " with unprintable bytes as \xNN
  --sent-log FILE       append every record and reply as generated, before
                        any fault is injected, one per line
  --reply-file FILE     answer <121> with FILE's bytes exactly, nothing added
                        (hostile replies: huge numbers, NaN, missing fields)
  --stream-file FILE    while streaming, send FILE's bytes exactly in place of
                        each live record (a stream with no comma, random bytes
                        as from a wrong baud rate)
  --replay LOG          stream the rows of a datalog (.msl or .csv, as the
                        program records them) instead of the engine model, at
                        their recorded spacing; each value is sent as the log
                        printed it. <201> pauses, the next <255> resumes at the
                        next row; after the last row the stream falls silent
  --speed X             replay X times as fast as recorded (default 1; above 0)
  --loop                replay from the first row again after the last
  --seed N              seed for the engine model and the faults (default:
                        random, printed on stderr)
  -h, --help            show this text
      --version         print the version
)";
}

} // namespace tvxsim
