// The datalog's clock on QtCore: monotonic milliseconds and the local date and time.
#pragma once

#include "datalog/Recorder.h"

#include <QDateTime>
#include <QElapsedTimer>

class QtLogClock final : public LogClock {
public:
    QtLogClock() { elapsed_.start(); }
    std::int64_t nowMs() const override { return elapsed_.elapsed(); }
    std::string localDateTime() const override {
        return QDateTime::currentDateTime().toString("yyyy-MM-dd HH:mm:ss").toStdString();
    }

private:
    QElapsedTimer elapsed_;
};
