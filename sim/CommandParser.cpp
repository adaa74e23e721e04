#include "CommandParser.h"

#include <cstdio>
#include <utility>

namespace tvxsim {
namespace {

// Decimal the way the host writes it: no plus, no leading zeros, no "-0".
std::optional<long> strictDecimal(std::string_view text, bool allowMinus) {
    const bool negative = allowMinus && text.starts_with('-');
    const std::string_view digits = negative ? text.substr(1) : text;
    if (digits.empty() || digits.size() > 6 || (digits.size() > 1 && digits[0] == '0') ||
        (negative && digits == "0")) {
        return std::nullopt;
    }
    long value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    return negative ? -value : value;
}

std::optional<Command> parseCellWrite(std::string_view message) {
    constexpr std::string_view prefix = "<234,";
    if (!message.starts_with(prefix) || !message.ends_with('>')) {
        return std::nullopt;
    }
    const std::string_view body = message.substr(prefix.size(), message.size() - prefix.size() - 1);
    const auto colon = body.find(':');
    if (colon == std::string_view::npos) {
        return std::nullopt;
    }
    const auto index = strictDecimal(body.substr(0, colon), false);
    const auto value = strictDecimal(body.substr(colon + 1), true);
    if (!index || !value || *index > 399 || *value < -32768 || *value > 32767) {
        return std::nullopt;
    }
    Command command{Command::Kind::WriteCell};
    command.index = static_cast<int>(*index);
    command.value = static_cast<int>(*value);
    return command;
}

} // namespace

std::optional<Command> parseCommand(std::string_view message) {
    using Kind = Command::Kind;
    if (message == "<201>") {
        return Command{Kind::StopStream};
    }
    if (message == "<121>") {
        return Command{Kind::SendTable};
    }
    if (message == "<255>") {
        return Command{Kind::StartStream};
    }
    if (message == "<241>" || message == "<242>" || message == "<243>") {
        Command command{Kind::SetIntake};
        command.intake = message[3] - '0';
        return command;
    }
    return parseCellWrite(message);
}

std::vector<Received> CommandParser::feed(std::string_view bytes) {
    std::vector<Received> out;
    auto flushStray = [&] {
        if (!stray_.empty()) {
            out.push_back({std::exchange(stray_, {}), std::nullopt});
        }
    };
    for (char c : bytes) {
        if (c == '<') {
            // A new "<" ends whatever was open: the host never nests messages.
            flushStray();
            if (!message_.empty()) {
                out.push_back({std::exchange(message_, {}), std::nullopt});
            }
            message_.push_back('<');
        } else if (!message_.empty()) {
            message_ += c;
            if (c == '>') {
                auto command = parseCommand(message_);
                out.push_back({std::exchange(message_, {}), command});
            } else if (message_.size() >= kMaxMessage) {
                out.push_back({std::exchange(message_, {}), std::nullopt});
            }
        } else {
            stray_ += c;
            if (stray_.size() >= kMaxMessage) {
                flushStray();
            }
        }
    }
    flushStray();
    return out;
}

std::string printable(std::string_view bytes) {
    std::string out;
    for (char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte >= 0x7f || c == '\\') {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace tvxsim
