#include "app/qt/LinkHealthField.h"

LinkHealthField::LinkHealthField(std::function<LinkHealth()> source, QWidget* parent)
    : QLabel(parent), source_(std::move(source)) {
    setObjectName("linkHealth");
    setFocusPolicy(Qt::NoFocus); // every key stays the window's
    connect(&timer_, &QTimer::timeout, this, &LinkHealthField::refresh);
    timer_.start(kIntervalMs);
    sinceLast_.start();
}

void LinkHealthField::refresh() {
    const LinkHealth now = source_();
    const double seconds = static_cast<double>(sinceLast_.restart()) / 1000.0;
    if (now.records > 0) { // empty until the first record arrives
        setText(QString::fromStdString(LinkHealthText(now, last_, seconds)));
    }
    last_ = now;
}
