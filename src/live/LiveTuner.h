// The analysis fed from the window while it drives: every live record as it arrives and every
// cell the window writes, judged exactly as tvxctl analyze judges the log the window records,
// by the same core and defaults; and which cells an apply may write.
#pragma once

#include "datalog/LoggedRecord.h"
#include "session/TuningSession.h"
#include "table/CellChange.h"
#include "table/TableFormats.h"
#include "tune/RowJudge.h"

#include <array>
#include <memory>
#include <optional>
#include <vector>

// A record as the datalog keeps it, read back: the values the log's text gives, so a record
// fed live and the same record read from the log are one and the same.
TuneRow TuneRowOf(const LoggedRecord& entry, std::int64_t sinceStartMs);

// What an apply did, for the status bar: "Applied 37 cells, -6% to +9%; kept as ...", or how far
// it got before the line was lost.
std::string ApplyText(const CellsWritten& result);

// How long the engine holds still, warm, before the hands-free apply writes.
inline constexpr double kSteadyS = 2;

// How many cells are worth applying, and how many are still being learnt.
struct TuneCounts {
    int ready = 0;    // past the hit minimum and the confidence rule
    int learning = 0; // with some hits, not ready
};
TuneCounts CountsOf(const Suggestion& suggestion, const Analysis& analysis);

class LiveTuner {
public:
    // `target` when one was given; else the default target on the table's breakpoints.
    LiveTuner(TuneOptions options, std::optional<CellValues> target);

    // Other settings: every record gathered is judged anew by them.
    void reconfigure(TuneOptions options, std::optional<CellValues> target);

    // Forgets what was gathered and begins on the table the window holds, at `ms` on the clock
    // the records come by (the recording's, when one is under way).
    void reset(const TableFile& table, std::int64_t ms);
    bool started() const { return session_ != nullptr; }

    void record(const LoggedRecord& entry, std::int64_t ms);
    void cellWritten(int cell, std::int16_t value, std::int64_t ms);
    // Warm, and steady for a while: no transient, and no reading at a sensor's limit or
    // recovering from one, in kSteadyS.
    bool warmAndSteady() const;

    // With the lag on auto, finds it from what was gathered (after the first estimate, only
    // near the one in force) and, when it moved, pairs every record by it anew.
    void settleLag();

    // What the records say now, against the table the window holds.
    Suggestion suggest() const;
    const Analysis& analysis() const;
    LagEstimate lag() const;
    const VeTable& table() const { return table_.table; }
    const TableFile& heldTable() const { return table_; }
    const TuneOptions& options() const { return options_; }
    std::int64_t rows() const { return static_cast<std::int64_t>(rows_.size()); }

    // An apply: the cells to write, in index order: the ready cells of `selection` (all when
    // empty), each unless it was applied before and has not yet gathered the hit minimum of new
    // records under its new value.
    std::vector<std::pair<int, std::int16_t>> applyPlan(const Suggestion& suggestion,
                                                        const std::vector<int>& selection) const;
    // The cells of a plan were written: none is applied again until it has learnt anew.
    void applied(const std::vector<std::pair<int, std::int16_t>>& cells);

private:
    // A session begun anew on the table gathering began with, fed every record kept.
    void replay();
    std::optional<std::string> feed(TuningSession& session) const;
    CellValues targetFor(const VeTable& table) const;
    LagEstimate lagToStart() const;

    TuneOptions options_;
    std::optional<CellValues> target_;
    TableFile table_;   // as the window holds it now
    TableFile started_; // as it held it when gathering began
    std::int64_t startMs_ = 0;
    std::vector<CellWrite> writes_;
    // Every record as it came, to pair anew when the lag moves.
    struct Row {
        std::int64_t ms;
        LoggedRecord entry;
    };
    std::vector<Row> rows_;
    std::unique_ptr<TuningSession> session_;
    std::int64_t movementsAtEstimate_ = 0;
    std::array<std::optional<double>, kCellCount> hitsAtApply_{};
    RowJudge steadiness_{TuneOptions{}};
    std::optional<double> unsteadyS_; // the last row of a transient or at a sensor's limit
    double lastS_ = 0;
    bool warm_ = false;
};
