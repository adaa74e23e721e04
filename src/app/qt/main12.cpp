// TVXv12: release 1.2 of the Torvex front end.
#include "app/qt/MainWindow.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    MainWindow window(Release::V12);
    window.show();
    return app.exec();
}
