// Cuts what the host sends into its "<...>" messages, whatever pieces the bytes arrive in.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tvxsim {

struct Command {
    enum class Kind { StopStream, SendTable, StartStream, SetIntake, WriteCell };
    Kind kind = Kind::StopStream;
    int intake = 0;
    int index = 0;
    int value = 0;
    bool operator==(const Command&) const = default;
};

// A whole message, "<" to ">"; empty unless it is exactly one of the commands.
std::optional<Command> parseCommand(std::string_view message);

struct Received {
    std::string text;               // the bytes exactly as they came
    std::optional<Command> command; // empty for anything that is ignored
};

class CommandParser {
public:
    // The longest real command is 16 bytes; a "message" longer than this is junk.
    static constexpr std::size_t kMaxMessage = 32;

    // Everything these bytes complete, in order. Bytes outside "<...>" come back as
    // ignored text, so nothing received goes unaccounted.
    std::vector<Received> feed(std::string_view bytes);

private:
    std::string message_; // from "<" on, while one is open
    std::string stray_;
};

// Text safe for a one-line log: unprintable bytes and backslashes as \xNN.
std::string printable(std::string_view bytes);

} // namespace tvxsim
