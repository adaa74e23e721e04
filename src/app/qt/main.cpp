// TVXv17 and TVXv12: the build names the release each program is (TVX_RELEASE).
#include "app/qt/EventLoop.h"
#include "app/qt/MainWindow.h"
#include "datalog/qt/RecordField.h"

#include <QApplication>
#include <QCommandLineParser>

#include <cstdio>
#include <cstdlib>

namespace {

// --help and --version are answered before any window system is needed. Gives the path
// given with --record, empty without it.
QString ReadCommandLine(int argc, char** argv) {
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
    return path;
}

} // namespace

int main(int argc, char** argv) {
    const QString recordPath = ReadCommandLine(argc, argv);
    ChooseEventLoop();
    QApplication app(argc, argv);
    MainWindow window(TVX_RELEASE);
    if (!recordPath.isEmpty()) {
        window.recordField().recordFromFirstRecord(recordPath);
    }
    window.show();
    return app.exec();
}
