#include "MeasureProbe.h"
#include "app/qt/MainWindow.h"
#include "surface/qt/CanvasWidget.h"

#include <QAction>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QPushButton>
#include <QSerialPort>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <array>
#include <bit>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

std::int64_t NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

volatile std::sig_atomic_t stopRequested = 0;

void OnStopSignal(int) {
    stopRequested = 1;
}

// QSerialPort reads the line when its read notifier fires; that delivery runs the port's read,
// readyRead and the window's receive handler, one inside the other.
bool IsSerialRead(QObject* receiver) {
    const auto* notifier = qobject_cast<QSocketNotifier*>(receiver);
    return notifier && notifier->type() == QSocketNotifier::Read &&
           qobject_cast<QSerialPort*>(notifier->parent());
}

constexpr std::array<TextBox, 6> kReadouts{TextBox::Pressure, TextBox::Rpm, TextBox::Temp,
                                           TextBox::WB1,      TextBox::WB2, TextBox::MAFOut};

// What the window shows of the newest record: the readouts and the values behind them. Every
// record shown is told by a change here; two records alike in every field would pass as one, but
// the device's readings carry noise in several fields at once.
struct Shown {
    std::array<QString, 6> texts;
    std::array<std::uint32_t, 5> values;
};

Shown ShownNow(MainWindow& window) {
    Shown s;
    for (std::size_t k = 0; k < kReadouts.size(); ++k) {
        s.texts[k] = window.boxText(kReadouts[k]);
    }
    const Form3D& f = window.form();
    std::size_t k = 0;
    for (const float v : {f.mapPsi, f.engineRpm, f.tempF, f.wb1, f.wb2}) {
        s.values[k++] = std::bit_cast<std::uint32_t>(v);
    }
    return s;
}

// Durations in whole microseconds up to 20 ms, then in tenths of a millisecond up to 200 ms (a
// paced window holds a readout back for up to a frame); fixed size, so an hour of flooding
// cannot grow it.
class Histogram {
public:
    void add(std::int64_t ns) {
        const std::int64_t us = std::max<std::int64_t>(ns / 1000, 0);
        const std::int64_t bucket =
            us < kFine ? us : std::min(kFine + (us - kFine) / kCoarseUs, kBuckets);
        ++counts_[static_cast<std::size_t>(bucket)];
        ++count_;
        sumNs_ += static_cast<double>(ns);
        maxNs_ = std::max(maxNs_, ns);
    }

    QJsonObject summary() const {
        QJsonObject s{{"count", static_cast<qint64>(count_)}};
        if (count_ > 0) {
            s["mean"] = sumNs_ / 1000.0 / static_cast<double>(count_);
            s["p50"] = percentile(0.50);
            s["p90"] = percentile(0.90);
            s["p99"] = percentile(0.99);
            s["p999"] = percentile(0.999);
            s["max"] = static_cast<double>(maxNs_) / 1000.0;
        }
        return s;
    }

private:
    static constexpr std::int64_t kFine = 20'000;
    static constexpr std::int64_t kCoarseUs = 100;
    static constexpr std::int64_t kBuckets = kFine + 1800; // beyond 200 ms only the maximum

    double percentile(double q) const {
        const auto rank = static_cast<std::uint64_t>(std::ceil(q * static_cast<double>(count_)));
        std::uint64_t seen = 0;
        for (std::size_t b = 0; b < kBuckets; ++b) {
            seen += counts_[b];
            if (seen >= rank) {
                const auto bucket = static_cast<std::int64_t>(b);
                return static_cast<double>(bucket < kFine ? bucket
                                                          : kFine + (bucket - kFine) * kCoarseUs);
            }
        }
        return static_cast<double>(maxNs_) / 1000.0;
    }

    std::array<std::uint32_t, kBuckets + 1> counts_{};
    std::uint64_t count_ = 0;
    double sumNs_ = 0;
    std::int64_t maxNs_ = 0;
};

} // namespace

