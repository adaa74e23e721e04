// VE Analyze: each record of a drive read back through the engine model. The wideband's reading
// belongs to the point the engine was at a lag earlier; measured over target, times the VE the
// device fuelled by there (from the table in force when that fuel went in), it shows the engine's
// true VE at that point, which is the true table interpolated bilinearly. Warm-up, transients,
// fuel cut and the sensor's limits are left out and counted; what is kept is summed, so the solve
// needs no record twice and memory does not grow with the drive.
#pragma once

#include "model/Lattice.h"
#include "tune/DelayLine.h"
#include "tune/RowJudge.h"
#include "tune/RowObserver.h"
#include "tune/TableInForce.h"
#include "tune/TuneLog.h"
#include "tune/TuneOptions.h"

#include <array>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

// The log's clock counts milliseconds: a record and a cell write in the same one may come in
// either order.
inline constexpr double kClockTickS = 0.001;

struct CellTally {
    double hits = 0;     // the sum of the weights of the records in the cell
    double ratioSum = 0; // of weight x measured / target: the air/fuel error before
    // Of weight x the cell's value then (as fuelled) x measured / target: the cell moved by its
    // records' mean correction, the way tools have always tuned, under any number of tables.
    double correctedSum = 0;
    double bankSum = 0; // of weight x half bank 1's shown VE less bank 2's, with both banks read
    std::array<std::int64_t, kLeftOutKinds> leftOut{}; // records left out nearest this cell
    double meanRatio() const { return hits > 0 ? ratioSum / hits : 1; }
    double meanCorrected() const { return hits > 0 ? correctedSum / hits : 0; }
    std::int64_t leftOutTotal() const;
};

// The records kept, gathered by where they fell and when: each square of the lattice cut
// kBinsPerSide ways along each axis, and the drive into stretches of kStretchS. The model holds
// to about a percent, so a thousand records at one point tell no more than that point can: the
// solve weighs points, each as well as its records and that percent allow, not records. And a
// stretch of records the filters missed (fuel they do not know of, a sensor slow to recover) is
// a stretch: kept apart from the clean records at the same point, the solve can weigh it down.
inline constexpr int kBinsPerSide = 8;
inline constexpr int kSquaresPerSide = kLatticeSize - 1;
inline constexpr double kStretchS = 2.0;
// Beyond this many bins (hours of driving) the stretches are made twice as long, pairs of bins
// merged, so memory follows the lattice, not the drive's length, and each bin stays one stretch
// of time.
inline constexpr std::size_t kMostPointBins = 150'000;
// A reading mixes the exhaust of the points of about this long before it.
inline constexpr double kSpreadS = 3 * kSensorResponseS;

// Where a point lies: the lattice square (low pressure and RPM index), and how far across it.
struct SquarePoint {
    int p = 0;
    int r = 0;
    double pShare = 0;
    double rShare = 0;
};
SquarePoint SquareOf(const LatticeWeights& weights);
// The square's four cells, low pressure and low RPM first, as the weights of a point give them.
std::array<int, 4> SquareCells(int p, int r);

struct PointBin {
    int p = 0; // the square: its low pressure and RPM index
    int r = 0;
    std::uint64_t stretch = 0;
    int place = 0; // the square and the bin within it
    double records = 0;
    double ySum = 0;                   // of the true VE each shows
    double yySum = 0;                  // of its square
    std::array<double, 4> weightSum{}; // of each of the square's cells' weights
    double spreadSquares = 0;          // of how far, in cells, each reading's point had moved
};

class PointBins {
public:
    // A record of stretch `stretch`, which only ever grows, whose point moved `spread` cells
    // while the sensor read it.
    void add(const LatticeWeights& weights, double y, std::uint64_t stretch, double spread);
    const std::vector<PointBin>& bins() const { return bins_; }

private:
    std::vector<PointBin> bins_;
    std::uint64_t stretch_ = 0;
    // Merges the bins of each pair of stretches.
    void coarsen();

