// Whether a table may go to the device. The program never writes breakpoints, so cells made for
// other breakpoints would fuel other operating points; a VE of 0 or below is a table fault; and
// an intake type the device lacks is no table of its.
#pragma once

#include "table/TableFormats.h"

#include <optional>
#include <string>

// What a cell may hold.
inline constexpr int kLowestVe = 1;
inline constexpr int kHighestVe = 32767;
// "a VE is 1 to 32767": said after a value no cell may hold.
std::string VeRangeText();

// What a table must agree with: the device's breakpoints when they are known, and the intake
// types it has (1 up to intakeTypes).
struct DeviceShape {
    const VeTable* breakpoints = nullptr;
    int intakeTypes = 3;
};

// "the cell at pressure index 0, RPM index 3 holds 0; a VE is 1 to 32767"
std::optional<std::string> CellsRefusal(const VeTable& table);

// Breakpoints that do not strictly rise, in `whose` words ("the file's", "the device's").
std::optional<std::string> BreakpointsRefusal(const VeTable& table, const std::string& whose);

// The first breakpoint in which `table` differs from `device`, counted from 1 as the grid's rows
// and columns are: "the file's RPM breakpoint 1 is 6500 RPM, the device's is 400 RPM".
std::optional<std::string> BreakpointDifference(const VeTable& table, const VeTable& device,
                                                const std::string& whose, const std::string& other);

// Everything above, for a file about to be written to (or compared with) the device: its
// breakpoints against the device's when they are known, else only that they rise.
std::optional<std::string> FitRefusal(const TableFile& file, const DeviceShape& device);
