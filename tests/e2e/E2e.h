// A release 1.7 window with tvxsim as COM 1, and an event loop to wait in.
#pragma once

#include "TvxSim.h"
#include "app/qt/MainWindow.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

#include <functional>
#include <sstream>
#include <string>
#include <vector>

// Runs the event loop until the condition holds or the time is up; true when it held. The
// machine may be busy, so the default patience is far beyond what any step needs.
inline bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 30000) {
    for (QDeadlineTimer deadline(timeoutMs); !condition();) {
        if (deadline.hasExpired()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return true;
}

struct Connected {
    explicit Connected(TvxSim& device) : sim(device), form(window.form()) {
        qputenv("TVX_COM1", QByteArray::fromStdString(sim.link()));
        form.mnuComPort_Click(1);
    }
    std::string status() const { return window.statusText().toStdString(); }
    // Chooses Connect and waits until the status line starts with what is expected.
    bool connect(const std::string& expected = "Table received") {
        form.mnuConnectToTVX_Click();
        return WaitFor([&] { return status().starts_with(expected); });
    }
    // The 400 cells and the intake type.
    std::vector<int> table() const {
        std::vector<int> values(form.veTable.begin(), form.veTable.end());
        values.push_back(form.intakeType);
        return values;
    }
    // The same from the last table reply tvxsim generated.
    std::vector<int> deviceTable() const {
        const std::vector<std::string> sent = sim.log("sent");
        for (auto line = sent.rbegin(); line != sent.rend(); ++line) {
            std::vector<int> values;
            std::stringstream fields(*line);
            for (std::string field; std::getline(fields, field, ',');) {
                values.push_back(std::stoi(field));
            }
            if (values.size() == 441) {
                return values;
            }
        }
        return {};
    }
    TvxSim& sim;
    MainWindow window{Release::V17};
    Form3D& form;
};
