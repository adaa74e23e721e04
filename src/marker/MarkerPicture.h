// The picture box that becomes the operating-point marker. Its own scale is twips.
#pragma once

#include "common/Rgb.h"
#include "marker/Region.h"

class MarkerPicture {
public:
    virtual ~MarkerPicture() = default;
    // Top-left corner in the window's user coordinates; the size stays.
    virtual void move(float left, float top) = 0;
    virtual void setBorderless() = 0;
    // Drawing goes into a kept image that pixel() reads back.
    virtual void setAutoRedraw(bool on) = 0;
    virtual void setDrawWidth(int pixels) = 0;
    virtual float scaleWidth() const = 0;  // inner width, twips
    virtual float scaleHeight() const = 0; // inner height, twips
    virtual float twipsPerPixelX() const = 0;
    virtual float twipsPerPixelY() const = 0;
    // Circle outline, centre and radius in twips.
    virtual void drawCircle(float x, float y, float radius, Rgb colour) = 0;
    virtual Rgb pixel(int x, int y) const = 0;
    // The window shows only these pixels from now on.
    virtual void applyShape(const Region& shape) = 0;
};
