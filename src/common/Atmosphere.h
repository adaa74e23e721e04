// The atmosphere the device's absolute pressures are told against.
#pragma once

// Live records carry absolute pressure; the window shows it above this atmosphere.
inline constexpr double kAtmospherePsi = 14.67;
