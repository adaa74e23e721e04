// TVXv17 and TVXv12: the build names the release each program is (TVX_RELEASE).
#include "app/qt/EventLoop.h"
#include "app/qt/MainWindow.h"
#include "datalog/qt/RecordField.h"
#include "tune/TuneOptionTexts.h"
#include "tune/qt/LiveTuning.h"
#include "tune/qt/TuneField.h"

#include <QApplication>
#include <QCommandLineParser>

#include <cstdio>
#include <cstdlib>
#include <optional>

namespace {

struct CommandLine {
    QString recordPath; // empty: no recording
    bool tune = false;
    std::optional<int> tuneApplyS; // nullopt: as the Tuning window's setting says; 0: off
};

// --help and --version are answered before any window system is needed.
CommandLine ReadCommandLine(int argc, char** argv) {
    QCoreApplication core(argc, argv);
    QCoreApplication::setApplicationVersion(TVX_VERSION);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        TVX_RELEASE == Release::V12
            ? "Torvex front end, release 1.2: the device's VE table as a grid and a 3D surface."
            : "Torvex front end, release 1.7: the device's VE table as a grid and a 3D surface.");
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption record(
        "record",
        "Record every live record to PATH (.msl or .csv) from the first one that arrives "
        "until the program ends.",
        "PATH");
    parser.addOption(record);
    const QCommandLineOption tune("tune", "Start with live tuning on (the Tune field).");
    parser.addOption(tune);
    const QCommandLineOption tuneApply(
        "tune-apply",
        "Apply the ready cells every SECONDS (10 or more) while the engine is warm and steady; "
        "for this run only.",
        "SECONDS");
    parser.addOption(tuneApply);
    // Whatever this parser does not know (-platform, -style) is QApplication's to read.
    parser.parse(QCoreApplication::arguments());
    if (parser.isSet("version")) {
        parser.showVersion();
    }
    if (parser.isSet("help")) {
        parser.showHelp();
    }
    const QString path = parser.value(record);
    if (const auto why = Recorder::refusal(path.toStdString()); why && !path.isEmpty()) {
        std::fprintf(stderr, "%s\n", why->c_str());
        std::exit(1);
    }
    CommandLine line{path, parser.isSet(tune), std::nullopt};
    if (parser.isSet(tuneApply)) {
        const std::string text = parser.value(tuneApply).toStdString();
        const auto seconds = ApplyEveryOf(text);
        if (!seconds) {
            std::fprintf(stderr, "%s\n",
                         RefusalText("--tune-apply", kApplyEveryWhat, text).c_str());
            std::exit(1);
        }
        line.tuneApplyS = seconds;
    }
    return line;
}

} // namespace

int main(int argc, char** argv) {
    const CommandLine line = ReadCommandLine(argc, argv);
    ChooseEventLoop();
    QApplication app(argc, argv);
    MainWindow window(TVX_RELEASE);
    if (!line.recordPath.isEmpty()) {
        window.recordField().recordFromFirstRecord(line.recordPath);
    }
    if (line.tuneApplyS) {
        TuneSettings settings = window.tuning().settings();
        settings.applyEveryS = *line.tuneApplyS;
        window.tuning().setSettings(settings);
    }
    window.tuneField().setOn(line.tune || line.tuneApplyS.value_or(0) > 0);
    window.show();
    return app.exec();
}
