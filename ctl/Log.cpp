#include "Log.h"
#include "link/LogEntry.h"

#include "DroppedRecords.h"
#include "Messages.h"
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
    void showStatus(const std::string& text) override { Say(text); }
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
    if (!toStdout) {
        recorder.setTableSource([&held] { return TableFile{held.table, true, held.intakeType}; });
    }
    if (toStdout) {
        if (!recorder.start("stdout", LogFormat::Csv, hertz)) {
            return kExitFailed;
        }
    } else if (inv.force) {
        recorder.startWithFirstRecord(inv.output, true); // the old drive stays until a record comes
    } else if (!recorder.start(inv.output, hertz)) {
        return kExitFailed;
    }
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);
#ifdef SIGHUP
    std::signal(SIGHUP, OnInterrupt); // a closed terminal ends the drive as Ctrl+C does
#endif
    QElapsedTimer elapsed;
    elapsed.start();
    OperatingPoint kept;
    DroppedRecords dropped;
    const auto error = device.stream(
        [&] {
            recorder.tick();
            return interrupted || !recorder.recording() ||
                   (inv.seconds > 0 && elapsed.elapsed() >= inv.seconds * 1000LL);
        },
        [&](const std::string& read) {
            const auto parsed = ParseLiveRecord(read);
            if (const auto* refused = std::get_if<ParseError>(&parsed)) {
                if (const auto line = dropped.add(*refused, elapsed.elapsed())) {
                    status.showStatus(*line);
                }
                return false;
            }
            const LoggedRecord entry =
                LogEntryOf(std::get<LiveRecord>(parsed), held.table, kept, hertz);
            kept = entry.point;
            recorder.add(entry);
            return true;
        });
    if (const auto line = dropped.flush()) {
        status.showStatus(*line);
    }
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
