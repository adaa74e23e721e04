// The link's quiet-line timer over a single-shot QTimer, on the window's event thread.
#pragma once

#include "link/LinkTimer.h"

#include <QElapsedTimer>
#include <QTimer>

#include <functional>

class QtLinkTimer : public LinkTimer {
public:
    explicit QtLinkTimer(std::function<void()> onTimeout);

    void start(int milliseconds) override { timer_.start(milliseconds); }
    void stop() override { timer_.stop(); }
    std::int64_t nowMs() const override { return clock_.elapsed(); }

    bool isActive() const { return timer_.isActive(); }

private:
    QTimer timer_;
    QElapsedTimer clock_;
};
