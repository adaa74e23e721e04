// The serial component as the core uses it. Failures are returned, never thrown, so each
// caller decides whether the step that failed ends its procedure.
#pragma once

#include <cstdint>
#include <string>

class SerialPort {
public:
    virtual ~SerialPort() = default;
    virtual void setPortNumber(std::int16_t port) = 0;
    virtual void setSettings(const std::string& settings) = 0;
    virtual void setReceiveThreshold(std::int16_t bytes) = 0;
    // Opens (true) or closes (false) the port; false when that did not happen.
    virtual bool setPortOpen(bool open) = 0;
    // Queues the text as it is, nothing appended; false when the port refused it.
    virtual bool transmit(const std::string& text) = 0;
    // Everything waiting, once; empties the receive buffer.
    virtual std::string receiveAll() = 0;
    // Plain words for the last failure, for the status line.
    virtual std::string errorText() const = 0;
    // How messages name the port as of the last open: "COM 1 (/dev/ttyUSB0, FT232R USB UART)".
    virtual std::string portName() const = 0;
};
