// Choosing a port, connecting, and the download step of the receive handler.
#include "app/Form3D.h"
#include "link/Intake.h"
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

bool Form3D::SendCell(int cell) {
    if (!Send(CellWriteMessage(cell, veTable[cell]))) {
        return false;
    }
    if (liveLog_) {
        liveLog_->cellWritten(cell, veTable[cell]);
    }
    return true;
}

void Form3D::LetsGo() {
    linkActive = 1;
    markerTopOffset = release_ == Release::V12 ? -11.5f : -12.5f;
    markerLeftOffset = -4.0f;

    SerialPort& serial = io_.serial;
    serial.setPortNumber(comPort);
    serial.setSettings(kLineSettings);
    serial.setReceiveThreshold(1);
    if (!serial.setPortOpen(true)) {
        // Nothing can be asked of the device: the rest of the sequence would only fail.
        io_.status.showStatus("Could not open " + serial.portName() + ": " + serial.errorText());
        return;
    }
    io_.status.showStatus("Connected to " + serial.portName());

    selectedCell = 0;
    selectedColumn = 0;
    selectedRow = 0;
    awaitingTable = 1;
    Send(command::kRealTimeOff);
    serial.receiveAll(); // whatever was waiting belongs to no request of ours
    framer_.clear();
    // "<121>" follows once the line is quiet (SerialQuiet_Timer), without blocking the window.
    drain_.start(io_.timer.nowMs());
    io_.timer.start(quiet::kDrainMs);

    eyeX = -40.0f;
    eyeY = 40.0f;
    eyeZ = 60.0f;
    SetUpGrid();
    realTimeOn = 0;
    BuildSurface();
}

void Form3D::DownloadStep(const std::string& read) {
    awaitingTable = 0;
    const auto parsed = ParseTableReply(read);
    if (const auto* error = std::get_if<ParseError>(&parsed)) {
        io_.status.showStatus("Table not loaded, the device's " + error->reason);
        return;
    }
    const TableReply& reply = std::get<TableReply>(parsed);
    // A recording under way learns of every cell that differs from what the window held.
    for (int cell = 0; liveLog_ && heldFromDevice_ && cell < kCellCount; ++cell) {
        if (reply.table[cell] != veTable[cell]) {
            liveLog_->cellWritten(cell, reply.table[cell]);
        }
    }
    veTable = reply.table;
    intakeType = reply.intakeType;
    if (const char* text = ReportedIntakeText(intakeType, release_)) {
        io_.boxes.setText(TextBox::IntakeType, text);
    }
    heldFromDevice_ = true;
    io_.status.showStatus("Table received from the device" + KeepTable(BackupKind::Downloaded));
    BuildSurface();
}
