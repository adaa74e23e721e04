// The same paths through the real window's canvas, grid, marker and text boxes, offscreen.
// paintEvery:0 cases repaint outside the timed region, so each step starts from a painted
// window as in the program; paintEvery:N also times the repaint after every Nth step.
#include "BenchData.h"
#include "app/qt/FormTableHost.h"
#include "app/qt/MainWindow.h"
#include "datalog/LiveLogs.h"
#include "datalog/qt/QtLogClock.h"
#include "link/Protocol.h"
#include "live/qt/TuningThread.h"
#include "marker/qt/MarkerWidget.h"
#include "surface/qt/CanvasWidget.h"
#include "table/qt/QtGrid.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace {

// The real window, shown, with a core over its widgets and the tests' stand-ins for the rest: a
// serial port the benchmark feeds, dialogs, status line and timer.
struct QtStreaming {
    QtStreaming()
        : form(Release::V17, Platform{serial, window.grid(), window.canvas(), window.marker(),
                                      window.boxes(), dialogs, status, timer}) {
        window.show();
        form.Form_Load();
        StartStreaming(form, serial);
        Paint();
    }
    static void Paint() { QCoreApplication::processEvents(); }

    MainWindow window{Release::V17};
    FakeSerialPort serial;
    FakeDialogs dialogs;
    FakeStatus status;
    FakeTimer timer;
    Form3D form;
};

// Runs step() each iteration. With recordsPerPaint 0 the repaint it causes happens outside the
// timed region; otherwise the window repaints, timed, after every recordsPerPaint steps (6 is
// what a 60 Hz display needs at the line rate's 360 records a second). The stand-ins' logs are
// emptied untimed, with the untimed repaint or every kClearEvery steps.
template <typename Step>
void Run(benchmark::State& state, QtStreaming& s, std::int64_t recordsPerPaint, Step step) {
    std::int64_t n = 0;
    for (auto _ : state) {
        step();
        ++n;
        if (recordsPerPaint > 0 && n % recordsPerPaint == 0) {
            QtStreaming::Paint();
        }
        if (recordsPerPaint == 0 || n % kClearEvery == 0) {
            state.PauseTiming();
            if (recordsPerPaint == 0) {
                QtStreaming::Paint();
            }
            ClearLogs(s.serial, s.status);
            state.ResumeTiming();
        }
    }
}

void BM_Qt_LiveStepOneRecord(benchmark::State& state) {
    QtStreaming s;
    int i = 0;
    Run(state, s, state.range(0), [&] {
        s.serial.pending = kRecords[i++ & 1];
        s.form.ProcessSerialInput();
    });
}
BENCHMARK(BM_Qt_LiveStepOneRecord)->ArgName("paintEvery")->Arg(0)->Arg(1)->Arg(6);

// The same step with Tune on: the record is decoded for the tuning and handed to its thread,
// which analyses it meanwhile on the other core.
void BM_Qt_LiveStepOneRecordTuning(benchmark::State& state) {
    QtStreaming s;
    QtLogClock clock;
    StdioLogFile file;
    Recorder recorder(file, clock, s.status, "Torvex v1.7");
    FormTableHost host(s.form);
    TuningThread tuning(host, recorder, clock, s.status);
    LiveLogs logs({&recorder, &tuning});
    tuning.setOn(true);
    s.form.setLiveLog(&logs);
    int i = 0;
    Run(state, s, state.range(0), [&] {
        s.serial.pending = kRecords[i++ & 1];
        s.form.ProcessSerialInput();
    });
    s.form.setLiveLog(nullptr);
}
BENCHMARK(BM_Qt_LiveStepOneRecordTuning)->ArgName("paintEvery")->Arg(0)->Arg(6);

