// TVXv17 and TVXv12: the build names the release each program is (TVX_RELEASE).
#include "app/qt/MainWindow.h"
#include "app/qt/MeasureProbe.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    MainWindow window(TVX_RELEASE);
    InstallMeasureProbe(window); // only when its TVX_MEASURE_* or TVX_STATS variables are set
    window.show();
    return app.exec();
}
