#include "common/qt/FramePacer.h"

FramePacer::FramePacer(QObject* parent) : QObject(parent) {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(kFrameMs);
    connect(&timer_, &QTimer::timeout, this, &FramePacer::flush);
}

void FramePacer::flush() {
    for (const auto& each : firsts_) {
        each();
    }
    timer_.stop(); // what the firsts asked for is this frame
    for (const auto& each : flushes_) {
        each();
    }
}

void FramePacer::schedule() {
    if (!timer_.isActive()) {
        timer_.start();
    }
}