    std::unordered_map<int, std::size_t> open_; // the bins of this stretch, by where they lie
    int coarser_ = 0;                           // stretches are kStretchS << coarser_ long
};

// One second of the drives, laid end to end, for the report; only seconds that hold a record are
// kept, so memory follows the records and not the span of the logs' clocks.
struct TimeBin {
    std::size_t second = 0; // from the first log's start, the logs laid end to end
    double measuredSum = 0;
    double targetSum = 0;
    std::int64_t records = 0;
    std::int64_t targeted = 0; // records with a point, and so a target
    std::int64_t leftOut = 0;
};

// Air/fuel error of the accepted records, in percent: kErrorBins bins of one percent from
// -kErrorSpan, the outer ones taking everything beyond.
inline constexpr int kErrorSpan = 25;
inline constexpr int kErrorBins = 2 * kErrorSpan;

struct Analysis {
    std::array<CellTally, kCellCount> cells{};
    PointBins points;
    std::array<std::int64_t, kLeftOutKinds> leftOut{};
    std::int64_t records = 0;
    std::int64_t accepted = 0;
    std::vector<TimeBin> timeline; // in rising seconds
    std::size_t timelineSeconds() const {
        return timeline.empty() ? 0 : timeline.back().second + 1;
    }
    std::array<std::int64_t, kErrorBins> errors{};
    double warmUpS = 0; // from each log's start until the engine first ran warm, all logs

    std::int64_t leftOutTotal() const;
};

class VeAnalyzer {
public:
    // `lattice` gives the breakpoints every log shares; `target` the air/fuel aimed at.
    VeAnalyzer(const VeTable& lattice, const CellValues& target, const TuneOptions& options);

    // Each log starts afresh: nothing is paired across two logs. Its records are judged under
    // `tables`, the table in force at each moment of it.
    void beginLog(const std::string& name, TableInForce tables);
    // A row of the current log, in order. Refuses a row whose VE is not its table's.
    std::optional<std::string> add(const TuneRow& row);
    // The current log's last row was cut short by its writer.
    void addCutShort();
    // A cell written during the current log, after every row added so far.
    void cellWritten(const CellWrite& write);

    const Analysis& analysis() const { return analysis_; }
    // Is shown every row judged plausible and of its table; nullptr shows none.
    void setObserver(RowObserver* observer) { observer_ = observer; }

private:
    std::optional<std::string> consistency(const TuneRow& row);
    // A row whose operating point the table's breakpoints do not give: the log was recorded on
    // other breakpoints.
    std::optional<std::string> pointMismatch(const TuneRow& row) const;
    void count(const TuneRow& row, double afr, const std::optional<Moment>& point,
               std::optional<LeftOut> leftOut);
    void countUnplaced(LeftOut why);
    TimeBin& binOf(double timeS);
    // How far, in cells, the point a reading is paired with moved over the sensor's response:
    // what the reading mixes.
    double spreadOf(double timeS, const LatticeWeights& weights);

    Lattice lattice_;
    CellValues target_;
    TuneOptions options_;
    Analysis analysis_;
    RowObserver* observer_ = nullptr;
    std::string log_;
    std::optional<TableInForce> atRow_;   // the table each row saw
    std::optional<TableInForce> atPoint_; // the table the fuel a reading shows was metered by
    DelayLine delay_;
    RowJudge judge_;
    std::array<bool, kCellCount> seen_{}; // cells a row of this log has seen, as its table has them
    std::uint64_t stretch_ = 0;           // of the records kept, counted over all logs
    // The points readings were paired with lately, as (time, place on the lattice in cells).
    std::deque<std::pair<double, std::pair<double, double>>> recentPoints_;
    std::optional<double> stretchFromS_; // when this log's stretch began
    double logStartS_ = 0;
    std::size_t binBase_ = 0; // the timeline's first second of this log
    bool started_ = false;
    bool warm_ = false;
};
