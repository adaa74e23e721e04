// The air/fuel ratio the device fuels for, cell by cell, and the wideband that reads the result.
// tvxsim's engine and the analyser take the target from here, so both aim at the same one.
#pragma once

#include "model/Lattice.h"

#include <string>
#include <string_view>
#include <variant>

// A wideband's range, in gasoline air/fuel: beyond it a reading holds at the limit, and a fuel
// cut (no fuel at all) reads the lean limit.
inline constexpr double kWidebandRichLimit = 9.0;
inline constexpr double kWidebandLeanLimit = 20.0;

// The default target on the table's breakpoints: 14.2 where the RPM breakpoint is below 1000
// RPM (idle); elsewhere 14.7 at or below atmosphere, falling in a straight line to 11.8 at
// 15 PSI of boost and held there.
CellValues DefaultTarget(const VeTable& table);

// One number for every cell ("14.7"), or a .csv grid of targets with at most one decimal whose
// headers, when given, are the table's breakpoints. Else why not, in words for stderr.
std::variant<CellValues, std::string> ParseTargetCsv(std::string_view text, const VeTable& table);
// `name` is what the caller calls the setting: "--target", or a window's field.
std::variant<CellValues, std::string> TargetFromArgument(const std::string& argument,
                                                         const VeTable& table,
                                                         const std::string& name = "--target");
