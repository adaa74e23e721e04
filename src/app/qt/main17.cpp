// TVXv17: release 1.7 of the Torvex front end.
#include "app/qt/MainWindow.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    MainWindow window(Release::V17);
    window.show();
    return app.exec();
}
