// Holds what changed on screen until the next display frame, so a burst of live records costs
// one paint instead of one each.
#pragma once

#include <QObject>
#include <QTimer>

#include <functional>
#include <vector>

class FramePacer : public QObject {
public:
    static constexpr int kFrameMs = 16; // about 60 frames a second

    explicit FramePacer(QObject* parent = nullptr);

    // flush runs at every frame that was asked for.
    void onFrame(std::function<void()> flush) { flushes_.push_back(std::move(flush)); }
    // first runs at the start of every frame, before the flushes: what it changes is shown in
    // the same frame.
    void beforeFrame(std::function<void()> first) { firsts_.push_back(std::move(first)); }
    // Asks for the next frame; asking again before it comes changes nothing.
    void schedule();
    // The frame now, asked for or not.
    void flush();

private:
    QTimer timer_;
    std::vector<std::function<void()>> firsts_;
    std::vector<std::function<void()>> flushes_;
};
