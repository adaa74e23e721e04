// Puts six channels of a .msl (RPM, MAP, AFR1, AFR2, Temp, MAF: every record, no envelope) on
// four stacked time graphs with each library, and times: loading the points, the first draw,
// and a redraw of the widest view after a pan of 1 %. Prints one line per library.
//     plot_libraries LOG.msl
#include <qcustomplot.h>

#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QElapsedTimer>
#include <QFile>
#include <QLineSeries>
#include <QValueAxis>

#include <cstdio>
#include <vector>

namespace {

struct Log {
    std::vector<double> time;
    std::vector<std::vector<double>> channels; // RPM, MAP, AFR1, AFR2, Temp, MAF
};

Log Read(const char* path) {
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    Log log;
    log.channels.resize(6);
    const int columns[] = {1, 2, 5, 6, 4, 7};
    while (!file.atEnd()) {
        const QList<QByteArray> fields = file.readLine().trimmed().split('\t');
        bool number = false;
        const double t = fields[0].toDouble(&number);
        if (!number || fields.size() < 8) {
            continue;
        }
        log.time.push_back(t);
        for (int c = 0; c < 6; ++c) {
            log.channels[static_cast<std::size_t>(c)].push_back(fields[columns[c]].toDouble());
        }
    }
    return log;
}

void Report(const char* library, qint64 loadMs, qint64 firstMs, double redrawMs) {
    std::printf("%-12s load %5lld ms, first draw %6lld ms, widest redraw after a pan %8.1f ms\n",
                library, static_cast<long long>(loadMs), static_cast<long long>(firstMs), redrawMs);
}

void WithQCustomPlot(const Log& log) {
    QElapsedTimer clock;
    clock.start();
    QCustomPlot plot;
    plot.resize(1200, 760);
    plot.plotLayout()->clear();
    plot.setNotAntialiasedElements(QCP::aeAll);
    QVector<double> keys(log.time.begin(), log.time.end());
    const int paneOf[] = {0, 1, 2, 2, 3, 3};
    std::vector<QCPAxisRect*> rects;
    for (int p = 0; p < 4; ++p) {
        rects.push_back(new QCPAxisRect(&plot));
        plot.plotLayout()->addElement(p, 0, rects.back());
    }
    for (int c = 0; c < 6; ++c) {
        QCPAxisRect* rect = rects[static_cast<std::size_t>(paneOf[c])];
        QCPGraph* graph = plot.addGraph(rect->axis(QCPAxis::atBottom), rect->axis(QCPAxis::atLeft));
        const auto& v = log.channels[static_cast<std::size_t>(c)];
        graph->setData(keys, QVector<double>(v.begin(), v.end()), true);
        graph->rescaleAxes();
    }
    const qint64 load = clock.restart();
    plot.replot(QCustomPlot::rpImmediateRefresh);
    plot.grab();
    const qint64 first = clock.restart();
    constexpr int kRedraws = 10;
    for (int k = 0; k < kRedraws; ++k) {
        for (QCPAxisRect* rect : rects) {
            rect->axis(QCPAxis::atBottom)->moveRange((k % 2 ? -1 : 1) * keys.back() / 100);
        }
        plot.replot(QCustomPlot::rpImmediateRefresh);
        plot.grab();
    }
    Report("QCustomPlot", load, first, static_cast<double>(clock.elapsed()) / kRedraws);
}

void WithQtCharts(const Log& log) {
    QElapsedTimer clock;
    clock.start();
    std::vector<QChartView*> views;
    QWidget window;
    window.resize(1200, 760);
    const int paneOf[] = {0, 1, 2, 2, 3, 3};
    for (int p = 0; p < 4; ++p) {
        auto* chart = new QChart;
        chart->legend()->hide();
        auto* view = new QChartView(chart, &window);
        view->setGeometry(0, p * 190, 1200, 190);
        views.push_back(view);
    }
    for (int c = 0; c < 6; ++c) {
        auto* series = new QLineSeries;
        QList<QPointF> points;
        points.reserve(static_cast<qsizetype>(log.time.size()));
        const auto& v = log.channels[static_cast<std::size_t>(c)];
        for (std::size_t k = 0; k < log.time.size(); ++k) {
            points.append({log.time[k], v[k]});
        }
        series->replace(points);
        QChart* chart = views[static_cast<std::size_t>(paneOf[c])]->chart();
        chart->addSeries(series);
        chart->createDefaultAxes();
    }
    const qint64 load = clock.restart();
    window.grab();
    const qint64 first = clock.restart();
    constexpr int kRedraws = 3;
    for (int k = 0; k < kRedraws; ++k) {
        for (QChartView* view : views) {
            view->chart()->scroll((k % 2 ? -1 : 1) * 10, 0);
        }
        window.grab();
    }
    Report("Qt Charts", load, first, static_cast<double>(clock.elapsed()) / kRedraws);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: plot_libraries LOG.msl\n");
        return 2;
    }
    const Log log = Read(argv[1]);
    std::printf("%zu records, 6 channels on 4 panes, 1200 x 760, platform %s\n", log.time.size(),
                qPrintable(QGuiApplication::platformName()));
    WithQCustomPlot(log);
    WithQtCharts(log);
    return 0;
}
