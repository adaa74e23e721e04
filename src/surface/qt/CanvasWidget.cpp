#include "surface/qt/CanvasWidget.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPen>

#include <cmath>

namespace {

QColor ToQColor(Rgb c) {
    return QColor(c.r, c.g, c.b);
}

} // namespace

CanvasWidget::CanvasWidget(QColor background, QWidget* parent)
    : QWidget(parent), image_(kClientSize, QImage::Format_RGB32), fore_(Qt::black),
      back_(background) {
    setFixedSize(kClientSize);
    setAttribute(Qt::WA_OpaquePaintEvent); // the image covers every pixel
    image_.fill(back_);
}

void CanvasWidget::setForeColor(Rgb colour) {
    fore_ = ToQColor(colour);
}

void CanvasWidget::setBackColor(Rgb colour) {
    // A new background colour erases what was drawn, as it always has on this window.
    back_ = ToQColor(colour);
    refresh();
}

void CanvasWidget::moveTo(float x, float y) {
    currentX_ = x;
    currentY_ = y;
}

void CanvasWidget::lineTo(float x, float y) {
    drawLine(toPixel(currentX_, currentY_), toPixel(x, y));
    moveTo(x, y);
}

void CanvasWidget::line(float x1, float y1, float x2, float y2) {
    drawLine(toPixel(x1, y1), toPixel(x2, y2));
    moveTo(x2, y2);
}

void CanvasWidget::circle(float x, float y, float radius, Rgb colour) {
    // The radius is measured along x, as the window's circles always were.
    const double pixels = std::fabs(radius * kClientSize.width() / frame_.width);
    QPainter painter(&image_);
    painter.setPen(QPen(ToQColor(colour), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(QPointF(toPixel(x, y)), pixels, pixels);
    update();
}

void CanvasWidget::refresh() {
    image_.fill(back_);
    update();
}

void CanvasWidget::setFrameOrigin(float left, float top) {
    frame_.left = left;
    frame_.top = top;
}

QPoint CanvasWidget::toPixel(float x, float y) const {
    const double px = (x - frame_.left) * kClientSize.width() / frame_.width;
    const double py = (y - frame_.top) * kClientSize.height() / frame_.height;
    return QPoint(static_cast<int>(std::lround(px)), static_cast<int>(std::lround(py)));
}

void CanvasWidget::drawLine(QPoint from, QPoint to) {
    QPainter painter(&image_);
    painter.setPen(QPen(fore_, 1));
    painter.drawLine(from, to);
    update();
}

void CanvasWidget::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.drawImage(event->rect(), image_, event->rect());
}
