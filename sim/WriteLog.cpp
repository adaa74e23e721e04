#include "WriteLog.h"
#include "link/LogEntry.h"
#include "link/Protocol.h"

#include "EngineModel.h"
#include "LiveRecord.h"
#include "datalog/LogFile.h"
#include "datalog/LoggedRecord.h"
#include "datalog/Recorder.h"
#include "link/Intake.h"

#include <cmath>

namespace tvxsim {
namespace {

// The recording's clock: the drive's own time, however fast it runs.
class DriveClock final : public LogClock {
public:
    std::int64_t nowMs() const override { return ms; }
    std::string localDateTime() const override { return "2026-12-08 12:00:00"; }
    std::int64_t ms = 0;
};

class LastStatus final : public StatusLine {
public:
    void showStatus(const std::string& text) override { last = text; }
    std::string last;
};

} // namespace

std::optional<std::string> WriteDriveLog(const Options& options, const DeviceTable& table,
                                         std::uint64_t seed) {
    EngineModel engine(EngineSetupOf(options, table.values()), table.values(), seed);
    DriveClock clock;
    LastStatus status;
    StdioLogFile file;
    Recorder recorder(file, clock, status, "tvxsim " TVX_VERSION);
    recorder.setTableSource([&table] {
        return TableFile{table.values(), true, table.intakeType()};
    });
    const bool hertz = AirflowInHertz(table.intakeType(), Release::V17);
    if (!recorder.start(options.writeLog, hertz)) {
        return status.last;
    }
    const int rate = options.rateOfLog();
    const double dt = 1.0 / rate;
    const auto records = static_cast<long>(std::llround(options.seconds * rate));
    OperatingPoint kept;
    for (long k = 0; k < records && recorder.recording(); ++k) {
        clock.ms = std::llround(k * dt * 1000);
        const Reading reading = engine.step(dt, table.values(), table.intakeType());
        const auto parsed = ParseLiveRecord(formatRecord(reading));
        if (const auto* record = std::get_if<LiveRecord>(&parsed)) {
            const LoggedRecord entry = LogEntryOf(*record, table.values(), kept, hertz);
            kept = entry.point;
            recorder.add(entry);
        }
    }
    const bool whole = recorder.recording();
    recorder.stop();
    return whole ? std::nullopt : std::optional(status.last);
}

} // namespace tvxsim
