// TVXv17 and TVXv12: the build names the release each program is (TVX_RELEASE).
#include "app/qt/MainWindow.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    MainWindow window(TVX_RELEASE);
    window.show();
    return app.exec();
}
