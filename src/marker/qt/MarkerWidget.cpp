#include "marker/qt/MarkerWidget.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPen>
#include <QRegion>

MarkerWidget::MarkerWidget(std::function<QPoint(float, float)> toPixel, QWidget* parent)
    : QWidget(parent), toPixel_(std::move(toPixel)), image_(kSize, QImage::Format_RGB32) {
    resize(kSize);
    image_.fill(palette().color(QPalette::Button)); // a picture box's own default colour
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::TabFocus);
}

void MarkerWidget::move(float left, float top) {
    if (!pacer_) {
        QWidget::move(toPixel_(left, top));
        return;
    }
    pendingPosition_ = toPixel_(left, top);
    pacer_->schedule();
}

void MarkerWidget::setPacer(FramePacer& pacer) {
    pacer_ = &pacer;
    pacer.onFrame([this] {
        if (pendingPosition_) {
            QWidget::move(*pendingPosition_);
            pendingPosition_.reset();
        }
    });
}

float MarkerWidget::scaleWidth() const {
    return static_cast<float>(width() * kTwipsPerPixel);
}

float MarkerWidget::scaleHeight() const {
    return static_cast<float>(height() * kTwipsPerPixel);
}

void MarkerWidget::drawCircle(float x, float y, float radius, Rgb colour) {
    QPainter painter(&image_);
    painter.setPen(QPen(QColor(colour.r, colour.g, colour.b), drawWidth_));
    painter.setBrush(Qt::NoBrush);
    const float scale = 1.0f / kTwipsPerPixel;
    painter.drawEllipse(QPointF(x * scale, y * scale), radius * scale, radius * scale);
    update();
}

Rgb MarkerWidget::pixel(int x, int y) const {
    if (!image_.valid(x, y)) {
        return Rgb{255, 255, 255};
    }
    const QRgb p = image_.pixel(x, y);
    return Rgb{static_cast<std::uint8_t>(qRed(p)), static_cast<std::uint8_t>(qGreen(p)),
               static_cast<std::uint8_t>(qBlue(p))};
}

void MarkerWidget::applyShape(const Region& shape) {
    QRegion region;
    for (const RegionRect& r : shape) {
        region += QRect(r.left, r.top, r.right - r.left, r.bottom - r.top);
    }
    // An empty mask would mean "no mask" to Qt; an empty shape means nothing shows.
    if (region.isEmpty()) {
        hiddenByShape_ = true;
        hide();
        return;
    }
    if (region != mask()) {
        setMask(region); // a new mask repaints what lies beneath the old one
    }
    if (hiddenByShape_) {
        hiddenByShape_ = false;
        show();
    }
}

void MarkerWidget::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.drawImage(event->rect(), image_, event->rect());
}
