#include "SimProcess.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QThread>

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

bool WaitFor(const std::function<bool()>& condition, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return true;
}

void Pump(int ms) {
    WaitFor([] { return false; }, ms);
}

SimProcess::SimProcess(const QStringList& options) {
    restart(options);
}

SimProcess::~SimProcess() {
    kill();
}

void SimProcess::kill() {
    if (process_.state() != QProcess::NotRunning) {
        process_.terminate();
        if (!process_.waitForFinished(3000)) {
            process_.kill();
            process_.waitForFinished(3000);
        }
    }
}

void SimProcess::restart(const QStringList& options) {
    kill();
    QStringList args = {"--link",     link(),           "--log",  file("received.log"),
                        "--sent-log", file("sent.log"), "--seed", "7"};
    args += options;
    process_.setProgram(TVXSIM_PATH);
    process_.setArguments(args);
    process_.setProcessChannelMode(QProcess::SeparateChannels);
    process_.start();
    ASSERT_TRUE(process_.waitForStarted(5000));
    // The first line of its output says the link is ready.
    ASSERT_TRUE(WaitFor([this] { return process_.canReadLine(); }, 10000)) << "tvxsim silent";
    process_.readLine();
}

namespace {

std::vector<std::string> Lines(const QString& path) {
    std::vector<std::string> lines;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return lines;
    }
    while (!file.atEnd()) {
        lines.push_back(file.readLine().trimmed().toStdString());
    }
    return lines;
}

} // namespace

std::vector<std::string> SimProcess::received() const {
    return Lines(file("received.log"));
}
std::vector<std::string> SimProcess::sent() const {
    return Lines(file("sent.log"));
}

std::vector<int> SimProcess::lastReply() const {
    const std::vector<std::string> lines = sent();
    for (auto it = lines.rbegin(); it != lines.rend(); ++it) {
        if (std::count(it->begin(), it->end(), ',') < 440) {
            continue;
        }
        std::vector<int> values;
        std::stringstream in(*it);
        std::string field;
        while (std::getline(in, field, ',') && values.size() < 441) {
            values.push_back(std::stoi(field));
        }
        return values;
    }
    return {};
}

Connected::Connected(SimProcess& sim) : form(window.form()) {
    qputenv("TVX_COM1", sim.link().toUtf8());
    form.mnuComPort_Click(1);
}

void Connected::connect() {
    form.mnuConnectToTVX_Click();
}

bool Connected::connectAndDownload() {
    connect();
    return WaitFor([this] { return form.awaitingTable == 0; });
}

std::vector<int> Connected::table() const {
    std::vector<int> values(form.veTable.begin(), form.veTable.end());
    values.push_back(form.intakeType);
    return values;
}
