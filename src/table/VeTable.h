// The device's VE table: 400 cells on a 20 x 20 lattice, then 20 RPM and 20 pressure breakpoints.
#pragma once

#include <array>
#include <cstdint>
#include <string>

constexpr int kLatticeSize = 20;
constexpr int kCellCount = 400;
constexpr int kRpmBase = 400;      // RPM breakpoints, hundreds of RPM
constexpr int kPressureBase = 420; // pressure breakpoints, absolute PSI
constexpr int kTableSize = 440;

// The grid's pressure headers show gauge PSI above this atmosphere.
constexpr double kHeaderAtmospherePsi = 14.6;

using VeTable = std::array<std::int16_t, kTableSize>;

constexpr int CellIndex(int pressureIndex, int rpmIndex) {
    return pressureIndex * kLatticeSize + rpmIndex;
}
constexpr int PressureIndexOf(int cell) {
    return cell / kLatticeSize;
}
constexpr int RpmIndexOf(int cell) {
    return cell % kLatticeSize;
}

inline std::int16_t RpmBreakpoint(const VeTable& t, int r) {
    return t[kRpmBase + r];
}
inline std::int16_t PressureBreakpoint(const VeTable& t, int p) {
    return t[kPressureBase + p];
}

std::string RpmHeaderText(const VeTable& t, int r);
std::string PressureHeaderText(const VeTable& t, int p);
std::string CellText(const VeTable& t, int cell);
float SurfaceHeight(const VeTable& t, int cell);