class Probe : public QObject {
public:
    Probe(MainWindow& window, const ProbeOptions& options)
        : QObject(&window), window_(window), options_(options), builtNs_(NowNs()),
          rpm_(window.findChild<QLineEdit*>("txtRPM")) {
        std::signal(SIGTERM, OnStopSignal);
        std::signal(SIGINT, OnStopSignal);
        auto* poll = new QTimer(this);
        connect(poll, &QTimer::timeout, this, [] {
            if (stopRequested) {
                QCoreApplication::quit();
            }
        });
        poll->start(100);
        connect(qApp, &QCoreApplication::aboutToQuit, this, [this] {
            quitting_ = true; // the window is taken apart after this: stop looking at it
            writeStats();
        });
        if (options_.comPort > 0) {
            QTimer::singleShot(0, this, [this] { connectAndStream(); });
        }
    }

    // A read delivered to the window: timed from the notifier's firing until the handler is done.
    template <typename Deliver> bool timeRead(Deliver deliver) {
        const std::int64_t start = NowNs();
        lastReadNs_ = start;
        readingSinceNs_ = start;
        const bool result = deliver();
        readingSinceNs_ = 0;
        const std::int64_t end = NowNs();
        ++receiveEvents_;
        delivery_.add(end - start);
        if (noteShown(end, true)) {
            latency_.add(end - start); // the readouts were set before the end: an upper bound
        }
        return result;
    }

    // The quiet-line timer may also show a record; its delivery is not a read, so not timed. A
    // paced window's frame timer sets the readouts of a record already counted.
    template <typename Deliver> bool watchTimer(Deliver deliver) {
        const bool result = deliver();
        noteShown(NowNs(), false);
        return result;
    }

    // An event delivered from the event loop itself, not from inside another delivery.
    void startPass() { ++pass_; }

    // Qt paints the canvas in two or more pieces in one repaint of the window, so paints count
    // once per event the loop delivers (a repaint, an expose); canvas_paint_events counts pieces.
    template <typename Deliver> bool watchPaint(QObject* receiver, Deliver deliver) {
        const bool counting = firstRecordNs_ != 0;
        if (receiver == &window_.canvas()) {
            firstPaintNs_ = firstPaintNs_ ? firstPaintNs_ : NowNs();
            if (counting) {
                ++canvasPaintEvents_;
                canvasPaints_ += canvasPass_ != pass_;
                canvasPass_ = pass_;
                lastPaintNs_ = NowNs();
            }
        }
        if (receiver != rpm_ || !watching()) {
            return deliver();
        }
        noteRpmText(); // the window may set it while painting
        const bool result = deliver();
        const std::int64_t end = NowNs();
        if (counting) {
            readoutPaints_ += readoutPass_ != pass_;
            readoutPass_ = pass_;
            lastPaintNs_ = end;
        }
        if (rpmArrivedNs_ != 0) {
            // What is painted is the newest record; the oldest not painted before waited longest.
            paintLatency_.add(end - rpmArrivedNs_);
            paintWait_.add(end - (unpaintedSinceNs_ ? std::min(unpaintedSinceNs_, rpmArrivedNs_)
                                                    : rpmArrivedNs_));
            rpmArrivedNs_ = 0;
            unpaintedSinceNs_ = 0;
        }
        return result;
    }

    // Called after every delivery, as the window may set the readouts from any of them.
    void noteRpmText() {
        if (!watching() || rpm_->text() == rpmText_) {
            return;
        }
        rpmText_ = rpm_->text();
        // Set inside a read: that read brought it. Otherwise the window shows the newest record.
        rpmArrivedNs_ = readingSinceNs_ ? readingSinceNs_ : recordArrivedNs_;
    }

private:
    bool watching() const { return realTimeNs_ != 0 && rpm_ && !quitting_; }

