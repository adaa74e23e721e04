// The RealTime and RT OFF buttons and the intake-type menu items.
#include "app/Form3D.h"
#include "link/Intake.h"
#include "link/Protocol.h"

void Form3D::SetRealTime(bool on) {
    io_.boxes.setText(TextBox::RTState, on ? "RT ON" : "RT OFF");
    io_.boxes.setTextColour(TextBox::RTState, on ? Rgb{0, 255, 0} : Rgb{255, 0, 0});
    realTimeOn = on ? 1 : 0;
}

void Form3D::btnRT_Click() {
    SetRealTime(true);
    SerialPort& serial = io_.serial;
    serial.setPortOpen(false);
    framer_.clear(); // a re-opened port starts a fresh stream
    serial.setReceiveThreshold(1);
    if (!serial.setPortOpen(true)) {
        io_.status.showStatus("Could not open the port for real time: " + serial.errorText());
        return;
    }
    Send(command::kRealTimeOn);
}

void Form3D::btnCMDOFF_Click() {
    SetRealTime(false);
    Send(command::kRealTimeOff);
}

void Form3D::SelectIntake(int code, const char* shownText) {
    SetRealTime(false);
    Send(command::kRealTimeOff);
    Send(command::SetIntake(code));
    io_.boxes.setText(TextBox::IntakeType, shownText);
}

void Form3D::mnuSingleIntake_Click() {
    SelectIntake(1, kSingleIntakeText);
}
void Form3D::mnuDualIntake_Click() {
    SelectIntake(2, kDualIntakeText);
}
void Form3D::mnu3KGTKV_Click() {
    SelectIntake(3, kKvIntakeChosenText);
}
