// tvx_measure: the program's window (release 1.7 unless told otherwise), driven and timed for
// scripts/perf/measure.py.
#include "MeasureProbe.h"
#include "app/qt/EventLoop.h"
#include "app/qt/MainWindow.h"

#include <QCommandLineParser>

int main(int argc, char** argv) {
    ChooseEventLoop(); // as the shipped programs do
    MeasuredApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "The Torvex window driven without a user and timed; writes what it measured as JSON "
        "on exit (a normal quit, SIGTERM or SIGINT). Times are CLOCK_MONOTONIC nanoseconds.");
    parser.addHelpOption();
    const QCommandLineOption release("release", "17 (default) or 12.", "N", "17");
    const QCommandLineOption connect("connect",
                                     "Choose COM N and Connect at start-up, then "
                                     "press RealTime once the table is in.",
                                     "N");
    const QCommandLineOption keyMs("key-ms",
                                   "From RealTime on, step the selected value (\"=\") "
                                   "every T ms.",
                                   "T");
    const QCommandLineOption sampleMs("sample-ms",
                                      "From RealTime on, note the six readouts "
                                      "every T ms.",
                                      "T");
    const QCommandLineOption stats("stats", "Write the JSON to PATH (default: standard output).",
                                   "PATH");
    parser.addOptions({release, connect, keyMs, sampleMs, stats});
    parser.process(app);
    if (parser.value(release) != "17" && parser.value(release) != "12") {
        parser.showHelp(2);
    }

    MainWindow window(parser.value(release) == "12" ? Release::V12 : Release::V17);
    app.measure(window, ProbeOptions{parser.value(stats), parser.value(connect).toInt(),
                                     parser.value(keyMs).toInt(), parser.value(sampleMs).toInt()});
    window.show();
    return app.exec();
}
