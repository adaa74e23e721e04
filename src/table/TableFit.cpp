#include "table/TableFit.h"

#include "table/CsvGrid.h"

namespace {

struct Axis {
    const char* name;
    int base;
    const char* unit;
    int scale;
};
constexpr Axis kAxes[] = {{"RPM", kRpmBase, " RPM", 100},
                          {"pressure", kPressureBase, " PSI absolute", 1}};

std::string ValueText(const Axis& axis, std::int16_t value) {
    return std::to_string(static_cast<long>(value) * axis.scale) + axis.unit;
}

} // namespace

std::string VeRangeText() {
    return "a VE is " + std::to_string(kLowestVe) + " to " + std::to_string(kHighestVe);
}

std::optional<std::string> CellsRefusal(const VeTable& table) {
    for (int cell = 0; cell < kCellCount; ++cell) {
        if (table[cell] < kLowestVe) {
            return "the " + CellPlace(cell) + " holds " + std::to_string(table[cell]) + "; " +
                   VeRangeText();
        }
    }
    return std::nullopt;
}

std::optional<std::string> BreakpointsRefusal(const VeTable& table, const std::string& whose) {
    for (const Axis& axis : kAxes) {
        for (int k = 1; k < kLatticeSize; ++k) {
            if (table[axis.base + k] <= table[axis.base + k - 1]) {
                return whose + " " + axis.name + " breakpoints do not rise: breakpoint " +
                       std::to_string(k + 1) + " is " + ValueText(axis, table[axis.base + k]) +
                       " after " + ValueText(axis, table[axis.base + k - 1]);
            }
        }
    }
    return std::nullopt;
}

std::optional<std::string> BreakpointDifference(const VeTable& table, const VeTable& device,
                                                const std::string& whose,
                                                const std::string& other) {
    for (const Axis& axis : kAxes) {
        for (int k = 0; k < kLatticeSize; ++k) {
            if (table[axis.base + k] != device[axis.base + k]) {
                return whose + " " + axis.name + " breakpoint " + std::to_string(k + 1) + " is " +
                       ValueText(axis, table[axis.base + k]) + ", " + other + " is " +
                       ValueText(axis, device[axis.base + k]);
            }
        }
    }
    return std::nullopt;
}

std::optional<std::string> FitRefusal(const TableFile& file, const DeviceShape& device) {
    if (auto why = CellsRefusal(file.table)) {
        return why;
    }
    // Against the device's breakpoints when they are known: the first difference says more than
    // an order, and the device's own rise.
    if (file.hasBreakpoints) {
        auto why = device.breakpoints ? BreakpointDifference(file.table, *device.breakpoints,
                                                             "the file's", "the device's")
                                      : BreakpointsRefusal(file.table, "the file's");
        if (why) {
            return why;
        }
    }
    if (file.intakeType && (*file.intakeType < 1 || *file.intakeType > device.intakeTypes)) {
        return "its intake type " + std::to_string(*file.intakeType) +
               " is none the device has (1 to " + std::to_string(device.intakeTypes) + ")";
    }
    return std::nullopt;
}
