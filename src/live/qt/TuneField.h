// The Tune toggle at the right of the status bar, after Record, with a small button that opens
// the Tuning window. Neither takes the focus: every key still reaches the table.
#pragma once

#include "live/qt/TuningThread.h"

#include <QToolButton>
#include <QWidget>

#include <functional>

class TuneField : public QWidget {
public:
    TuneField(TuningThread& tuning, std::function<void()> openWindow, QWidget* parent = nullptr);

    void setOn(bool on);
    QString text() const;

private:
    void refresh();

    TuningThread& tuning_;
    QToolButton* toggle_;
    QToolButton* open_;
};

// "Tune: 37 ready · 112 learning" while on; "Tune" when off.
QString TuneFieldText(bool on, const TuneCounts& counts);
