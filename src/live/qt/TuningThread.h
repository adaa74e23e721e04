// Live tuning in the window: the records and cell writes the window gets go to the analysis in
// a thread of its own, so the window never waits for it; what it suggests comes back once a
// second; an apply goes through the window's own write-back, after a backup, paced.
#pragma once

#include "datalog/Recorder.h"
#include "live/LiveTuner.h"
#include "table/TableHost.h"
#include "tune/TuneSettings.h"

#include <QObject>
#include <QTimer>

#include <array>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <variant>
#include <vector>

// What the analysis says, once a second.
struct TuneSnapshot {
    bool started = false;
    Analysis analysis;
    Suggestion suggestion;
    std::vector<CellValue> plan; // the ready cells an apply of all would write, in index order
    TuneCounts counts;
    LagEstimate lag;
    VeTable table{};
    bool warmAndSteady = false;
    std::string problem; // a setting that could not be used (a target file), or empty
};

class TuningThread : public QObject, public LiveLog {
    Q_OBJECT
public:
    TuningThread(TableHost& host, Recorder& recorder, const LogClock& clock, StatusLine& status,
                 QObject* parent = nullptr);
    ~TuningThread() override;

    void add(const LoggedRecord& entry) override;
    void cellWritten(int cell, std::int16_t value) override;
    bool listening() const override { return on_; }

    void setOn(bool on);
    bool on() const { return on_; }
    // Forgets what was gathered: Reset, and each Connect.
    void reset();
    void setSettings(const TuneSettings& settings);
    const TuneSettings& settings() const { return settings_; }
    void setLocked(const std::vector<int>& cells, bool locked);
    const std::array<bool, kCellCount>& locked() const { return locked_; }
    std::shared_ptr<const TuneSnapshot> snapshot() const;

    // The ready cells of `selection` (every one when empty), written as key edits after the
    // table is kept; false, said on the status line, when nothing was begun.
    bool apply(const std::vector<int>& selection);
    // Waits until everything given so far has been analysed and a snapshot made of it; false
    // if that took over five minutes (a delay search on a slow machine can take a while).
    bool settle();

signals:
    void updated();

private:
    struct Reset {
        TableFile table;
        std::int64_t ms;
    };
    struct Record {
        LoggedRecord entry;
        std::int64_t ms;
    };
    struct Write {
        int cell;
        std::int16_t value;
        std::int64_t ms;
    };
    struct Settings {
        TuneSettings settings;
        std::array<bool, kCellCount> locked;
    };
    struct Applied {
        CellChanges cells;
    };
    using Event = std::variant<Reset, Record, Write, Settings, Applied>;

    void post(Event event);
    void work();
    // The target the settings name, on `table`'s breakpoints; nullopt, with the reason kept,
    // when it cannot be read.
    std::optional<CellValues> targetOf(const TuneSettings& settings, const VeTable& table);
    void publish(LiveTuner& tuner);
    std::int64_t nowMs() const;
    void applyOnTimer();

    TableHost& host_;
    Recorder& recorder_;
    const LogClock& clock_;
    StatusLine& status_;
    bool on_ = false;
    bool restart_ = true;        // begin afresh with the next record
    std::int64_t originMs_ = -1; // the recording's start the gathering counts from
    TuneSettings settings_;
    std::array<bool, kCellCount> locked_{};
    QTimer pace_;  // an apply's frames
    QTimer hands_; // the hands-free apply
    std::int64_t lastApplyMs_ = 0;

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::vector<Event> inbox_;
    std::uint64_t posted_ = 0, handled_ = 0, published_ = 0;
    bool promptly_ = false; // a snapshot as soon as everything given is analysed
    std::shared_ptr<const TuneSnapshot> snapshot_;
    std::string targetProblem_;
    bool stop_ = false;
    std::thread worker_;
};