// An apply of N cells while streaming, through the real window's grid and surface: each
// iteration is one display frame's tick with the repaint it causes, the event loop's longest
// hold. The counter says how many frames the apply took (a frame's tick sends what the line
// carries meanwhile); the line's own time for the messages is the other counter.
void BM_Qt_ApplyTick(benchmark::State& state) {
    QtStreaming s;
    FakeArchive archive(s.serial);
    s.form.setTableArchive(&archive);
    const auto cells = static_cast<int>(state.range(0));
    double frames = 0, applies = 0, wireMs = 0;
    std::int16_t step = 1;
    for (auto _ : state) {
        if (!s.form.writingCells()) {
            state.PauseTiming();
            std::vector<CellValue> writes;
            wireMs = 0;
            for (int k = 0; k < cells; ++k) {
                const int cell = k * (kCellCount / cells);
                writes.push_back({cell, static_cast<std::int16_t>(s.form.veTable[cell] + step)});
                wireMs += static_cast<double>(
                              CellWriteMessage(writes.back().cell, writes.back().value).size()) /
                          kLineBytesPerMs;
            }
            step = static_cast<std::int16_t>(-step);
            s.form.WriteCells(writes, BackupKind::BeforeTune, nullptr);
            ++applies;
            ClearLogs(s.serial, s.status);
            state.ResumeTiming();
        }
        s.timer.now += 16;
        s.form.WriteCells_Tick();
        QtStreaming::Paint();
        ++frames;
    }
    state.counters["frames an apply"] = frames / applies;
    state.counters["wire ms"] = wireMs;
}
BENCHMARK(BM_Qt_ApplyTick)->ArgName("cells")->Arg(100)->Arg(400)->Unit(benchmark::kMillisecond);

void BM_Qt_FloodRead4KiB(benchmark::State& state) {
    QtStreaming s;
    std::string reads[2];
    for (int k = 0; k < 2; ++k) {
        for (int n = 0; n < 128; ++n) {
            reads[k] += kRecords[(n + k) & 1];
        }
    }
    int i = 0;
    Run(state, s, 1, [&] {
        s.serial.pending = reads[i++ & 1];
        s.form.ProcessSerialInput();
    });
}
BENCHMARK(BM_Qt_FloodRead4KiB);

void BM_Qt_ShapeMarker(benchmark::State& state) {
    QtStreaming s;
    Run(state, s, 0, [&] { s.form.ShapeMarker(); });
}
BENCHMARK(BM_Qt_ShapeMarker);

void BM_Qt_FullRedraw(benchmark::State& state) {
    QtStreaming s;
    Run(state, s, state.range(0), [&] {
        s.form.fullRedraw = 1;
        s.form.DrawSurface();
    });
}
BENCHMARK(BM_Qt_FullRedraw)->ArgName("paintEvery")->Arg(0)->Arg(1);

void BM_Qt_DownloadAndRebuild(benchmark::State& state) {
    QtStreaming s;
    s.form.btnCMDOFF_Click();
    const std::string reply = BenchReply();
    Run(state, s, state.range(0), [&] {
        s.form.awaitingTable = 1;
        s.serial.pending = reply;
        s.form.ProcessSerialInput();
    });
}
BENCHMARK(BM_Qt_DownloadAndRebuild)->ArgName("paintEvery")->Arg(0)->Arg(1);

void BM_Qt_LoadAndSendTable(benchmark::State& state) {
    QtStreaming s;
    const std::string path = (std::filesystem::temp_directory_path() / "tvx-qtbench.vet").string();
    std::ofstream(path, std::ios::binary) << std::string(400, '\x41');
    Run(state, s, 0, [&] { s.form.LoadAndSendTable(path); });
    std::remove(path.c_str());
}
BENCHMARK(BM_Qt_LoadAndSendTable);

void BM_Qt_ValueStepWithRedraw(benchmark::State& state) {
    QtStreaming s;
    int i = 0;
    Run(state, s, state.range(0),
        [&] { s.form.Form_KeyDown((i++ & 1) ? key::kMinus : key::kEquals, 0); });
}
BENCHMARK(BM_Qt_ValueStepWithRedraw)->ArgName("paintEvery")->Arg(0)->Arg(1);

QtMessageHandler defaultHandler = nullptr;

// The offscreen platform warns at every layout pass of a fixed-size window; only that is hushed.
void HushSizeHintWarnings(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (!text.contains("propagateSizeHints")) {
        defaultHandler(type, context, text);
    }
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    defaultHandler = qInstallMessageHandler(HushSizeHintWarnings);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
