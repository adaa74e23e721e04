// The fuel the device adds beyond its table: for a cold engine and on acceleration. The exhaust's
// formula itself is the core's (tune/AfrModel.h), shared with the analysis.
#pragma once

#include "model/AfrModel.h"

namespace tvxsim {

// Below this the device adds fuel for a cold engine; no more than at kColdestF.
inline constexpr double kWarmF = 160;
inline constexpr double kColdestF = 80;
// Manifold pressure rising faster than this (PSI/s) gets extra fuel for kAccelS.
inline constexpr double kAccelPsiPerS = 10;
inline constexpr double kAccelS = 0.5;
inline constexpr double kAccelFuel = 1.15;
// What the sensor sees with no fuel at all: beyond its lean limit, so it reads that limit.
inline constexpr double kFreeAirAfr = 40;

// The factor on air/fuel of the warm-up fuel: 1 when warm.
double WarmUpEnrichment(double tempF);

// The fuel added for acceleration `sinceS` after the pressure last rose fast: kAccelFuel for
// kAccelS; or, fading, its extra falling by e every kAccelS from then on.
double AccelerationFuel(double sinceS, bool fades);

} // namespace tvxsim
