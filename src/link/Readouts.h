// Number formats of the live readouts.
#pragma once

#include <string>

// Fixed decimals ("0", "0.0", "0.00"): nearest, exact ties away from zero, minus sign kept.
std::string FormatFixed(double value, int decimals);

// Up to 7 significant digits, no trailing zeros, no point for whole numbers.
std::string FormatGeneral(float value);
