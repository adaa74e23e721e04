// The window's own drawing surface, in its user coordinates (x right, y up).
#pragma once

#include "common/Rgb.h"

// User coordinates of the client area's left and top edges as the window is designed.
inline constexpr float kDesignFrameLeft = -10.0f;
inline constexpr float kDesignFrameTop = 15.0f;

// The selection and operating-point rings; black erases one from the near-black background.
inline constexpr float kMarkRadius = 0.3f;
inline constexpr Rgb kEraseColour{0, 0, 0};

class Canvas {
public:
    virtual ~Canvas() = default;
    virtual void setForeColor(Rgb colour) = 0;
    virtual void setBackColor(Rgb colour) = 0;
    // Sets the current point, as CurrentX and CurrentY do.
    virtual void moveTo(float x, float y) = 0;
    // Line from the current point, which then moves to (x, y); drawn in the fore colour.
    virtual void lineTo(float x, float y) = 0;
    virtual void line(float x1, float y1, float x2, float y2) = 0;
    virtual void circle(float x, float y, float radius, Rgb colour) = 0;
    // Clears the whole client area to the background colour.
    virtual void refresh() = 0;
    // Moves the coordinate frame: user coordinates of the client area's left and top edges.
    // Child controls placed in user coordinates (the marker) follow the same frame.
    virtual void setFrameOrigin(float left, float top) = 0;
};
