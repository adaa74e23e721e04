// How the device fuels and what comes out of the exhaust: the device fuels for its target by its
// own VE table; the engine breathes by its true VE; the difference is what the wideband sees.
#pragma once

#include "tune/Lattice.h"

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

// The device's VE at the point: its cells interpolated, a cell of 0 or below (a table fault)
// fuelling as for VE 1, so nothing is divided by zero and no fuel is negative.
double CommandedVe(const VeTable& device, const LatticeWeights& weights);

// The factor on air/fuel of the warm-up fuel: 1 when warm.
double WarmUpEnrichment(double tempF);

// target x true VE / commanded VE x enrichment.
double ExhaustAfr(double target, double trueVe, double commandedVe, double enrichment);

} // namespace tvxsim
