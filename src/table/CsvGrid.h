// The .csv grid as the window shows it: a header row of 20 pressure texts, then 20 rows of an
// RPM text and 20 cells across pressure. Table files and target tables share its reading.
#pragma once

#include "table/VeTable.h"

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

struct CsvGrid {
    std::vector<std::vector<std::string_view>> rows; // 21 rows of 21 fields
    // The text of a cell, by cell index.
    std::string_view cell(int index) const {
        return rows[RpmIndexOf(index) + 1][PressureIndexOf(index) + 1];
    }
};

// The 21 rows of 21 fields (blank lines at the end ignored); else why not.
std::variant<CsvGrid, std::string> SplitCsvGrid(std::string_view text);

// The breakpoints the headers name, into `table`'s breakpoint entries; false when every header
// is empty; else why not.
std::variant<bool, std::string> ReadGridBreakpoints(const CsvGrid& grid, VeTable& table);

bool IsBlankText(std::string_view s);

// "cell at pressure index P, RPM index R"
std::string CellPlace(int cell);
