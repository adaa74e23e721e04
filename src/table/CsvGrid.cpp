#include "table/CsvGrid.h"

#include "common/Numbers.h"

#include <algorithm>
#include <cmath>

namespace {

// A header text back to its breakpoint: the shown value undone, and whole.
std::optional<std::int16_t> BreakpointOf(std::string_view text, double scale, double offset) {
    const std::optional<double> shown = ParseNumber(text);
    if (!shown) {
        return std::nullopt;
    }
    const double value = *shown / scale + offset;
    const double whole = std::nearbyint(value);
    if (std::fabs(value - whole) > 1e-6 || whole < -32768.0 || whole > 32767.0) {
        return std::nullopt;
    }
    return static_cast<std::int16_t>(whole);
}

} // namespace

bool IsBlankText(std::string_view s) {
    return std::all_of(s.begin(), s.end(),
                       [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; });
}

std::string CellPlace(int cell) {
    return "cell at pressure index " + std::to_string(PressureIndexOf(cell)) + ", RPM index " +
           std::to_string(RpmIndexOf(cell));
}

std::variant<CsvGrid, std::string> SplitCsvGrid(std::string_view text) {
    constexpr std::size_t kRows = kLatticeSize + 1;
    CsvGrid grid;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        end = end == std::string_view::npos ? text.size() : end;
        std::string_view line = text.substr(start, end - start);
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        start = end + 1;
        if (IsBlankText(line) && IsBlankText(text.substr(std::min(start, text.size())))) {
            break; // blank lines at the end
        }
        if (grid.rows.size() == kRows) {
            return std::string("more than 21 rows; the grid has 21");
        }
        grid.rows.push_back(SplitFields(line));
        if (grid.rows.back().size() != kRows) {
            return "row " + std::to_string(grid.rows.size()) + " has " +
                   std::to_string(grid.rows.back().size()) + " fields; the grid has 21";
        }
    }
    if (grid.rows.size() != kRows) {
        return "it has " + std::to_string(grid.rows.size()) + " rows; the grid has 21";
    }
    return grid;
}

std::variant<bool, std::string> ReadGridBreakpoints(const CsvGrid& grid, VeTable& table) {
    int blankHeaders = 0;
    for (int k = 0; k < kLatticeSize; ++k) {
        blankHeaders += IsBlankText(grid.rows[0][k + 1]) + IsBlankText(grid.rows[k + 1][0]);
    }
    if (blankHeaders == 2 * kLatticeSize) {
        return false;
    }
    if (blankHeaders != 0) {
        return std::string("some headers are empty; give all of them or none");
    }
    for (int k = 0; k < kLatticeSize; ++k) {
        const auto pressure = BreakpointOf(grid.rows[0][k + 1], 1.0, kHeaderAtmospherePsi);
        const auto rpm = BreakpointOf(grid.rows[k + 1][0], 100.0, 0.0);
        if (!pressure || !rpm) {
            return "the " + std::string(!pressure ? "pressure" : "RPM") + " header " +
                   std::to_string(k) + " is not a breakpoint the grid can show";
        }
        table[kPressureBase + k] = *pressure;
        table[kRpmBase + k] = *rpm;
    }
    return true;
}
