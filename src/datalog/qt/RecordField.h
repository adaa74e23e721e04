// The Record toggle and what it is writing, at the right of the status bar. Neither takes the
// focus, so every key still reaches the window's key handler.
#pragma once

#include "datalog/LogFile.h"
#include "datalog/Recorder.h"

#include <QLabel>
#include <QTimer>
#include <QToolButton>
#include <QWidget>

#include <functional>
#include <memory>

class QtLogClock;

class RecordField : public QWidget {
public:
    // How often waiting rows are considered for writing: rows that arrived just before the
    // stream stopped wait at most kFlushMs and one tick. The count is shown every fourth tick.
    static constexpr int kTickMs = Recorder::kFlushMs / 2;
    static constexpr int kCountEveryTicks = 4;

    RecordField(StatusLine& status, std::string signature, std::function<bool()> airflowInHertz,
                QWidget* parent = nullptr);
    ~RecordField() override;

    Recorder& recorder() { return *recorder_; }
    // `TVXv17 --record PATH [--force]`: recording begins when the first live record arrives; a
    // drive there already is kept, or with `replace` replaced then.
    void recordFromFirstRecord(const std::string& path, bool replace);

private:
    void toggled(bool on);
    void tick();
    void refresh();

    std::unique_ptr<QtLogClock> clock_;
    StdioLogFile file_;
    std::unique_ptr<Recorder> recorder_;
    std::function<bool()> airflowInHertz_;
    StatusLine& status_;
    QToolButton* button_;
    QLabel* label_;
    QTimer timer_;
    int ticks_ = 0;
};
