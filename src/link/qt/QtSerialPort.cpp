#include "link/qt/QtSerialPort.h"
#include "link/InputFramer.h"
#include "link/qt/PresentPorts.h"

#include <QFileInfo>

#include <QStringList>

std::optional<LineSettings> ParseLineSettings(const std::string& text) {
    const QStringList parts = QString::fromStdString(text).split(',');
    if (parts.size() != 4) {
        return std::nullopt;
    }
    LineSettings s;
    bool ok = false;
    s.baud = parts[0].trimmed().toInt(&ok);
    if (!ok || s.baud <= 0) {
        return std::nullopt;
    }
    const QString parity = parts[1].trimmed().toUpper();
    if (parity == "N") {
        s.parity = QSerialPort::NoParity;
    } else if (parity == "E") {
        s.parity = QSerialPort::EvenParity;
    } else if (parity == "O") {
        s.parity = QSerialPort::OddParity;
    } else if (parity == "M") {
        s.parity = QSerialPort::MarkParity;
    } else if (parity == "S") {
        s.parity = QSerialPort::SpaceParity;
    } else {
        return std::nullopt;
    }
    const int data = parts[2].trimmed().toInt(&ok);
    if (!ok || data < 5 || data > 8) {
        return std::nullopt;
    }
    s.dataBits = static_cast<QSerialPort::DataBits>(data);
    const QString stop = parts[3].trimmed();
    if (stop == "1") {
        s.stopBits = QSerialPort::OneStop;
    } else if (stop == "1.5") {
        s.stopBits = QSerialPort::OneAndHalfStop;
    } else if (stop == "2") {
        s.stopBits = QSerialPort::TwoStop;
    } else {
        return std::nullopt;
    }
    return s;
}

QtSerialPort::QtSerialPort(QObject* parent) : QObject(parent) {
    connect(&port_, &QSerialPort::readyRead, this, &QtSerialPort::onReadyRead);
    connect(&port_, &QSerialPort::errorOccurred, this, &QtSerialPort::onError);
}

void QtSerialPort::setPortNumber(std::int16_t port) {
    portNumber_ = port;
}

void QtSerialPort::setSettings(const std::string& settings) {
    if (const auto parsed = ParseLineSettings(settings)) {
        settings_ = *parsed;
    } else {
        errorText_ = "line settings \"" + settings + "\" not understood";
    }
}

namespace {

OpenFailure FailureOf(QSerialPort::SerialPortError error, const QString& path) {
    if (error == QSerialPort::DeviceNotFoundError) {
        return OpenFailure::NoSuchDevice;
    }
    if (error == QSerialPort::PermissionError) {
        // Qt says this of a device another program holds, too; whether we may use it tells.
        const QFileInfo device(path);
        return device.isReadable() && device.isWritable() ? OpenFailure::Busy
                                                          : OpenFailure::PermissionDenied;
    }
    return OpenFailure::Other;
}

} // namespace

bool QtSerialPort::fail(const std::string& reason) {
    errorText_ = reason;
    return false;
}

bool QtSerialPort::setPortOpen(bool open) {
    if (!open) {
        if (port_.isOpen()) {
            port_.close();
        }
        return true;
    }
    std::optional<PortRecord> target;
    if (!devicePath_.empty()) {
        target = PortRecord{devicePath_, {}, {}, {}};
        name_ = devicePath_;
    } else {
        name_ = "COM " + std::to_string(portNumber_);
        if (portNumber_ < 1 || portNumber_ > kComPortCount) {
            return fail("no COM port chosen; pick one in the COM menu");
        }
        const std::vector<PortRecord> present = PresentPorts();
        target = ComPortNow(portNumber_, present);
        name_ = ComPortName(portNumber_, target);
        if (!target) {
            return fail(NoDeviceText(present));
        }
    }
    const QString path = QString::fromStdString(target->path);
    if (QFileInfo(path).isFile()) {
        return fail(target->path + " is a regular file, not a serial device");
    }
    // Opening again re-reads the port number and settings, so a new choice takes effect.
    if (port_.isOpen()) {
        port_.close();
    }
    port_.setPortName(path);
    paced_ = false;
    port_.setReadBufferSize(0);
    if (!port_.open(QIODevice::ReadWrite)) {
        return fail(OpenFailureText(FailureOf(port_.error(), path), target->path,
                                    port_.errorString().toStdString()));
    }
    const bool configured =
        port_.setBaudRate(settings_.baud) && port_.setParity(settings_.parity) &&
        port_.setDataBits(settings_.dataBits) && port_.setStopBits(settings_.stopBits) &&
        port_.setFlowControl(QSerialPort::NoFlowControl);
    if (!configured) {
        const std::string reason = port_.errorString().toStdString();
        port_.close();
        return fail("line settings refused: " + reason);
    }
    return true;
}

bool QtSerialPort::transmit(const std::string& text) {
    if (!port_.isOpen()) {
        return fail("the port is not open");
    }
    const qint64 written = port_.write(text.data(), static_cast<qint64>(text.size()));
    if (written != static_cast<qint64>(text.size())) {
        return fail(port_.errorString().toStdString());
    }
    return true;
}

std::string QtSerialPort::receiveAll() {
    if (!port_.isOpen()) {
        return {};
    }
    const QByteArray all = paced_ ? readWaiting() : port_.readAll();
    readsTaken_ += all.isEmpty() ? 0 : 1;
    return std::string(all.constData(), static_cast<std::size_t>(all.size()));
}

namespace {

// Half the framer's bound, so one read never makes it drop input; at the line rate a frame
// brings about 200 bytes, and what is left waits for the next frame.
constexpr qint64 kPacedReadBytes = InputFramer::kMaxPending / 2;

} // namespace

// With a read-buffer limit, QSerialPort stops watching the port once its buffer is full and
// starts again when it is read; a limit of one byte leaves everything after the first byte of a
// frame in the kernel's buffer, unread and not lost.
QByteArray QtSerialPort::readWaiting() {
    reading_ = true;
    port_.setReadBufferSize(kPacedReadBytes);
    port_.waitForReadyRead(0); // takes what the kernel holds, without waiting
    const QByteArray all = port_.readAll();
    port_.setReadBufferSize(1);
    port_.clearError(); // an empty port times out; that is no fault
    reading_ = false;
    return all;
}

bool QtSerialPort::decidePacing() {
    const bool paced = streaming_ && streaming_();
    if (paced != paced_) {
        paced_ = paced;
        port_.setReadBufferSize(paced ? 1 : 0);
    }
    return paced;
}

void QtSerialPort::readAtFrame() {
    if (paced_ && port_.isOpen() && threshold_ > 0 && onReceive_ && port_.bytesAvailable() > 0) {
        onReceive_();
    }
    decidePacing();
}

void QtSerialPort::onReadyRead() {
    if (threshold_ <= 0 || !onReceive_ || reading_) {
        return;
    }
    if (decidePacing() && askFrame_) {
        askFrame_();
        return;
    }
    onReceive_();
}

void QtSerialPort::onError(QSerialPort::SerialPortError error) {
    // The device went away (unplugged, or the far end of a pseudo-terminal closed). A hang-up
    // shows as failing reads that would repeat for ever, so either way the port is closed.
    if (error != QSerialPort::ResourceError && error != QSerialPort::ReadError) {
        return; // open and write failures are returned to the caller instead
    }
    if (!port_.isOpen()) {
        return;
    }
    errorText_ = "the device hung up (" + port_.errorString().toStdString() + ")";
    port_.close();
    if (onLost_) {
        onLost_(name_ + ": " + errorText_);
    }
}
