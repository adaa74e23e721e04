// The serial component over QSerialPort, on the window's event thread.
#pragma once

#include "link/SerialPort.h"

#include <QObject>
#include <QSerialPort>

#include <functional>
#include <optional>

struct LineSettings {
    qint32 baud = 9600;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;
};

// "115200,N,8,1": baud, parity letter (N E O M S), data bits 5-8, stop bits 1, 1.5 or 2.
std::optional<LineSettings> ParseLineSettings(const std::string& text);

class QtSerialPort : public QObject, public SerialPort {
    Q_OBJECT
public:
    explicit QtSerialPort(QObject* parent = nullptr);

    // Raised for every arrival while the receive threshold is above 0.
    void setReceiveHandler(std::function<void()> handler) { onReceive_ = std::move(handler); }
    // Told when the device goes away, with the port and the reason.
    void setLostHandler(std::function<void(const std::string&)> handler) {
        onLost_ = std::move(handler);
    }

    // While `streaming` holds, arrivals wait in the port between display frames: the first byte
    // after a read calls `askFrame`, and readAtFrame, at the frame's start, reads everything
    // waiting at once. Otherwise every arrival is handed on at once, as the download needs.
    void setPacing(std::function<bool()> streaming, std::function<void()> askFrame) {
        streaming_ = std::move(streaming);
        askFrame_ = std::move(askFrame);
    }
    void readAtFrame();
    // Reads that returned input, since the port was made.
    std::uint64_t readsTaken() const { return readsTaken_; }

    // A device named directly, in place of the COM number's; empty goes back to the number.
    void setDevicePath(std::string path) { devicePath_ = std::move(path); }
    // Bytes handed over but not yet taken by the device; closing would drop them.
    qint64 bytesToWrite() const { return port_.bytesToWrite(); }

    void setPortNumber(std::int16_t port) override;
    void setSettings(const std::string& settings) override;
    void setReceiveThreshold(std::int16_t bytes) override { threshold_ = bytes; }
    bool setPortOpen(bool open) override;
    bool transmit(const std::string& text) override;
    std::string receiveAll() override;
    std::string errorText() const override { return errorText_; }
    std::string portName() const override { return name_; }

    bool isOpen() const { return port_.isOpen(); }

private:
    bool fail(const std::string& reason);
    bool decidePacing();
    QByteArray readWaiting();
    void onReadyRead();
    void onError(QSerialPort::SerialPortError error);

    QSerialPort port_;
    std::function<void()> onReceive_;
    std::function<void(const std::string&)> onLost_;
    std::int16_t portNumber_ = 0;
    std::string devicePath_;
    LineSettings settings_;
    std::int16_t threshold_ = 0;
    std::string errorText_;
    std::string name_; // how messages name the port, as of the last open
    std::function<bool()> streaming_;
    std::function<void()> askFrame_;
    bool paced_ = false;
    bool reading_ = false; // our own read's arrivals ask for nothing
    std::uint64_t readsTaken_ = 0;
};
