// What the edit tests share: a table, cells by place, and an edit's outcome as one line of text.
#pragma once

#include "table/CellChange.h"
#include "table/TableFormats.h"

#include <string>
#include <variant>

constexpr int C(int p, int r) {
    return CellIndex(p, r);
}

// Cells of 100. Breakpoints uneven on purpose: pressure 10, 12, 20 then 23, 24, 25 ... PSI
// absolute (8.4, 9.4 ... shown); RPM 1000, 3000, 4000 then 5500, 6000 ... (7500 at index 7).
inline TableFile Uneven() {
    constexpr int kPressure[] = {10, 12, 20}, kRpm[] = {10, 30, 40};
    TableFile file{{}, true, std::nullopt};
    file.table.fill(100);
    for (int k = 0; k < kLatticeSize; ++k) {
        file.table[kPressureBase + k] = static_cast<std::int16_t>(k < 3 ? kPressure[k] : 20 + k);
        file.table[kRpmBase + k] = static_cast<std::int16_t>(k < 3 ? kRpm[k] : 40 + 5 * k);
    }
    return file;
}

// "0,1:100>233 1,0:100>120": pressure and RPM index, before and after.
inline std::string ChangesText(const CellChanges& changes) {
    std::string text;
    for (const CellChange& c : changes) {
        text += (text.empty() ? "" : " ") + std::to_string(PressureIndexOf(c.cell)) + "," +
                std::to_string(RpmIndexOf(c.cell)) + ":" + std::to_string(c.before) + ">" +
                std::to_string(c.after);
    }
    return text;
}

// The changes, or why not.
inline std::string Outcome(const std::variant<CellChanges, std::string>& result) {
    const auto* why = std::get_if<std::string>(&result);
    return why ? *why : ChangesText(std::get<CellChanges>(result));
}
