#include "app/qt/MeasureProbe.h"
#include "app/qt/MainWindow.h"
#include "link/qt/QtSerialPort.h"
#include "marker/qt/MarkerWidget.h"
#include "surface/qt/CanvasWidget.h"

#include <QAction>
#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <array>
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

// Durations in whole microseconds; fixed size, so an hour of flooding cannot grow it.
class Histogram {
public:
    void add(std::int64_t ns) {
        const std::int64_t us = std::clamp<std::int64_t>(ns / 1000, 0, kBuckets);
        ++counts_[static_cast<std::size_t>(us)];
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
    static constexpr std::int64_t kBuckets = 20000; // beyond 20 ms only the maximum is kept

    double percentile(double q) const {
        const auto rank = static_cast<std::uint64_t>(std::ceil(q * static_cast<double>(count_)));
        std::uint64_t seen = 0;
        for (std::size_t b = 0; b < kBuckets; ++b) {
            seen += counts_[b];
            if (seen >= rank) {
                return static_cast<double>(b);
            }
        }
        return static_cast<double>(maxNs_) / 1000.0;
    }

    std::array<std::uint32_t, kBuckets + 1> counts_{};
    std::uint64_t count_ = 0;
    double sumNs_ = 0;
    std::int64_t maxNs_ = 0;
};

class Probe : public QObject {
public:
    Probe(MainWindow& window, QString statsPath, int comPort, int keyMs, int sampleMs)
        : QObject(&window), window_(window), statsPath_(std::move(statsPath)), keyMs_(keyMs),
          sampleMs_(sampleMs) {
        builtNs_ = NowNs();
        window.canvas().installEventFilter(this);
        // Times each receive event around the same call the window's own handler makes.
        window.serial().setReceiveHandler([this] { onReceive(); });
        if (!statsPath_.isEmpty()) {
            std::signal(SIGTERM, OnStopSignal);
            std::signal(SIGINT, OnStopSignal);
            auto* poll = new QTimer(this);
            connect(poll, &QTimer::timeout, this, [] {
                if (stopRequested) {
                    QCoreApplication::quit();
                }
            });
            poll->start(100);
            connect(qApp, &QCoreApplication::aboutToQuit, this, [this] { writeStats(); });
        }
        if (comPort > 0) {
            QTimer::singleShot(0, this, [this, comPort] { connectAndStream(comPort); });
        }
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && firstPaintNs_ == 0) {
            firstPaintNs_ = NowNs();
            watched->removeEventFilter(this);
        }
        return false;
    }

private:
    void onReceive() {
        const std::uint64_t placed = window_.marker().placements();
        const std::int64_t start = NowNs();
        window_.form().ProcessSerialInput();
        const std::int64_t end = NowNs();
        ++receiveEvents_;
        handler_.add(end - start);
        if (window_.marker().placements() != placed) {
            // Start is when the bytes were read; the readouts were set before the end.
            latency_.add(end - start);
            ++recordsShown_;
            firstRecordNs_ = firstRecordNs_ ? firstRecordNs_ : end;
            lastRecordNs_ = end;
        }
    }

    void connectAndStream(int comPort) {
        auto* com = window_.findChild<QAction*>(QString("mnuComPort%1").arg(comPort));
        auto* connectItem = window_.findChild<QAction*>("mnuConnectToTVX");
        if (!com || !connectItem) {
            std::fprintf(stderr, "measure: no COM %d item\n", comPort);
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
                std::fprintf(stderr, "measure: no table within 5 s; %s\n",
                             qPrintable(window_.statusText()));
            }
        });
        wait->start(5);
    }

    void pressRealTime() {
        window_.findChild<QPushButton*>("btnRT")->click();
        realTimeNs_ = NowNs();
        if (keyMs_ > 0) {
            nextKeyDueNs_ = realTimeNs_;
            scheduleKey();
        }
        if (sampleMs_ > 0) {
            auto* sample = new QTimer(this);
            connect(sample, &QTimer::timeout, this, [this] { sampleReadouts(); });
            sample->start(sampleMs_);
        }
    }

    void sampleReadouts() {
        if (readouts_.size() >= kMaxSamples) {
            return;
        }
        QJsonArray shown;
        for (const TextBox box : {TextBox::Pressure, TextBox::Rpm, TextBox::Temp, TextBox::WB1,
                                  TextBox::WB2, TextBox::MAFOut}) {
            shown.append(window_.boxText(box));
        }
        readouts_.append(shown);
    }

    void scheduleKey() {
        nextKeyDueNs_ += std::int64_t{keyMs_} * 1'000'000;
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
            {"marker_placements", static_cast<qint64>(window_.marker().placements())},
            {"records_skipped", static_cast<qint64>(form.framer().skippedRecords())},
            {"bytes_dropped", static_cast<qint64>(form.framer().droppedBytes())},
            {"first_record_ns", static_cast<qint64>(firstRecordNs_)},
            {"last_record_ns", static_cast<qint64>(lastRecordNs_)},
            {"handler_us", handler_.summary()},
            {"latency_us", latency_.summary()},
            {"keys", keys},
            {"readouts", readouts_},
            {"status", window_.statusText()},
        };
        QFile file(statsPath_);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(QJsonDocument(stats).toJson()) < 0) {
            std::fprintf(stderr, "measure: cannot write %s\n", qPrintable(statsPath_));
        }
    }

    static constexpr std::size_t kMaxKeys = 100'000;
    static constexpr qsizetype kMaxSamples = 10'000;

    MainWindow& window_;
    const QString statsPath_;
    const int keyMs_;
    const int sampleMs_;
    std::int64_t builtNs_ = 0;
    std::int64_t firstPaintNs_ = 0;
    std::int64_t connectNs_ = 0;
    std::int64_t realTimeNs_ = 0;
    std::int64_t firstRecordNs_ = 0;
    std::int64_t lastRecordNs_ = 0;
    std::int64_t nextKeyDueNs_ = 0;
    std::uint64_t receiveEvents_ = 0;
    std::uint64_t recordsShown_ = 0;
    Histogram handler_;
    Histogram latency_;
    std::vector<std::pair<std::int64_t, std::int64_t>> keys_;
    QJsonArray readouts_;
};

} // namespace

void InstallMeasureProbe(MainWindow& window) {
    const QString statsPath = qEnvironmentVariable("TVX_STATS");
    const int comPort = qEnvironmentVariableIntValue("TVX_MEASURE_CONNECT");
    const int keyMs = qEnvironmentVariableIntValue("TVX_MEASURE_KEY_MS");
    const int sampleMs = qEnvironmentVariableIntValue("TVX_MEASURE_SAMPLE_MS");
    if (statsPath.isEmpty() && comPort <= 0) {
        return;
    }
    new Probe(window, statsPath, comPort, keyMs, sampleMs);
}
