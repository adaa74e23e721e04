// Records live records to a datalog file. Rows are kept in memory and handed to the system at
// least every kFlushMs, and when recording stops, so the window never waits on the disk per
// record and a killed program loses at most the last moment. Beside the log goes the table it is
// recorded against, with every cell write made meanwhile (datalog/DriveTable.h).
#pragma once

#include "common/StatusLine.h"
#include "datalog/DriveTable.h"
#include "datalog/LogEncoder.h"
#include "datalog/LogFile.h"
#include "datalog/LogFormat.h"
#include "datalog/LoggedRecord.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

class LogClock {
public:
    virtual ~LogClock() = default;
    virtual std::int64_t nowMs() const = 0;        // monotonic
    virtual std::string localDateTime() const = 0; // for the capture date
};

class Recorder final : public LiveLog {
public:
    static constexpr std::int64_t kFlushMs = 500;

    Recorder(LogFile& file, const LogClock& clock, StatusLine& status, std::string signature);

    // The table the device holds now, asked for when a recording to a file begins; without it
    // no table is kept beside the log.
    void setTableSource(std::function<TableFile()> source) { tableSource_ = std::move(source); }

    // Begins at once, in the layout the path's extension names; false, with a status message,
    // when the file cannot be made. A drive there already (its log or its table) is kept, unless
    // `replace`: then both are replaced.
    bool start(const std::string& path, bool airflowInHertz, bool replace = false);
    bool start(const std::string& path, LogFormat format, bool airflowInHertz,
               bool replace = false);
    // Why a recording cannot go to `path` (its extension names no layout); nothing if it can.
    static std::optional<std::string> refusal(const std::string& path);
    // "Not recording: drive.msl is there already; ...": a log or a table file by the names the
    // recording would take; nothing when both are free.
    static std::optional<std::string> existing(const std::string& path, const LogFile& file);
    // Begins with the first record that arrives, in that record's airflow unit; a drive there
    // is refused at once unless `replace`, which replaces it only once that record is in.
    void startWithFirstRecord(const std::string& path, bool replace = false);
    void add(const LoggedRecord& entry) override;
    void cellWritten(int cell, std::int16_t value) override;
    // The wideband's delay found while recording, kept with the drive's table.
    void lagFound(const WidebandLag& lag);
    // When the recording under way began, and when it took its last row or cell write, on its
    // clock: the live tuning counts by them too, so its records and the log's agree.
    std::int64_t startedAtMs() const { return startMs_; }
    std::int64_t lastEventMs() const { return lastEventMs_; }
    bool listening() const override { return recording(); }
    // Writes what is waiting once it has waited kFlushMs; the window calls it on a timer.
    void tick();
    void stop();

    bool recording() const { return state_ != State::Off; }
    std::uint64_t records() const { return records_; }
    const std::string& path() const { return path_; }
    // The drive a viewer would open: the one being recorded, else the last that kept a record.
    std::optional<std::string> lastDrive() const;

private:
    enum class State { Off, WaitingForRecord, On };

    bool flush();
    bool keepTable();
    void fail(const std::string& what, const std::string& reason);
    // Takes away the files of a recording that holds no record.
    void discard();

    LogFile& file_;
    const LogClock& clock_;
    StatusLine& status_;
    std::string signature_;
    State state_ = State::Off;
    bool replace_ = false;
    bool tableMade_ = false; // the kept table of this recording is on disk
    std::optional<LogEncoder> encoder_;
    std::string path_;
    std::string pending_;
    std::int64_t startMs_ = 0;
    std::int64_t lastEventMs_ = 0;
    std::int64_t lastFlushMs_ = 0;
    std::uint64_t records_ = 0;
    std::uint64_t written_ = 0; // records already handed to the system
    std::optional<std::string> lastKept_;
    std::function<TableFile()> tableSource_;
    std::optional<DriveTable> kept_; // the table of the recording under way, while it is kept
    bool keptChanged_ = false;
};
