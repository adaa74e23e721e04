// The link's health at the right of the status bar, at most twice a second once live data flows.
#pragma once

#include "link/LinkHealth.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QTimer>

#include <functional>

class LinkHealthField : public QLabel {
public:
    static constexpr int kIntervalMs = 500;

    LinkHealthField(std::function<LinkHealth()> source, QWidget* parent = nullptr);

private:
    void refresh();

    std::function<LinkHealth()> source_;
    QTimer timer_;
    QElapsedTimer sinceLast_;
    LinkHealth last_;
};
