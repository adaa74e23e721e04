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

} // namespace

int RecordLog(Device& device, const TableReply& held, const Invocation& inv) {
    StderrStatus status;
    const bool toStdout = inv.output.empty();
    StdioLogFile file = toStdout ? StdioLogFile(stdout) : StdioLogFile();
    QtLogClock clock;
    Recorder recorder(file, clock, status, "tvxctl " TVX_VERSION);
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
                return false;
            }
            const LoggedRecord entry =
                LogEntryOf(std::get<LiveRecord>(parsed), held.table, kept, hertz);
            kept = entry.point;
            recorder.add(entry);
            return true;
        });
    const bool writeFailed = !recorder.recording();
    const bool none = recorder.records() == 0;
    recorder.stop();
    if (error) {
        status.showStatus(*error);
    } else if (none) {
        status.showStatus("The device sent no live record");
    }
    return error || writeFailed || none ? kExitFailed : kExitSame;
}
