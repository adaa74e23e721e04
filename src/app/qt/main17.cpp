// TVXv17: release 1.7 of the Torvex front end.
#include "app/qt/MainWindow.h"
#include "app/qt/MeasureProbe.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    MainWindow window(Release::V17);
    InstallMeasureProbe(window); // only when its TVX_MEASURE_* or TVX_STATS variables are set
    window.show();
    return app.exec();
}
