// Numbers to and from text, the same everywhere: what the device sends, what logs and tables
// hold, what a summary says.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

std::vector<std::string_view> SplitFields(std::string_view text, char separator = ',');

// A decimal number, blanks and line ends around it allowed; nothing else (no inf, nan, hex).
std::optional<double> ParseNumber(std::string_view field);

// Up to 7 significant digits, no trailing zeros, no point for whole numbers.
std::string FormatGeneral(double value);
// 10^n for n from 0 to 22, each exact in a double; read from a table, as it is asked for per
// value of long logs.
double PowerOfTen(int n);

// 1204 as "1,204".
std::string Thousands(std::int64_t n);
