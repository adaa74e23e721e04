#include "Log.h"

#include "datalog/Recorder.h"
#include "datalog/qt/QtLogClock.h"
#include "link/Intake.h"

#include <QElapsedTimer>

#include <csignal>
#include <cstdio>
#include <iostream>

namespace {

volatile std::sig_atomic_t interrupted = 0;

void OnInterrupt(int) {
    interrupted = 1;
}

class StderrStatus : public StatusLine {
public:
    void showStatus(const std::string& text) override { std::cerr << text << "\n"; }
};

// Rows for a pipe when no file is named.
class StdoutLogFile : public LogFile {
public:
    std::optional<std::string> open(const std::string&) override { return std::nullopt; }
    std::optional<std::string> append(std::string_view text) override {
        if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() ||
            std::fflush(stdout) != 0) {
            return std::string("stdout is closed");
        }
        return std::nullopt;
    }
    void close() override {}
};

} // namespace

int RecordLog(Device& device, const TableReply& held, const Invocation& inv) {
    StderrStatus status;
    StdioLogFile file;
    StdoutLogFile out;
    QtLogClock clock;
    const bool toStdout = inv.output.empty();
    Recorder recorder(toStdout ? static_cast<LogFile&>(out) : file, clock, status,
                      "tvxctl " TVX_VERSION);
    // tvxctl decodes as release 1.7 does: type 3 reports its airflow in hertz.
    const bool hertz = AirflowInHertz(held.intakeType, Release::V17);
    if (!(toStdout ? recorder.start("stdout", LogFormat::Csv, hertz)
                   : recorder.start(inv.output, hertz))) {
        return kExitFailed;
    }
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);
    QElapsedTimer elapsed;
    elapsed.start();
    OperatingPoint kept;
    const auto error = device.stream(
        [&] {
            recorder.tick();
            return interrupted || !recorder.recording() ||
                   (inv.seconds > 0 && elapsed.elapsed() >= inv.seconds * 1000LL);
        },
        [&](const std::string& read) {
            const auto parsed = ParseLiveRecord(read);
            if (const auto* refused = std::get_if<ParseError>(&parsed)) {
                status.showStatus(DroppedRecordText(*refused));
                return;
            }
            const LoggedRecord entry =
                LogEntryOf(std::get<LiveRecord>(parsed), held.table, kept, hertz);
            kept = entry.point;
            recorder.add(entry);
        });
    const bool writeFailed = !recorder.recording();
    recorder.stop();
    if (error) {
        status.showStatus(*error);
    }
    return error || writeFailed ? kExitFailed : kExitSame;
}
