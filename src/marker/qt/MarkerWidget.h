// Picture1: the operating-point marker, a small child window with a kept image and a shape.
#pragma once

#include "common/Twips.h"
#include "common/qt/FramePacer.h"
#include "marker/MarkerPicture.h"

#include <QImage>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <optional>

class MarkerWidget : public QWidget, public MarkerPicture {
    Q_OBJECT
public:
    static constexpr QSize kSize{25, 29}; // 375 x 435 twips

    // toPixel maps the window's user coordinates to pixels of the parent.
    MarkerWidget(std::function<QPoint(float x, float y)> toPixel, QWidget* parent = nullptr);

    void move(float left, float top) override;
    // From now on a move reaches the screen at the pacer's next frame.
    void setPacer(FramePacer& pacer);
    void setBorderless() override {}     // it never has a border
    void setAutoRedraw(bool) override {} // drawing always goes into the kept image
    void setDrawWidth(int pixels) override { drawWidth_ = pixels; }
    float scaleWidth() const override;
    float scaleHeight() const override;
    float twipsPerPixelX() const override { return kTwipsPerPixel; }
    float twipsPerPixelY() const override { return kTwipsPerPixel; }
    void drawCircle(float x, float y, float radius, Rgb colour) override;
    Rgb pixel(int x, int y) const override;
    void applyShape(const Region& shape) override;

    const QImage& image() const { return image_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::function<QPoint(float, float)> toPixel_;
    QImage image_;
    int drawWidth_ = 1;
    bool hiddenByShape_ = false;
    FramePacer* pacer_ = nullptr;
    std::optional<QPoint> pendingPosition_;
};
