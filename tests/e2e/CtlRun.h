// tvxctl run as a program against tvxsim, and what the two say of it afterwards: shared by the
// end-to-end tests of tvxctl.
#pragma once

#include "TvxSim.h"
#include "link/Protocol.h"
#include "table/TableFormats.h"

#include <QProcess>

#include <unistd.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <sstream>

namespace e2e {

struct Result {
    int exit = -1;
    std::string out;
    std::string err;
};

// tvxsim as COM 3, and a home of the test's own.
inline QProcessEnvironment CtlEnvironment(const TvxSim& sim) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TVX_COM3", QString::fromStdString(sim.link()));
    env.insert("HOME", QString::fromStdString(sim.file("home")));
    env.insert("XDG_CONFIG_HOME", QString::fromStdString(sim.file("home/.config")));
    return env;
}

inline Result Ctl(const TvxSim& sim, const std::vector<std::string>& args) {
    QProcess ctl;
    ctl.setWorkingDirectory(QString::fromStdString(sim.file("")));
    ctl.setProcessEnvironment(CtlEnvironment(sim));
    QStringList list;
    for (const std::string& arg : args) {
        list << QString::fromStdString(arg);
    }
    ctl.start(TVXCTL_PATH, list);
    if (!ctl.waitForFinished(180000)) {
        return {};
    }
    return {ctl.exitCode(), ctl.readAllStandardOutput().toStdString(),
            ctl.readAllStandardError().toStdString()};
}

// The table and intake type of the last reply tvxsim sent.
inline std::optional<TableFile> Sent(const TvxSim& sim) {
    std::optional<TableFile> last;
    for (const std::string& line : sim.log("sent")) {
        std::string csv = line;
        if (std::count(csv.begin(), csv.end(), ',') != kTableSize) {
            continue;
        }
        last = TableFile{{}, true, std::stoi(csv.substr(csv.rfind(',') + 1))};
        std::istringstream fields(csv);
        std::string field;
        for (int k = 0; k < kTableSize && std::getline(fields, field, ','); ++k) {
            last->table[k] = static_cast<std::int16_t>(std::stoi(field));
        }
    }
    return last;
}

inline std::optional<TableFile> Read(const std::string& path) {
    const auto read = ReadTableFile(path);
    return std::holds_alternative<TableFile>(read) ? std::optional(std::get<TableFile>(read))
                                                   : std::nullopt;
}

// tvxctl is done once the line took its bytes; tvxsim may still be reading them.
inline std::vector<std::string>
Received(const TvxSim& sim, const std::function<bool(const std::vector<std::string>&)>& done) {
    std::vector<std::string> received = sim.log("received");
    for (int wait = 0; wait < 500 && !done(received); ++wait) {
        ::usleep(10000);
        received = sim.log("received");
    }
    return received;
}

inline std::vector<std::string> Received(const TvxSim& sim, std::size_t atLeast) {
    return Received(sim,
                    [atLeast](const std::vector<std::string>& r) { return r.size() >= atLeast; });
}

inline std::string BackupFolder(const TvxSim& sim) {
    return sim.file("home/Documents/Torvex tables");
}

// The path tvxctl said it kept the device's table as.
inline std::string KeptPath(const Result& r) {
    const std::string said = "Kept the device's table as ";
    const std::size_t at = r.err.find(said);
    return at == std::string::npos
               ? ""
               : r.err.substr(at + said.size(), r.err.find('\n', at) - at - said.size());
}

} // namespace e2e
