#include "Device.h"

#include "link/InputFramer.h"
#include "link/StreamDrain.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTimer>

#include <algorithm>

Device::Device(int timeoutMs) : timeoutMs_(timeoutMs) {
    clock_.start();
    port_.setReceiveHandler([this] { arrived_ = true; });
    port_.setLostHandler([this](const std::string& what) { lost_ = "Port lost: " + what; });
}

std::optional<std::string> Device::open(int com, const std::string& path) {
    port_.setPortNumber(static_cast<std::int16_t>(com));
    // Qt takes a bare name for one in /dev, so a relative path is made whole first.
    port_.setDevicePath(
        path.empty() ? path
                     : QFileInfo(QString::fromStdString(path)).absoluteFilePath().toStdString());
    port_.setSettings(kLineSettings);
    port_.setReceiveThreshold(1);
    if (!port_.setPortOpen(true)) {
        return "Could not open " + port_.portName() + ": " + port_.errorText();
    }
    return std::nullopt;
}

bool Device::runUntil(const std::function<bool()>& done, std::int64_t ms) {
    // The timer wakes the loop at the deadline; every port event wakes it before.
    QTimer wake;
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    const std::int64_t deadline = clock_.elapsed() + ms;
    for (std::int64_t left; !done() && !lost_ && (left = deadline - clock_.elapsed()) > 0;) {
        wake.start(static_cast<int>(left));
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return done();
}

std::string Device::readWithin(std::int64_t ms) {
    arrived_ = false;
    runUntil([this] { return arrived_; }, ms);
    return port_.receiveAll();
}

std::optional<std::string> Device::transmit(const std::string& text) {
    if (lost_) {
        return lost_;
    }
    if (!port_.transmit(text)) {
        return "Could not send " + text + " to the device: " + port_.errorText();
    }
    return std::nullopt;
}

std::variant<TableReply, std::string> Device::download() {
    if (auto error = transmit(command::kRealTimeOff)) {
        return *error;
    }
    port_.receiveAll(); // whatever was waiting belongs to no request of ours
    StreamDrain drain;
    drain.start(clock_.elapsed());
    while (drain.active()) {
        const bool got = !readWithin(quiet::kDrainMs).empty();
        if (lost_) {
            return *lost_;
        }
        if (!got) {
            drain.stop(); // quiet
        } else if (drain.onInput(clock_.elapsed(), got) == StreamDrain::Next::GiveUp) {
            return std::string(kKeptStreamingText);
        }
    }
    if (auto error = transmit(command::kSendTable)) {
        return *error;
    }
    InputFramer framer;
    const std::int64_t deadline = clock_.elapsed() + timeoutMs_;
    for (std::int64_t left; (left = deadline - clock_.elapsed()) > 0;) {
        // A reply without a terminator has ended once the line has been quiet for a while.
        const bool pending = framer.pendingSize() > 0;
        const std::string read =
            readWithin(pending ? std::min<std::int64_t>(quiet::kReplyMs, left) : left);
        if (lost_) {
            return *lost_;
        }
        framer.feed(read);
        const std::optional<std::string> reply =
            framer.takeTableReply(read.empty() && pending && deadline > clock_.elapsed());
        if (!reply) {
            continue;
        }
        auto parsed = ParseTableReply(*reply);
        if (const auto* error = std::get_if<ParseError>(&parsed)) {
            return "Table not loaded, the device's " + error->reason;
        }
        return std::get<TableReply>(parsed);
    }
    return "Table not loaded, the device did not answer <121> within " +
           std::to_string(timeoutMs_) + " ms";
}

std::optional<std::string> Device::send(const std::vector<std::string>& messages) {
    for (const std::string& message : messages) {
        if (auto error = transmit(message)) {
            return error;
        }
    }
    runUntil([this] { return port_.bytesToWrite() == 0; }, timeoutMs_);
    if (lost_) {
        return lost_;
    }
    if (port_.bytesToWrite() > 0) {
        return "The device took no input within " + std::to_string(timeoutMs_) + " ms";
    }
    return std::nullopt;
}

std::optional<std::string> Device::stream(const std::function<bool()>& stop,
                                          const std::function<bool(const std::string&)>& onRecord) {
    if (auto error = send({command::kRealTimeOn})) {
        return error;
    }
    InputFramer framer;
    std::int64_t deadline = clock_.elapsed() + timeoutMs_;
    while (!stop()) {
        // Also how often `stop` is asked; a record without a terminator has ended by then.
        const bool pending = framer.pendingSize() > 0;
        const std::string read = readWithin(quiet::kRecordMs);
        if (lost_) {
            return lost_;
        }
        framer.feed(read);
        for (const std::string& record : framer.takeRecords(read.empty() && pending)) {
            if (onRecord(record)) {
                deadline = clock_.elapsed() + timeoutMs_;
            }
        }
        if (clock_.elapsed() > deadline) {
            send({command::kRealTimeOff});
            return "The device sent no live record within " + std::to_string(timeoutMs_) + " ms";
        }
    }
    return send({command::kRealTimeOff});
}
