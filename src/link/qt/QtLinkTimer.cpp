#include "link/qt/QtLinkTimer.h"

QtLinkTimer::QtLinkTimer(std::function<void()> onTimeout) {
    timer_.setSingleShot(true);
    QObject::connect(&timer_, &QTimer::timeout, std::move(onTimeout));
    clock_.start();
}
