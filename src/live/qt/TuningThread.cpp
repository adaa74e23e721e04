#include "live/qt/TuningThread.h"

#include "common/Numbers.h"
#include "model/AfrTarget.h"

#include <QThread>

#include <algorithm>
#include <chrono>
#include <cmath>

namespace {

// How often the analysis says what it found: once a second, or, when saying it takes longer
// than a fiftieth of that (the solve over a full lattice), as seldom as keeps it to 2% of a core.
constexpr std::chrono::milliseconds kSnapshotEvery{1000};
constexpr int kSnapshotCostShare = 50;
constexpr int kPaceMs = 16;

// The settings' options with the locked cells among the locks.
TuneOptions OptionsOf(const TuneSettings& settings, const std::array<bool, kCellCount>& locked) {
    TuneOptions options = settings.options;
    for (int cell = 0; cell < kCellCount; ++cell) {
        if (locked[cell]) {
            const int p = PressureIndexOf(cell), r = RpmIndexOf(cell);
            options.locks.push_back({p, r, p, r});
        }
    }
    return options;
}

} // namespace

TuningThread::TuningThread(TableHost& host, Recorder& recorder, const LogClock& clock,
                           StatusLine& status, QObject* parent)
    : QObject(parent), host_(host), recorder_(recorder), clock_(clock), status_(status),
      snapshot_(std::make_shared<TuneSnapshot>()) {
    pace_.setInterval(kPaceMs);
    connect(&pace_, &QTimer::timeout, this, [this] {
        host_.writeCellsTick();
        if (!host_.writingCells()) {
            pace_.stop();
        }
    });
    hands_.setInterval(1000);
    connect(&hands_, &QTimer::timeout, this, &TuningThread::applyOnTimer);
    hands_.start();
    connect(this, &TuningThread::updated, this, [this] {
        const auto now = snapshot();
        if (now->lag.found && recorder_.recording()) {
            recorder_.lagFound(now->lag.lag); // kept with the drive, for its analysis later
        }
    });
    worker_ = std::thread([this] { work(); });
}

TuningThread::~TuningThread() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_one();
    worker_.join();
}

std::int64_t TuningThread::nowMs() const {
    // While recording, the recording's clock and moments: the log and the tuning agree.
    return recorder_.recording() ? recorder_.lastEventMs() : clock_.nowMs();
}

void TuningThread::add(const LoggedRecord& entry) {
    if (!on_) {
        return;
    }
    if (recorder_.recording() && recorder_.startedAtMs() != originMs_) {
        originMs_ = recorder_.startedAtMs(); // a recording begins: the tuning begins with it
        restart_ = true;
    }
    const std::int64_t ms = nowMs();
    if (restart_) {
        post(Reset{host_.heldTable(), recorder_.recording() ? originMs_ : ms});
        restart_ = false;
    }
    post(Record{entry, ms});
}

void TuningThread::cellWritten(int cell, std::int16_t value) {
    // Switched off, it still follows the table it keeps what it gathered against.
    if (!restart_) {
        post(Write{cell, value, nowMs()});
    }
}

void TuningThread::setOn(bool on) {
    on_ = on;
}

void TuningThread::reset() {
    restart_ = true;
    post(Reset{{}, -1}); // nothing gathered until the next record
}

void TuningThread::setSettings(const TuneSettings& settings) {
    settings_ = settings;
    post(Settings{settings_, locked_});
}

void TuningThread::setLocked(const std::vector<int>& cells, bool locked) {
    for (const int cell : cells) {
        locked_[cell] = locked;
    }
    post(Settings{settings_, locked_});
}

std::shared_ptr<const TuneSnapshot> TuningThread::snapshot() const {
    std::lock_guard lock(mutex_);
    return snapshot_;
}

void TuningThread::post(Event event) {
    {
        std::lock_guard lock(mutex_);
        promptly_ = promptly_ || !std::holds_alternative<Record>(event);
        inbox_.push_back(std::move(event));
        ++posted_;
    }
    wake_.notify_one();
}

