// Choosing a port, connecting, and the download step of the receive handler.
#include "app/Form3D.h"
#include "link/ComPortPath.h"
#include "link/Protocol.h"

void Form3D::mnuComPort_Click(std::int16_t port) {
    comPort = port;
}

void Form3D::mnuConnectToTVX_Click() {
    LetsGo();
}

bool Form3D::Send(const std::string& text) {
    if (io_.serial.transmit(text)) {
        return true;
    }
    io_.status.showStatus("Could not send " + text + " to the device: " + io_.serial.errorText());
    return false;
}

namespace {

constexpr int kDrainQuietMs = 50;   // the stream has stopped when the line is this quiet
constexpr int kDrainLimitMs = 1000; // a device still talking after this ignored "<201>"
constexpr int kReplyQuietMs = 150;  // an unterminated reply or record has ended
constexpr int kRecordQuietMs = 100;

} // namespace

void Form3D::LetsGo() {
    linkActive = 1;
    markerTopOffset = release_ == Release::V12 ? -11.5f : -12.5f;
    markerLeftOffset = -4.0f;

    SerialPort& serial = io_.serial;
    serial.setPortNumber(comPort);
    serial.setSettings(kLineSettings);
    serial.setReceiveThreshold(1);
    const std::string path = ComPortPath(comPort);
    const std::string portName =
        "COM " + std::to_string(comPort) + (path.empty() ? "" : " (" + path + ")");
    if (!serial.setPortOpen(true)) {
        // Nothing can be asked of the device: the rest of the sequence would only fail.
        io_.status.showStatus("Could not open " + portName + ": " + serial.errorText());
        return;
    }
    io_.status.showStatus("Connected to " + portName);

    selectedCell = 0;
    selectedColumn = 0;
    selectedRow = 0;
    awaitingTable = 1;
    Send(command::kRealTimeOff);
    serial.receiveAll(); // whatever was waiting belongs to no request of ours
    framer_.clear();
    // "<121>" follows once the line is quiet (SerialQuiet_Timer), without blocking the window.
    draining_ = true;
    drainDeadline_ = io_.timer.nowMs() + kDrainLimitMs;
    io_.timer.start(kDrainQuietMs);

    eyeX = -40.0f;
    eyeY = 40.0f;
    eyeZ = 60.0f;
    SetUpGrid();
    realTimeOn = 0;
    BuildSurface();
}

void Form3D::ProcessSerialInput() {
    if (linkActive != 1) {
        return;
    }
    const std::string read = io_.serial.receiveAll();
    if (draining_) {
        if (io_.timer.nowMs() >= drainDeadline_) {
            draining_ = false;
            awaitingTable = 0;
            io_.status.showStatus("The device kept streaming after <201>; table not requested");
            return;
        }
        if (!read.empty()) {
            io_.timer.start(kDrainQuietMs);
        }
        return;
    }
    if (read.empty()) {
        return;
    }
    framer_.feed(read);
    HandleFramedInput(false);
    if (framer_.pendingSize() > 0) {
        io_.timer.start(awaitingTable == 1 ? kReplyQuietMs : kRecordQuietMs);
    }
}

void Form3D::SerialQuiet_Timer() {
    if (draining_) {
        draining_ = false;
        io_.serial.receiveAll(); // anything that trickled in is still the old stream
        Send(command::kSendTable);
        return;
    }
    if (linkActive == 1) {
        HandleFramedInput(true);
    }
}

void Form3D::SerialPortLost(const std::string& what) {
    // Half a reply or record from before the loss must not be decoded later.
    framer_.clear();
    draining_ = false;
    io_.timer.stop();
    io_.status.showStatus("Port lost: " + what + "; choose Connect once the device is back");
}

void Form3D::HandleFramedInput(bool lineQuiet) {
    if (awaitingTable == 1) {
        const std::optional<std::string> reply = framer_.takeTableReply(lineQuiet);
        if (!reply) {
            return;
        }
        DownloadStep(*reply);
        if (realTimeOn == 1) {
            LiveStep(*reply); // real time was switched on before the reply came
        }
    }
    if (realTimeOn == 1) {
        if (const std::optional<std::string> record = framer_.takeNewestRecord(lineQuiet)) {
            LiveStep(*record);
        }
    } else {
        framer_.clear(); // nobody asked for this input: read and dropped
    }
}

void Form3D::DownloadStep(const std::string& read) {
    awaitingTable = 0;
    const auto parsed = ParseTableReply(read);
    if (const auto* error = std::get_if<ParseError>(&parsed)) {
        io_.status.showStatus("Table not loaded, the device's " + error->reason);
        return;
    }
    const TableReply& reply = std::get<TableReply>(parsed);
    veTable = reply.table;
    intakeType = reply.intakeType;
    if (intakeType == 1) {
        io_.boxes.setText(TextBox::IntakeType, "Single POP");
    } else if (intakeType == 2) {
        io_.boxes.setText(TextBox::IntakeType, "Dual POP");
    } else if (intakeType == 3 && release_ == Release::V17) {
        io_.boxes.setText(TextBox::IntakeType, "KV FREQ");
    }
    io_.status.showStatus("Table received from the device");
    BuildSurface();
}
