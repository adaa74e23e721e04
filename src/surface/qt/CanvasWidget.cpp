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
    const QPointF centre(toPixel(x, y));
    painterWith(ToQColor(colour)).drawEllipse(centre, pixels, pixels);
    // Only what changed is repainted: a whole-area update would repaint every control on top
    // of the canvas, the grid included, for every live record.
    const double reach = pixels + 2;
    showChanged(
        QRectF(centre - QPointF(reach, reach), QSizeF(2 * reach, 2 * reach)).toAlignedRect());
}

void CanvasWidget::refresh() {
    finishPainting();
    image_.fill(back_);
    showChanged(rect());
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

QPainter& CanvasWidget::painterWith(const QColor& colour) {
    if (!painter_) {
        painter_.emplace(&image_);
        painter_->setBrush(Qt::NoBrush);
        penColour_ = QColor();
    }
    if (colour != penColour_) {
        painter_->setPen(QPen(colour, 1));
        penColour_ = colour;
    }
    return *painter_;
}

void CanvasWidget::finishPainting() const {
    painter_.reset();
}

void CanvasWidget::drawLine(QPoint from, QPoint to) {
    painterWith(fore_).drawLine(from, to);
    showChanged(QRect(from, to).normalized().adjusted(-1, -1, 1, 1));
}

void CanvasWidget::setPacer(FramePacer& pacer) {
    pacer_ = &pacer;
    pacer.onFrame([this] {
        update(wholeChanged_ ? QRegion(rect()) : changed_);
        changed_ = QRegion();
        wholeChanged_ = false;
    });
}

void CanvasWidget::showChanged(const QRect& area) {
    if (!pacer_) {
        update(area);
        return;
    }
    // After a clear the whole area goes out anyway; the strokes on top need no region of their own.
    wholeChanged_ = wholeChanged_ || area == rect();
    if (!wholeChanged_) {
        changed_ += area;
    }
    pacer_->schedule();
}

void CanvasWidget::paintEvent(QPaintEvent* event) {
    finishPainting();
    // Rectangle by rectangle: the bounding rectangle of a few scattered marks is most of the
    // client area.
    QPainter painter(this);
    for (const QRect& r : event->region()) {
        painter.drawImage(r, image_, r);
    }
}
