// The core's hot paths, timed with do-nothing platform stand-ins.
#include "BenchData.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace {

struct Streaming {
    Streaming() : form(Release::V17, null.platform()) { StartStreaming(form, null.serial); }
    NullPlatform null;
    Form3D form;
};

void BM_LiveStepOneRecord(benchmark::State& state) {
    Streaming s;
    int i = 0;
    for (auto _ : state) {
        s.null.serial.pending = kRecords[i++ & 1];
        s.form.ProcessSerialInput();
    }
}
BENCHMARK(BM_LiveStepOneRecord);

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
    for (auto _ : state) {
        s.null.serial.pending = reads[i++ & 1];
        s.form.ProcessSerialInput();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(reads[0].size()));
}
BENCHMARK(BM_FloodRead4KiB);

void BM_ShapeMarker(benchmark::State& state) {
    Streaming s;
    for (auto _ : state) {
        s.form.ShapeMarker();
    }
}
BENCHMARK(BM_ShapeMarker);

void BM_FullRedraw(benchmark::State& state) {
    Streaming s;
    for (auto _ : state) {
        s.form.fullRedraw = 1;
        s.form.DrawSurface();
    }
}
BENCHMARK(BM_FullRedraw);

void BM_DownloadAndRebuild(benchmark::State& state) {
    NullPlatform null;
    Form3D form(Release::V17, null.platform());
    form.Form_Load();
    form.LetsGo();
    form.SerialQuiet_Timer();
    const std::string reply = TableReply();
    for (auto _ : state) {
        // Only the reply's decoding and the rebuild: the connect sequence is not part of it.
        form.awaitingTable = 1;
        null.serial.pending = reply;
        form.ProcessSerialInput();
    }
}
BENCHMARK(BM_DownloadAndRebuild);

void BM_LoadAndSendTable(benchmark::State& state) {
    Streaming s;
    const std::string path = (std::filesystem::temp_directory_path() / "tvx-bench.vet").string();
    std::ofstream(path, std::ios::binary) << std::string(400, '\x41');
    for (auto _ : state) {
        s.form.LoadAndSendTable(path);
    }
    std::remove(path.c_str());
}
BENCHMARK(BM_LoadAndSendTable);

void BM_ValueStepWithRedraw(benchmark::State& state) {
    Streaming s;
    int i = 0;
    for (auto _ : state) {
        s.form.Form_KeyDown((i++ & 1) ? key::kMinus : key::kEquals, 0);
    }
}
BENCHMARK(BM_ValueStepWithRedraw);

} // namespace

BENCHMARK_MAIN();
