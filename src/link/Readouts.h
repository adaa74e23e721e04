// The six live readouts: a record's values as the window keeps them, and their texts.
#pragma once

#include "common/Numbers.h"
#include "common/TextBoxes.h"
#include "link/Protocol.h"

#include <array>
#include <string>
#include <utility>

// Fixed decimals ("0", "0.0", "0.00"): nearest, exact ties away from zero, minus sign kept.
std::string FormatFixed(double value, int decimals);

// A record as the window stores it: gauge pressure, and speeds below 150 RPM as 0.
struct LiveReading {
    float gaugePsi = 0;
    float rpm = 0;
    float tempF = 0;
    float wb1 = 0;
    float wb2 = 0;
    double airflow = 0; // shown, never stored
};

LiveReading ReadingOf(const LiveRecord& record);

// Each readout box with its text, in the order the window writes them.
using ReadoutTexts = std::array<std::pair<TextBox, std::string>, 6>;
ReadoutTexts TextsOf(const LiveReading& reading, bool airflowInHertz);
