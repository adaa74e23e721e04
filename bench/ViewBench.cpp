// tvxview on an hour at the line rate (1.3 million records): opening the log, putting it on the
// graphs, and redrawing or panning the widest view; and tvxctl convert's work on the same hour.
// The log is tvxsim's when given (--log FILE, with its kept table beside), else one made here.
#include "datalog/LogChannels.h"
#include "datalog/LogConvert.h"
#include "datalog/MlgLog.h"
#include "view/DerivedChannels.h"
#include "view/qt/TimeGraphs.h"
#include "view/qt/ViewWindow.h"

#include <qcustomplot.h>

#include <QApplication>

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace {

constexpr std::size_t kHourRecords = 1'296'000; // 360 a second

std::string g_log;

// An hour of a drive that moves everywhere on the table, as the recorder writes it.
std::string MadeHour() {
    const std::string path =
        (std::filesystem::temp_directory_path() / "tvx_view_bench_hour.msl").string();
    if (std::filesystem::exists(path)) {
        return path;
    }
    std::ofstream out(path);
    out << HeaderText(LogFormat::Msl, {"Torvex v1.7", "2026-12-09 06:00:00", false});
    for (std::size_t k = 0; k < kHourRecords; ++k) {
        const double t = static_cast<double>(k) / 360;
        const double rpm = std::round(3500 + 2700 * std::sin(t / 7));
        const double map = std::round((16 + 12 * std::sin(t / 5 + 1)) * 100) / 100;
        const std::array<double, kLogChannels> row = {t,
                                                      rpm,
                                                      map,
                                                      std::round((map - 14.67) * 100) / 100,
                                                      180.5,
                                                      14.7,
                                                      14.65,
                                                      2.5,
                                                      static_cast<double>(k % 20),
                                                      static_cast<double>(k / 20 % 20),
                                                      80};
        out << RowTextOf(LogFormat::Msl, row);
    }
    return path;
}

ViewedLog Opened() {
    auto read = LoadViewedLog(g_log);
    if (auto* why = std::get_if<std::string>(&read)) {
        std::fprintf(stderr, "%s\n", why->c_str());
        std::exit(1);
    }
    ViewedLog log = std::move(std::get<ViewedLog>(read));
    AddTargetChannels(log);
    return log;
}

void BM_OpenHour(benchmark::State& state) {
    for (auto _ : state) {
        ViewedLog log = Opened();
        benchmark::DoNotOptimize(log.timeS.data());
        state.counters["records"] = static_cast<double>(log.records());
    }
}
BENCHMARK(BM_OpenHour)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ShowHour(benchmark::State& state) {
    const ViewedLog log = Opened();
    for (auto _ : state) {
        TimeGraphs graphs;
        graphs.resize(1200, 760);
        graphs.show();
        graphs.display(&log);
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_ShowHour)->Unit(benchmark::kMillisecond)->Iterations(3);

// What a tuner waits for: the window opens the log and draws it (its graphs, the tab shown).
void BM_WindowOpensHour(benchmark::State& state) {
    for (auto _ : state) {
        ViewWindow window;
        window.show();
        window.open(g_log);
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_WindowOpensHour)->Unit(benchmark::kMillisecond)->Iterations(3);

// A redraw of the widest view (the whole hour), unchanged and after a pan of 1 %.
void BM_RedrawWidest(benchmark::State& state) {
    const ViewedLog log = Opened();
    TimeGraphs graphs;
    graphs.resize(1200, 760);
    graphs.show();
    graphs.display(&log);
    QCustomPlot* plot = graphs.plot();
    QCPAxis* time = plot->axisRect(0)->axis(QCPAxis::atBottom);
    const bool pan = state.range(0) != 0;
    int k = 0;
    for (auto _ : state) {
        if (pan) {
            time->moveRange((++k % 2 ? 1 : -1) * time->range().size() / 100);
        }
        plot->replot(QCustomPlot::rpImmediateRefresh);
    }
}
BENCHMARK(BM_RedrawWidest)->Arg(0)->Arg(1)->ArgNames({"pan"})->Unit(benchmark::kMillisecond);

void BM_ConvertHourToMlg(benchmark::State& state) {
    const auto format = *LogFormatOf(g_log);
    for (auto _ : state) {
        std::FILE* file = std::fopen(g_log.c_str(), "rb");
        const auto converted = ConvertLog(
            [file, format](const std::vector<std::string_view>& needed) {
                std::rewind(file);
                return OpenLogChannels(file, format, needed);
            },
            LogFormat::Mlg, 1, "bench");
        std::fclose(file);
        const auto& log = std::get<ConvertedLog>(converted);
        state.counters["bytes"] = static_cast<double>(log.bytes.size());
        state.counters["share of the text"] =
            static_cast<double>(log.bytes.size()) /
            static_cast<double>(std::filesystem::file_size(g_log));
    }
}
BENCHMARK(BM_ConvertHourToMlg)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--log") == 0) {
            g_log = argv[i + 1];
        }
    }
    if (g_log.empty()) {
        g_log = MadeHour();
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