void TuningThread::work() {
    std::unique_ptr<LiveTuner> tuner;
    TuneSettings settings;
    std::array<bool, kCellCount> locked{};
    auto last = std::chrono::steady_clock::now();
    std::chrono::steady_clock::duration every = kSnapshotEvery;
    const auto fresh = [&] {
        tuner = std::make_unique<LiveTuner>(OptionsOf(settings, locked), std::nullopt);
    };
    fresh();
    for (;;) {
        std::vector<Event> events;
        bool promptly = false;
        {
            std::unique_lock lock(mutex_);
            // A settle asks for a snapshot at once, however long the wait between them grew.
            wake_.wait_for(lock, every, [this] { return stop_ || !inbox_.empty() || promptly_; });
            if (stop_) {
                return;
            }
            events.swap(inbox_);
        }
        for (Event& event : events) {
            if (auto* reset = std::get_if<Reset>(&event)) {
                fresh();
                if (reset->ms >= 0) {
                    tuner->reconfigure(OptionsOf(settings, locked),
                                       targetOf(settings, reset->table.table));
                    tuner->reset(reset->table, reset->ms);
                }
            } else if (auto* record = std::get_if<Record>(&event)) {
                tuner->record(record->entry, record->ms);
            } else if (auto* write = std::get_if<Write>(&event)) {
                tuner->cellWritten(write->cell, write->value, write->ms);
            } else if (auto* change = std::get_if<Settings>(&event)) {
                settings = change->settings;
                locked = change->locked;
                // Before anything is gathered, the next reset reads the target.
                tuner->reconfigure(OptionsOf(settings, locked),
                                   tuner->started() ? targetOf(settings, tuner->heldTable().table)
                                                    : std::nullopt);
            } else if (auto* applied = std::get_if<Applied>(&event)) {
                std::vector<std::pair<int, std::int16_t>> cells;
                for (const CellChange& w : applied->cells) {
                    cells.emplace_back(w.cell, w.after);
                }
                tuner->applied(cells);
            }
        }
        {
            std::lock_guard lock(mutex_);
            handled_ += events.size();
            // Records alone wait for the next second; anything else is shown once all is in.
            promptly = promptly_ && handled_ == posted_;
        }
        const auto now = std::chrono::steady_clock::now();
        if (now - last >= every || promptly) {
            last = now;
            publish(*tuner);
            const auto took = std::chrono::steady_clock::now() - now;
            every = std::max<std::chrono::steady_clock::duration>(kSnapshotEvery,
                                                                  took * kSnapshotCostShare);
        }
    }
}

std::optional<CellValues> TuningThread::targetOf(const TuneSettings& settings,
                                                 const VeTable& table) {
    if (settings.target.empty()) {
        targetProblem_.clear();
        return std::nullopt; // the default, on the table's breakpoints
    }
    auto target = TargetFromArgument(settings.target, table, kTargetField);
    if (const auto* why = std::get_if<std::string>(&target)) {
        targetProblem_ = *why + "; the default serves";
        return std::nullopt;
    }
    targetProblem_.clear();
    return std::get<CellValues>(target);
}

void TuningThread::publish(LiveTuner& tuner) {
    auto shot = std::make_shared<TuneSnapshot>();
    shot->started = tuner.started();
    shot->problem = targetProblem_;
    if (tuner.started()) {
        tuner.settleLag();
        shot->suggestion = tuner.suggest();
        shot->analysis = WithOutliers(tuner.analysis(), shot->suggestion.solution);
        for (const auto& [cell, value] : tuner.applyPlan(shot->suggestion, {})) {
            shot->plan.push_back({cell, value});
        }
        shot->counts = CountsOf(shot->suggestion, shot->analysis);
        shot->lag = tuner.lag();
        shot->table = tuner.table();
        shot->warmAndSteady = tuner.warmAndSteady();
    }
    {
        std::lock_guard lock(mutex_);
        snapshot_ = std::move(shot);
        published_ = handled_;
        // What came in while this was made is still wanted promptly (a settle waits for it).
        promptly_ = promptly_ && handled_ != posted_;
    }
    QMetaObject::invokeMethod(
        this, [this] { emit updated(); }, Qt::QueuedConnection);
}

bool TuningThread::settle() {
    std::uint64_t wanted = 0;
    {
        std::lock_guard lock(mutex_);
        wanted = posted_;
        promptly_ = true;
    }
    wake_.notify_one();
    for (int wait = 0; wait < 30000; ++wait) {
        {
            std::lock_guard lock(mutex_);
            if (published_ >= wanted) {
                return true;
            }
        }
        QThread::msleep(10);
    }
    return false;
}

bool TuningThread::apply(const std::vector<int>& selection) {
    const auto now = snapshot();
    const VeTable held = host_.heldTable().table;
    std::vector<CellValue> cells;
    for (const CellValue& w : now->plan) {
        const bool chosen = selection.empty() || std::find(selection.begin(), selection.end(),
                                                           w.cell) != selection.end();
        if (chosen && held[w.cell] != w.value) {
            cells.push_back(w);
        }
    }
    if (cells.empty()) {
        status_.showStatus(selection.empty()
                               ? "Nothing to apply: no cell is ready"
                               : "Nothing to apply: no cell of the selection is ready");
        return false;
    }
    const auto refused =
        host_.writeCells(cells, BackupKind::BeforeTune, [this](const CellsWritten& result) {
            status_.showStatus(ApplyText(result));
            post(Applied{result.written});
        });
    if (refused) {
        status_.showStatus("Nothing applied: " + *refused);
        return false;
    }
    lastApplyMs_ = clock_.nowMs();
    pace_.start();
    host_.writeCellsTick();
    return true;
}

void TuningThread::applyOnTimer() {
    const auto now = snapshot();
    if (on_ && settings_.applyEveryS >= kLeastApplyEveryS && !host_.writingCells() &&
        clock_.nowMs() - lastApplyMs_ >= settings_.applyEveryS * 1000LL && now->warmAndSteady &&
        !now->plan.empty()) {
        apply({});
    }
}
