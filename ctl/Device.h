// The device as tvxctl talks to it: opened once, the table downloaded as the window's Connect
// does, cell writes handed over and seen out of the program, each step with a deadline.
#pragma once

#include "link/Protocol.h"
#include "link/qt/QtSerialPort.h"

#include <QElapsedTimer>

#include <functional>
#include <optional>
#include <string>
#include <variant>
#include <vector>

class Device {
public:
    explicit Device(int timeoutMs);

    // --com N (port 0 means --port PATH instead); a failure in the status bar's words.
    std::optional<std::string> open(int com, const std::string& path);
    std::string name() const { return port_.portName(); }

    // "<201>", a quiet line, "<121>", and the reply framed and parsed; never a partial table.
    std::variant<TableReply, std::string> download();

    // "<255>", then every whole live record to `onRecord` (which says whether it was one) as it
    // arrives, until `stop` says so; then "<201>". A line without a record for the timeout, at
    // the start or later, is a failure.
    std::optional<std::string> stream(const std::function<bool()>& stop,
                                      const std::function<bool(const std::string&)>& onRecord);

    // Every message handed over and taken by the line, in order.
    std::optional<std::string> send(const std::vector<std::string>& messages);

private:
    // Runs the event loop until `done`, the port is lost, or `ms` have passed.
    bool runUntil(const std::function<bool()>& done, std::int64_t ms);
    // Until input arrives or `ms` pass; what arrived.
    std::string readWithin(std::int64_t ms);
    std::optional<std::string> transmit(const std::string& text);

    QtSerialPort port_;
    QElapsedTimer clock_;
    int timeoutMs_;
    bool arrived_ = false;
    std::optional<std::string> lost_;
};
