// The window's text boxes that the core writes.
#pragma once

#include "common/Rgb.h"

#include <string>

enum class TextBox { RTState, IntakeType, Pressure, Rpm, Temp, WB1, WB2, MAFOut };

class TextBoxes {
public:
    virtual ~TextBoxes() = default;
    virtual void setText(TextBox box, const std::string& text) = 0;
    virtual void setTextColour(TextBox box, Rgb colour) = 0;
};
