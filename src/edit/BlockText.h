// A block as spreadsheet text, for the clipboard: tab-separated fields, one row a line, as
// Excel and LibreOffice copy and paste a range.
#pragma once

#include "edit/Block.h"
#include "table/CellChange.h"
#include "table/TableFormats.h"

#include <string>
#include <string_view>
#include <variant>

// The block as the grid shows it: a header row of its pressure breakpoints (gauge PSI), then a
// row per RPM breakpoint, lowest first, each starting with the RPM. Headers are empty when the
// file has no breakpoints. Every line ends in "\n".
std::string CopyText(const TableFile& file, const Block& block);

struct Pasted {
    Block block; // where the text landed
    CellChanges changes;
    bool operator==(const Pasted&) const = default;
};

// The text's cells written from `corner` (its lowest pressure and RPM index) across and down,
// as the grid shows them; else why not, naming the text's row and column counted from 1. A
// header row and column as CopyText makes them are skipped.
std::variant<Pasted, std::string> PasteChanges(const VeTable& table, int corner,
                                               std::string_view text);
