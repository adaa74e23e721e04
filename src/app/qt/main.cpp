// TVXv17 and TVXv12: the build names the release each program is (TVX_RELEASE).
#include "app/qt/EventLoop.h"
#include "app/qt/MainWindow.h"
#include "common/Printable.h"
#include "datalog/qt/RecordField.h"
#include "live/qt/TuneField.h"
#include "live/qt/TuningThread.h"
#include "tune/TuneOptionTexts.h"

#include <QApplication>
#include <QCommandLineParser>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

namespace {

struct CommandLine {
    std::string recordPath; // empty: no recording
    bool replace = false;   // --force: a drive there already is replaced
    bool tune = false;
    std::optional<int> tuneApplyS; // nullopt: as the Tuning window's setting says; 0: off
};

// The value of `--name VALUE` or `--name=VALUE` as its bytes were given: Qt's arguments are
// decoded text, and a path whose bytes are not UTF-8 would name another file.
std::string RawValue(int argc, char** argv, const std::string& name) {
    for (int k = 1; k < argc; ++k) {
        const std::string arg = argv[k];
        if (arg == name && k + 1 < argc) {
            return argv[k + 1];
        }
        if (arg.starts_with(name + "=")) {
            return arg.substr(name.size() + 1);
        }
    }
    return {};
}

[[noreturn]] void Refuse(const std::string& why) {
    std::fprintf(stderr, "%s\n", Printable(why).c_str());
    std::exit(1);
}

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
        "Record every live record to PATH (.msl, .csv or .mlg) from the first one that arrives "
        "until the program ends.",
        "PATH");
    parser.addOption(record);
    const QCommandLineOption force(
        "force", "With --record: replace a drive of that name (its log and its table) once the "
                 "first record arrives.");
    parser.addOption(force);
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
    const std::string path = parser.isSet(record) ? RawValue(argc, argv, "--record") : "";
    if (const auto why = Recorder::refusal(path); why && !path.empty()) {
        Refuse(*why);
    }
    CommandLine line{path, parser.isSet(force), parser.isSet(tune), std::nullopt};
    if (parser.isSet(tuneApply)) {
        const std::string text = RawValue(argc, argv, "--tune-apply");
        const auto seconds = ApplyEveryOf(text);
        if (!seconds) {
            Refuse(RefusalText("--tune-apply", kApplyEveryWhat, text));
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
    if (!line.recordPath.empty()) {
        window.recordField().recordFromFirstRecord(line.recordPath, line.replace);
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
