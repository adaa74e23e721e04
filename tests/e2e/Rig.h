// A release 1.7 window driven against tvxsim, shared by the end-to-end tests.
#pragma once

#include "TvxSim.h"
#include "app/qt/MainWindow.h"

#include <QTest>

#include <sstream>
#include <string>
#include <vector>

namespace e2e {

// The machine may be busy, so the patience is far beyond what any step needs.
inline bool WaitFor(const auto& condition) {
    return QTest::qWaitFor(condition, 30000);
}

// The numbers of each line tvxsim sent that holds `count` of them: 7 in a record, 441 in a reply.
inline std::vector<std::vector<float>> Sent(const TvxSim& sim, std::size_t count) {
    std::vector<std::vector<float>> lines;
    for (const std::string& line : sim.log("sent")) {
        std::vector<float> values;
        std::stringstream fields(line);
        for (std::string field; std::getline(fields, field, ',');) {
            values.push_back(static_cast<float>(std::stod(field)));
        }
        if (values.size() == count) {
            lines.push_back(values);
        }
    }
    return lines;
}

// A release 1.7 window with tvxsim as COM 1.
struct Rig {
    explicit Rig(const std::vector<std::string>& options = {}) : sim(options) {
        qputenv("TVX_COM1", QByteArray::fromStdString(sim.link()));
        form.mnuComPort_Click(1);
    }
    std::string status() const { return window.statusText().toStdString(); }
    // Chooses Connect and waits until the status line starts with what is expected.
    bool connect(const std::string& expected = "Table received") {
        form.mnuConnectToTVX_Click();
        return WaitFor([&] { return status().starts_with(expected); });
    }
    // The table and the intake type as the window holds them, and as tvxsim last sent them.
    std::vector<float> table() const {
        std::vector<float> values(form.veTable.begin(), form.veTable.end());
        values.push_back(form.intakeType);
        return values;
    }
    std::vector<float> deviceTable() const {
        const auto replies = Sent(sim, 441);
        return replies.empty() ? std::vector<float>() : replies.back();
    }
    TvxSim sim;
    MainWindow window{Release::V17};
    Form3D& form = window.form();
};

} // namespace e2e
