// The client area: a kept image the surface is drawn into, shown beneath the child controls.
#pragma once

#include "common/qt/FramePacer.h"
#include "surface/Canvas.h"

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPoint>
#include <QRegion>
#include <QWidget>

#include <optional>

// The window's drawing frame: user coordinates of the client area's edges.
struct UserFrame {
    float left = kDesignFrameLeft;
    float top = kDesignFrameTop;
    float width = 269.62591552734375f;
    float height = -213.37652587890625f; // negative: y grows upward
};

class CanvasWidget : public QWidget, public Canvas {
    Q_OBJECT
public:
    static constexpr QSize kClientSize{950, 751}; // 14250 x 11265 twips

    explicit CanvasWidget(QColor background, QWidget* parent = nullptr);

    void setForeColor(Rgb colour) override;
    void setBackColor(Rgb colour) override;
    void moveTo(float x, float y) override;
    void lineTo(float x, float y) override;
    void line(float x1, float y1, float x2, float y2) override;
    void circle(float x, float y, float radius, Rgb colour) override;
    void refresh() override;

    const QImage& image() const {
        finishPainting();
        return image_;
    }
    const UserFrame& frame() const { return frame_; }
    // Width and height stay; what was drawn stays where it is until the next redraw.
    void setFrameOrigin(float left, float top) override;
    // The client-area pixel a user point falls on.
    QPoint toPixel(float x, float y) const;
    // From now on what was drawn reaches the screen at the pacer's frames, not stroke by stroke.
    void setPacer(FramePacer& pacer);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void drawLine(QPoint from, QPoint to);
    void showChanged(const QRect& area);
    // One painter serves a whole run of lines and circles: opening one costs as much as drawing
    // a short line. It is closed before the image is read, shown or cleared.
    QPainter& painterWith(const QColor& pen);
    void finishPainting() const;

    QImage image_;
    mutable std::optional<QPainter> painter_; // after image_: ends before the image goes
    QColor penColour_;
    UserFrame frame_;
    QColor fore_;
    QColor back_;
    float currentX_ = 0;
    float currentY_ = 0;
    FramePacer* pacer_ = nullptr;
    QRegion changed_; // drawn since the last frame
    bool wholeChanged_ = false;
};
