#include "edit/BlockText.h"

#include "common/Numbers.h"
#include "table/CsvGrid.h"
#include "table/TableFit.h"

#include <algorithm>
#include <vector>

std::string CopyText(const TableFile& file, const Block& block) {
    const auto header = [&file](std::string (*text)(const VeTable&, int), int k) {
        return file.hasBreakpoints ? text(file.table, k) : std::string();
    };
    std::string text;
    for (int p = block.p0; p <= block.p1; ++p) {
        text += '\t';
        text += header(PressureHeaderText, p);
    }
    text += '\n';
    for (int r = block.r0; r <= block.r1; ++r) {
        text += header(RpmHeaderText, r);
        for (int p = block.p0; p <= block.p1; ++p) {
            text += '\t';
            text += CellText(file.table, CellIndex(p, r));
        }
        text += '\n';
    }
    return text;
}

namespace {

using Rows = std::vector<std::vector<std::string_view>>;

// Rows of fields; line ends at the end of the text are no rows, and a last column empty in every
// row is the trailing tab some spreadsheets add, not data.
Rows SplitRows(std::string_view text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    Rows rows;
    if (text.empty()) {
        return rows;
    }
    for (std::string_view line : SplitFields(text, '\n')) {
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        rows.push_back(SplitFields(line, '\t'));
    }
    const bool trailingTab = std::all_of(rows.begin(), rows.end(), [](const auto& row) {
        return row.size() > 1 && row.back().empty();
    });
    if (trailingTab) {
        for (auto& row : rows) {
            row.pop_back();
        }
    }
    return rows;
}

std::string FieldPlace(std::size_t row, std::size_t column) {
    return "row " + std::to_string(row + 1) + ", column " + std::to_string(column + 1) +
           " of the text";
}

} // namespace

std::variant<Pasted, std::string> PasteChanges(const VeTable& table, int corner,
                                               std::string_view text) {
    const Rows rows = SplitRows(text);
    for (std::size_t k = 1; k < rows.size(); ++k) {
        if (rows[k].size() != rows[0].size()) {
            return "row " + std::to_string(k + 1) + " of the text has " +
                   std::to_string(rows[k].size()) + " fields, row 1 has " +
                   std::to_string(rows[0].size());
        }
    }
    // Copy's corner is the only empty field it makes, and a cell is never empty: a text whose
    // first row starts with an empty field and goes on carries our header row and column.
    const std::size_t skip = !rows.empty() && rows[0].size() > 1 && rows[0][0].empty() ? 1 : 0;
    const int down = static_cast<int>(rows.size() - skip);
    if (down == 0) {
        return std::string("there are no cells in the text to paste");
    }
    const int across = static_cast<int>(rows[0].size() - skip);
    const Block block{PressureIndexOf(corner), PressureIndexOf(corner) + across - 1,
                      RpmIndexOf(corner), RpmIndexOf(corner) + down - 1};
    if (block.p1 >= kLatticeSize || block.r1 >= kLatticeSize) {
        return "the text's " + BlockSizeText(block) + " reach past the table from the " +
               CellPlace(corner);
    }
    VeTable after = table;
    for (std::size_t row = skip; row < rows.size(); ++row) {
        for (std::size_t column = skip; column < rows[row].size(); ++column) {
            const auto value = WholeInt16(rows[row][column]);
            if (const auto* why = std::get_if<std::string>(&value)) {
                return FieldPlace(row, column) + " " + *why;
            }
            if (std::get<std::int16_t>(value) < kLowestVe) {
                return FieldPlace(row, column) + " holds " + std::string(rows[row][column]) + "; " +
                       VeRangeText();
            }
            after[CellIndex(block.p0 + static_cast<int>(column - skip),
                            block.r0 + static_cast<int>(row - skip))] =
                std::get<std::int16_t>(value);
        }
    }
    return Pasted{block, ChangedCells(table, after)};
}
