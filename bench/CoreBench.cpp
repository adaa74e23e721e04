// The core's hot paths, timed over the tests' recording stand-ins.
#include "BenchData.h"
#include "datalog/Recorder.h"
#include "edit/BlockOperation.h"
#include "link/LogEntry.h"
#include "link/Protocol.h"
#include "live/LiveTuner.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace {

struct Streaming {
    Streaming() { StartStreaming(h.form, h.serial); }
    CoreHarness h{Release::V17};
};

// Runs step() each iteration, emptying the stand-ins' logs untimed every kClearEvery steps.
template <typename Step> void Run(benchmark::State& state, CoreHarness& h, Step step) {
    std::int64_t n = 0;
    for (auto _ : state) {
        step();
        if (++n % kClearEvery == 0) {
            state.PauseTiming();
            ClearLogs(h);
            state.ResumeTiming();
        }
    }
}

// Each hand edit of the whole table, worked out (nothing written): the Table window's Apply.
void BM_EditWholeTable(benchmark::State& state) {
    TableFile file{{}, true, 0};
    for (int k = 0; k < kLatticeSize; ++k) {
        file.table[kRpmBase + k] = static_cast<std::int16_t>(4 + 3 * k + k * k / 8);
        file.table[kPressureBase + k] = static_cast<std::int16_t>(-10 + 2 * k);
    }
    for (int cell = 0; cell < kCellCount; ++cell) {
        file.table[cell] = static_cast<std::int16_t>(40 + (cell * 37) % 60);
    }
    const EditOperation operation{static_cast<EditKind>(state.range(0)), 7};
    for (auto _ : state) {
        benchmark::DoNotOptimize(EditChanges(file, Block{}, operation));
    }
}
BENCHMARK(BM_EditWholeTable)->DenseRange(0, 4)->ArgName("set,add,scale,interpolate,smooth");

void BM_LiveStepOneRecord(benchmark::State& state) {
    Streaming s;
    int i = 0;
    Run(state, s.h, [&] { s.h.Feed(kRecords[i++ & 1]); });
}
BENCHMARK(BM_LiveStepOneRecord);

// The same step while recording to a file; its clock advances one line-rate record (1/360 s)
// per step, so rows are written in batches as they are in a drive.
void BM_LiveStepOneRecordRecording(benchmark::State& state) {
    struct LineRateClock : LogClock {
        std::int64_t nowMs() const override {
            return static_cast<std::int64_t>(++steps * 1000 / 360);
        }
        std::string localDateTime() const override { return "2026-12-07 00:00:00"; }
        mutable std::int64_t steps = 0;
    } clock;
    Streaming s;
    StdioLogFile file;
    Recorder recorder(file, clock, s.h.status, "Torvex v1.7");
    const std::filesystem::path log = std::filesystem::temp_directory_path() / "tvx-bench.msl";
    recorder.start(log, false);
    s.h.form.setLiveLog(&recorder);
    int i = 0;
    Run(state, s.h, [&] { s.h.Feed(kRecords[i++ & 1]); });
    recorder.stop();
    std::filesystem::remove(log);
}
BENCHMARK(BM_LiveStepOneRecordRecording);

// Live tuning's work for one record, in its own thread: the analysis of a drive that moves
// between two operating points at the line rate, a record every 1/360 s.
void BM_LiveTunerOneRecord(benchmark::State& state) {
    Streaming s;
    LiveTuner tuner(TuneOptions{}, std::nullopt);
    tuner.reset(s.h.form.HeldTable(), 0);
    LoggedRecord entries[2];
    for (int k = 0; k < 2; ++k) {
        const auto parsed = ParseLiveRecord(kRecords[k]);
        entries[k] = LogEntryOf(std::get<LiveRecord>(parsed), s.h.form.veTable, {}, false);
    }
    std::int64_t n = 0;
    for (auto _ : state) {
        tuner.record(entries[(n / 360) & 1], n * 1000 / 360); // a second at each point
        ++n;
    }
}
BENCHMARK(BM_LiveTunerOneRecord);

// What the tuning does once a second: the solve and the suggestion, over a minute's records.
void BM_LiveTunerSuggest(benchmark::State& state) {
    Streaming s;
    LiveTuner tuner(TuneOptions{}, std::nullopt);
    tuner.reset(s.h.form.HeldTable(), 0);
    const auto parsed = ParseLiveRecord(kRecords[0]);
    const LoggedRecord entry =
        LogEntryOf(std::get<LiveRecord>(parsed), s.h.form.veTable, {}, false);
    for (std::int64_t n = 0; n < 60 * 360; ++n) {
        tuner.record(entry, n * 1000 / 360);
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(tuner.suggest());
    }
}
BENCHMARK(BM_LiveTunerSuggest)->Unit(benchmark::kMillisecond);

// A flooded line: one read holds a pipe's worth of records; the newest is shown.
void BM_FloodRead4KiB(benchmark::State& state) {
    Streaming s;
    std::string reads[2];
    for (int k = 0; k < 2; ++k) {
        for (int n = 0; n < 128; ++n) { // 128 records of 32 characters
            reads[k] += kRecords[(n + k) & 1];
        }
    }
    int i = 0;
    Run(state, s.h, [&] { s.h.Feed(reads[i++ & 1]); });
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(reads[0].size()));
}
BENCHMARK(BM_FloodRead4KiB);

void BM_ShapeMarker(benchmark::State& state) {
    Streaming s;
    Run(state, s.h, [&] { s.h.form.ShapeMarker(); });
}
BENCHMARK(BM_ShapeMarker);

void BM_FullRedraw(benchmark::State& state) {
    Streaming s;
    Run(state, s.h, [&] {
        s.h.form.fullRedraw = 1;
        s.h.form.DrawSurface();
    });
}
BENCHMARK(BM_FullRedraw);

void BM_DownloadAndRebuild(benchmark::State& state) {
    CoreHarness h{Release::V17};
    h.Connect();
    const std::string reply = BenchReply();
    Run(state, h, [&] {
        // Only the reply's decoding and the rebuild: the connect sequence is not part of it.
        h.form.awaitingTable = 1;
        h.Feed(reply);
    });
}
BENCHMARK(BM_DownloadAndRebuild);

void BM_LoadAndSendTable(benchmark::State& state) {
    Streaming s;
    const std::string path = (std::filesystem::temp_directory_path() / "tvx-bench.vet").string();
    std::ofstream(path, std::ios::binary) << std::string(400, '\x41');
    Run(state, s.h, [&] { s.h.form.LoadAndSendTable(path); });
    std::remove(path.c_str());
}
BENCHMARK(BM_LoadAndSendTable);

void BM_ValueStepWithRedraw(benchmark::State& state) {
    Streaming s;
    int i = 0;
    Run(state, s.h, [&] { s.h.form.Form_KeyDown((i++ & 1) ? key::kMinus : key::kEquals, 0); });
}
BENCHMARK(BM_ValueStepWithRedraw);

} // namespace

BENCHMARK_MAIN();
