// One window's live records and cell writes told to everything that wants them, in order: the
// recording first, then the live tuning, which counts by the recording's clock.
#pragma once

#include "datalog/LoggedRecord.h"

#include <vector>

class LiveLogs final : public LiveLog {
public:
    explicit LiveLogs(std::vector<LiveLog*> logs) : logs_(std::move(logs)) {}
    void add(const LoggedRecord& entry) override {
        for (LiveLog* log : logs_) {
            if (log->listening()) {
                log->add(entry);
            }
        }
    }
    void cellWritten(int cell, std::int16_t value) override {
        for (LiveLog* log : logs_) {
            log->cellWritten(cell, value);
        }
    }
    bool listening() const override {
        for (const LiveLog* log : logs_) {
            if (log->listening()) {
                return true;
            }
        }
        return false;
    }

private:
    std::vector<LiveLog*> logs_;
};