    // A record is shown when the values behind the readouts change, or the readouts themselves
    // across a read; a timer changing only the readouts shows a record already counted.
    bool noteShown(std::int64_t when, bool read) {
        if (realTimeNs_ == 0) {
            return false; // connecting and the table's arrival are not records
        }
        Shown now = ShownNow(window_);
        const bool changed = now.values != shown_.values || (read && now.texts != shown_.texts);
        shown_ = std::move(now);
        if (!changed) {
            return false;
        }
        ++recordsShown_;
        recordArrivedNs_ = lastReadNs_;
        unpaintedSinceNs_ = unpaintedSinceNs_ ? unpaintedSinceNs_ : lastReadNs_;
        firstRecordNs_ = firstRecordNs_ ? firstRecordNs_ : when;
        lastRecordNs_ = when;
        return true;
    }

    void connectAndStream() {
        auto* com = window_.findChild<QAction*>(QString("mnuComPort%1").arg(options_.comPort));
        auto* connectItem = window_.findChild<QAction*>("mnuConnectToTVX");
        if (!com || !connectItem) {
            std::fprintf(stderr, "tvx_measure: no COM %d item\n", options_.comPort);
            return;
        }
        com->trigger();
        connectNs_ = NowNs();
        connectItem->trigger();
        // RealTime before the table is in would keep the device streaming through the drain.
        auto* wait = new QTimer(this);
        connect(wait, &QTimer::timeout, this, [this, wait] {
            if (window_.form().awaitingTable == 0) {
                wait->deleteLater();
                pressRealTime();
            } else if (NowNs() - connectNs_ > 5'000'000'000) {
                wait->deleteLater();
                std::fprintf(stderr, "tvx_measure: no table within 5 s; %s\n",
                             qPrintable(window_.statusText()));
            }
        });
        wait->start(5);
    }

    void pressRealTime() {
        window_.findChild<QPushButton*>("btnRT")->click();
        realTimeNs_ = NowNs();
        shown_ = ShownNow(window_);
        if (rpm_) {
            rpmText_ = rpm_->text();
        } else {
            std::fprintf(stderr, "tvx_measure: no txtRPM box; no paint latency\n");
        }
        if (options_.keyMs > 0) {
            nextKeyDueNs_ = realTimeNs_;
            scheduleKey();
        }
        if (options_.sampleMs > 0) {
            auto* sample = new QTimer(this);
            connect(sample, &QTimer::timeout, this, [this] { sampleReadouts(); });
            sample->start(options_.sampleMs);
        }
    }

    void sampleReadouts() {
        if (readouts_.size() >= kMaxSamples) {
            return;
        }
        QJsonArray shown;
        for (const TextBox box : kReadouts) {
            shown.append(window_.boxText(box));
        }
        readouts_.append(shown);
    }

    void scheduleKey() {
        nextKeyDueNs_ += std::int64_t{options_.keyMs} * 1'000'000;
        const auto waitMs = std::max<std::int64_t>(0, (nextKeyDueNs_ - NowNs()) / 1'000'000);
        QTimer::singleShot(static_cast<int>(waitMs), Qt::PreciseTimer, this, [this] {
            const std::int64_t due = nextKeyDueNs_;
            window_.form().Form_KeyDown(key::kEquals, 0); // as the key preview hands it over
            if (keys_.size() < kMaxKeys) {
                keys_.push_back({due, NowNs()});
            }
            scheduleKey();
        });
    }

