// tvxview: look at recorded drives. Each LOG opens in a window of its own.
#include "view/qt/ViewWindow.h"

#include <QApplication>
#include <QCommandLineParser>

#include <vector>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("tvxview");
    QApplication::setApplicationVersion(TVX_VERSION);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Look at recorded drives (.msl, .mlg, .csv): time graphs with a cursor, a scatter and the "
        "hits on the table, with the table kept beside each drive.");
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument("LOG", "drives to open, each in a window", "[LOG...]");
    const QCommandLineOption suggested(
        "suggested",
        "Show each drive as it would have been under the table in FILE (.vet, .csv or .json; "
        "tvxctl analyze -o writes one): the air/fuel each record would have read with its VE.",
        "FILE");
    parser.addOption(suggested);
    parser.process(app);
    std::vector<std::unique_ptr<ViewWindow>> windows;
    for (const QString& path : parser.positionalArguments()) {
        windows.push_back(std::make_unique<ViewWindow>());
        if (windows.back()->open(path.toStdString()) && parser.isSet(suggested)) {
            windows.back()->compareWith(parser.value(suggested).toStdString());
        }
        windows.back()->show();
    }
    if (windows.empty()) {
        windows.push_back(std::make_unique<ViewWindow>());
        windows.back()->show();
    }
    return QApplication::exec();
}
