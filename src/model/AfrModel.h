// The air/fuel the engine model gives, and what a reading says back: the device fuels for its
// target by its own VE; the engine breathes by its true VE; the exhaust shows the difference.
// tvxsim's engine runs it forward, the analysis backward: one formula for both.
#pragma once

#include "model/Lattice.h"

// The device's VE at the point: its cells interpolated, a cell of 0 or below (a table fault)
// fuelling as for VE 1, so nothing is divided by zero and no fuel is negative.
double CommandedVe(const VeTable& device, const LatticeWeights& weights);

// target x true VE / commanded VE x enrichment.
double ExhaustAfr(double target, double trueVe, double commandedVe, double enrichment);

// The true VE a reading shows where no enrichment was added: measured / target x commanded VE.
double ShownTrueVe(double measuredAfr, double target, double commandedVe);
