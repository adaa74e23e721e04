// tvxsim run for one test, and a window connected to it through TVX_COM1.
#pragma once

#include "app/qt/MainWindow.h"
#include "link/qt/QtSerialPort.h"

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <string>
#include <vector>

// Runs the event loop until the condition holds or the time is up; true when it held.
bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 10000);
// Runs the event loop for a while.
void Pump(int ms);

class SimProcess {
public:
    // Starts tvxsim on a link in its own temporary folder, with the given options.
    explicit SimProcess(const QStringList& options = {});
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    // Starts again on the same link (after a hang-up or a kill).
    void restart(const QStringList& options = {});
    void kill();
    bool running() const { return process_.state() == QProcess::Running; }

    QString link() const { return dir_.filePath("ttyTVX"); }
    QString file(const QString& name) const { return dir_.filePath(name); }
    // Lines of the received-messages log and of the generated replies and records.
    std::vector<std::string> received() const;
    std::vector<std::string> sent() const;
    // The table of the last reply it generated, as 441 numbers.
    std::vector<int> lastReply() const;

private:
    QTemporaryDir dir_;
    QProcess process_;
};

// A release 1.7 window pointed at the simulator as COM 1.
struct Connected {
    explicit Connected(SimProcess& sim);
    void connect();
    // Connects and waits for the table; false if it never came.
    bool connectAndDownload();
    std::vector<int> table() const;
    MainWindow window{Release::V17};
    Form3D& form;
};
