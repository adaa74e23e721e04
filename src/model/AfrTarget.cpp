#include "model/AfrTarget.h"

#include "common/Atmosphere.h"
#include "common/Numbers.h"
#include "table/CsvGrid.h"
#include "table/TableFormats.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

constexpr double kIdleBelowRpm = 1000;
constexpr double kIdleAfr = 14.2;
constexpr double kCruiseAfr = 14.7;
constexpr double kFullBoostAfr = 11.8;
constexpr double kFullBoostPsi = 15; // gauge

std::string AfrText(double afr) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", afr);
    return text;
}

// A lambda target (about 1) against an air/fuel reading would fuel for a ratio of 1:1.
std::optional<std::string> OutsideWideband(double afr) {
    if (afr >= kWidebandRichLimit && afr <= kWidebandLeanLimit) {
        return std::nullopt;
    }
    return "target " + AfrText(afr) + " lies outside the wideband's " +
           AfrText(kWidebandRichLimit) + " to " + AfrText(kWidebandLeanLimit) +
           " air/fuel; give air/fuel ratios, not lambda (lambda x 14.7)";
}

} // namespace

CellValues DefaultTarget(const VeTable& table) {
    CellValues target{};
    for (int cell = 0; cell < kCellCount; ++cell) {
        const double rpm = RpmBreakpoint(table, RpmIndexOf(cell)) * 100.0;
        const double boost = PressureBreakpoint(table, PressureIndexOf(cell)) - kAtmospherePsi;
        const double share = std::clamp(boost / kFullBoostPsi, 0.0, 1.0);
        target[cell] =
            rpm < kIdleBelowRpm ? kIdleAfr : kCruiseAfr - (kCruiseAfr - kFullBoostAfr) * share;
    }
    return target;
}

std::variant<CellValues, std::string> ParseTargetCsv(std::string_view text, const VeTable& table) {
    const auto split = SplitCsvGrid(text);
    if (const auto* why = std::get_if<std::string>(&split)) {
        return *why;
    }
    const CsvGrid& grid = std::get<CsvGrid>(split);
    VeTable headers = table;
    const auto named = ReadGridBreakpoints(grid, headers);
    if (const auto* why = std::get_if<std::string>(&named)) {
        return *why;
    }
    if (!std::equal(headers.begin() + kRpmBase, headers.end(), table.begin() + kRpmBase)) {
        return std::string("its headers are not the table's breakpoints");
    }
    CellValues target{};
    for (int cell = 0; cell < kCellCount; ++cell) {
        const std::optional<double> value = ParseNumber(grid.cell(cell));
        const std::string where = "the " + CellPlace(cell);
        if (!value) {
            return where + " is not a number";
        }
        if (std::fabs(*value * 10 - std::nearbyint(*value * 10)) > 1e-9) {
            return where + " has more than one decimal";
        }
        if (const auto why = OutsideWideband(*value)) {
            return where + ": " + *why;
        }
        target[cell] = *value;
    }
    return target;
}

std::variant<CellValues, std::string>
TargetFromArgument(const std::string& argument, const VeTable& table, const std::string& name) {
    if (const std::optional<double> afr = ParseNumber(argument)) {
        if (const auto why = OutsideWideband(*afr)) {
            return *why;
        }
        CellValues target{};
        target.fill(*afr);
        return target;
    }
    if (FormatOf(argument) != TableFormat::Csv) {
        return name + " takes an air/fuel ratio or a .csv grid, not " + argument;
    }
    const auto text = ReadTableText(argument);
    if (const auto* error = std::get_if<FileError>(&text)) {
        return error->reason;
    }
    auto parsed = ParseTargetCsv(std::get<std::string>(text), table);
    if (const auto* why = std::get_if<std::string>(&parsed)) {
        return name + " " + argument + ": " + *why;
    }
    return parsed;
}