    void writeStats() const {
        const Form3D& form = window_.form();
        QJsonArray keys;
        for (const auto& [due, done] : keys_) {
            keys.append(QJsonArray{static_cast<qint64>(due), static_cast<qint64>(done)});
        }
        const QJsonObject stats{
            {"window_built_ns", static_cast<qint64>(builtNs_)},
            {"first_paint_ns", static_cast<qint64>(firstPaintNs_)},
            {"connect_ns", static_cast<qint64>(connectNs_)},
            {"realtime_ns", static_cast<qint64>(realTimeNs_)},
            {"receive_events", static_cast<qint64>(receiveEvents_)},
            {"records_shown", static_cast<qint64>(recordsShown_)},
            {"records_skipped", static_cast<qint64>(form.framer().skippedRecords())},
            {"bytes_dropped", static_cast<qint64>(form.framer().droppedBytes())},
            {"first_record_ns", static_cast<qint64>(firstRecordNs_)},
            {"last_record_ns", static_cast<qint64>(lastRecordNs_)},
            {"delivery_us", delivery_.summary()},
            {"latency_us", latency_.summary()},
            {"paint_latency_us", paintLatency_.summary()},
            {"paint_wait_us", paintWait_.summary()},
            {"canvas_paints", static_cast<qint64>(canvasPaints_)},
            {"canvas_paint_events", static_cast<qint64>(canvasPaintEvents_)},
            {"readout_paints", static_cast<qint64>(readoutPaints_)},
            {"last_paint_ns", static_cast<qint64>(lastPaintNs_)},
            {"keys", keys},
            {"readouts", readouts_},
            {"status", window_.statusText()},
        };
        const QByteArray json = QJsonDocument(stats).toJson();
        if (options_.statsPath.isEmpty()) {
            std::fwrite(json.constData(), 1, static_cast<std::size_t>(json.size()), stdout);
            return;
        }
        QFile file(options_.statsPath);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(json) < 0) {
            std::fprintf(stderr, "tvx_measure: cannot write %s\n", qPrintable(options_.statsPath));
        }
    }

    static constexpr std::size_t kMaxKeys = 100'000;
    static constexpr qsizetype kMaxSamples = 10'000;

    MainWindow& window_;
    const ProbeOptions options_;
    const std::int64_t builtNs_;
    const QPointer<QLineEdit> rpm_;
    Shown shown_;
    QString rpmText_;
    bool quitting_ = false;
    std::int64_t firstPaintNs_ = 0;
    std::int64_t connectNs_ = 0;
    std::int64_t realTimeNs_ = 0;
    std::int64_t firstRecordNs_ = 0;
    std::int64_t lastRecordNs_ = 0;
    std::int64_t nextKeyDueNs_ = 0;
    std::int64_t lastReadNs_ = 0;       // start of the newest read delivery
    std::int64_t readingSinceNs_ = 0;   // start of the read being delivered; 0 between reads
    std::int64_t recordArrivedNs_ = 0;  // start of the read that brought the newest record
    std::int64_t rpmArrivedNs_ = 0;     // of the record in txtRPM, until it is painted
    std::int64_t unpaintedSinceNs_ = 0; // of the first record shown since txtRPM was painted
    std::int64_t lastPaintNs_ = 0;
    std::uint64_t receiveEvents_ = 0;
    std::uint64_t recordsShown_ = 0;
    std::uint64_t pass_ = 0;
    std::uint64_t canvasPass_ = 0; // the pass that last painted the canvas
    std::uint64_t readoutPass_ = 0;
    std::uint64_t canvasPaints_ = 0; // passes that painted it, from the first record shown
    std::uint64_t canvasPaintEvents_ = 0;
    std::uint64_t readoutPaints_ = 0;
    Histogram delivery_;
    Histogram latency_;
    Histogram paintLatency_; // the record painted: how old what the readout shows is
    Histogram paintWait_;    // the first record since the last paint: how long a change waits
    std::vector<std::pair<std::int64_t, std::int64_t>> keys_;
    QJsonArray readouts_;
};

void MeasuredApplication::measure(MainWindow& window, const ProbeOptions& options) {
    probe_ = new Probe(window, options);
}

bool MeasuredApplication::notify(QObject* receiver, QEvent* event) {
    Probe* probe = probe_.data();
    const auto deliver = [&] { return QApplication::notify(receiver, event); };
    if (!probe) {
        return deliver();
    }
    if (depth_ == 0) {
        probe->startPass();
    }
    ++depth_;
    bool result = false;
    switch (event->type()) {
    case QEvent::SockAct:
        result = IsSerialRead(receiver) ? probe->timeRead(deliver) : deliver();
        break;
    case QEvent::Timer:
        result = probe->watchTimer(deliver);
        break;
    case QEvent::Paint:
        result = probe->watchPaint(receiver, deliver);
        break;
    default:
        result = deliver();
        break;
    }
    --depth_;
    if (Probe* still = probe_.data()) {
        still->noteRpmText();
    }
    return result;
}
