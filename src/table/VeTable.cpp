#include "table/VeTable.h"

#include <cstdio>

std::string RpmHeaderText(const VeTable& t, int r) {
    // Widened so breakpoints beyond +-327 show their true RPM instead of a wrapped 16-bit value.
    return std::to_string(static_cast<long>(RpmBreakpoint(t, r)) * 100);
}

std::string PressureHeaderText(const VeTable& t, int p) {
    // Gauge PSI. The 16-bit input keeps the result within +-32783, so %g never turns to exponents.
    char text[32];
    std::snprintf(text, sizeof text, "%.15g",
                  static_cast<double>(PressureBreakpoint(t, p)) - kHeaderAtmospherePsi);
    return text;
}

std::string CellText(const VeTable& t, int cell) {
    return std::to_string(t[cell]);
}

// Divided in double, then rounded once to single: a plain float division can differ in the last
// bit.
float SurfaceHeight(const VeTable& t, int cell) {
    return static_cast<float>(t[cell] / 10.0);
}
