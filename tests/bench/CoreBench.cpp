// The core's hot paths, timed with do-nothing platform stand-ins.
#include "NullPlatform.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace {

std::string TableReply() {
    std::string text;
    for (int i = 0; i < 400; ++i) {
        text += std::to_string(30 + (i % 20) * 4 + (i / 20) * 2) + ",";
    }
    for (int k = 0; k < 20; ++k) {
        text += std::to_string(5 * (k + 1)) + ",";
    }
    for (int k = 0; k < 20; ++k) {
        text += std::to_string(5 + 2 * k) + ",";
    }
    return text + "1\r\n";
}

// Connected, table received, real time on.
struct Streaming {
    Streaming() : form(Release::V17, null.platform()) {
        form.Form_Load();
        form.LetsGo();
        form.SerialQuiet_Timer();
        null.serial.pending = TableReply();
        form.ProcessSerialInput();
        form.btnRT_Click();
    }
    NullPlatform null;
    Form3D form;
};

void BM_LiveStepOneRecord(benchmark::State& state) {
    Streaming s;
    const std::string records[2] = {"255,14.7,2250,180,14.7,2.5,14.9,",
                                    "255,22.3,4100,185,12.9,3.7,13.1,"};
    int i = 0;
    for (auto _ : state) {
        s.null.serial.pending = records[i++ & 1];
        s.form.ProcessSerialInput();
    }
}
BENCHMARK(BM_LiveStepOneRecord);

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
    const std::string reply = TableReply();
    for (auto _ : state) {
        form.LetsGo();
        form.SerialQuiet_Timer();
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
